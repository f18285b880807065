#include "settings/Sequence.h"

#include "common/ErrorText.h"
#include "common/FileOps.h"
#include "common/Path.h"
#include "display/DeviceTable.h"
#include "display/DisplaySource.h"
#include "script/LuaHost.h"
#include "settings/Registry.h"
#include "settings/RegistryStore.h"
#include "settings/SettingNames.h"

SetupParts SetupParts::Current()
{
    return SetupParts{RegistrySeam::Current(), FileSeam::Current(), DisplaySeam::Current(), CLuaHost::Instance(),
                      VirtualCopies::Current()};
}

CRegistry* StartUp(const SetupParts& parts, StepDone done, void* context)
{
    const auto step = [&](const char* name) {
        if (done)
            done(name, context);
    };
    if (!CRegistry::CrateInstance())
        return nullptr;
    CRegistry& record = *CRegistry::Instance();
    step("CrateInstance");
    InitSettingNames();
    step("InitSettingNames");
    EnumerateDisplayDevices(parts.displays, AcceptAllDevices);  // with no device the lists stay empty
    step("EnumerateDisplays");
    // Asked first: reading the registry may create the real key.
    IRegistryApi* const virtualRegistry = parts.virtualCopies.registry;
    const bool virtualValuesRead = virtualRegistry && VirtualValuesNewer(parts.registry, *virtualRegistry);
    ReadRegistry(record, parts.registry, parts.host, GetStoredDevices());
    if (virtualValuesRead)
        ReadVirtualValues(record, *virtualRegistry);
    step("ReadRegistry");
    ReadSaveDataLines(record, parts.files);
    ReadVirtualCopy(record, parts.files, parts.virtualCopies);
    step("ReadSaveDataLines");
    ApplyGameSavedOptions(record, parts.host, parts.virtualCopies);
    step("ApplySavedOptions");
    return &record;
}

SaveResult SaveConfirmed(const CRegistry& record, const SetupParts& parts)
{
    SaveResult result;
    const VirtualCopies& copies = parts.virtualCopies;
    result.player = copies.player;
    result.playerStoreMissing = copies.unavailable;
    RemoveLeftoverSaves(parts.files);
    result.registry = WriteRegistry(record, parts.registry);
    if (result.registry == kRegSuccess && copies.registry)
        result.virtualValues = RemoveVirtualValues(*copies.registry);
    // The new file then inherits the rights, so the game's next write lands
    // in it and not in a virtual copy.
    if (copies.Protected())
        result.savedataAccess = parts.files.OpenToPlayers(NativePath(std::string(kOptionFolder)));
    result.optionFile = SaveOptionFile(record, parts.files);
    if (result.optionFile.kind == SaveOutcome::kSaved)
        result.virtualCopy = RemoveVirtualCopy(record, parts.files, copies);
    return result;
}

namespace {

std::string Reason(const SaveOutcome& outcome)
{
    switch (outcome.kind) {
    case SaveOutcome::kSaved: return std::string();
    case SaveOutcome::kNotReadWhole:
        return "it could not be read whole when the setup started, so it was left as it was";
    case SaveOutcome::kFailed: return FileErrorText(outcome.code);
    case SaveOutcome::kRefused: break;
    }
    switch (outcome.refusal) {
    case FileStatus::kOutside: return "it leads outside the game folder";
    case FileStatus::kMoreNames: return "it has more than one name";
    case FileStatus::kUnchecked: return "its location could not be checked";
    case FileStatus::kNotFile: break;
    }
    return "it is not a plain file";
}

std::string Reason(const VirtualRemoval& removal)
{
    switch (removal.kind) {
    case VirtualRemoval::kNone:
    case VirtualRemoval::kRemoved: return std::string();
    case VirtualRemoval::kNotRemoved:
        return "it could not be read whole when the setup started, so it was left as it was";
    case VirtualRemoval::kFailed: return FileErrorText(removal.code);
    case VirtualRemoval::kRefused: break;
    }
    return removal.refusal == FileStatus::kOutside ? "it leads outside the game's VirtualStore folder"
                                                   : Reason(SaveOutcome{SaveOutcome::kRefused, 0, removal.refusal});
}

}  // namespace

std::string FailedSaveText(const SaveResult& result)
{
    const bool registryLanded = result.registry == kRegSuccess;
    const bool fileLanded = result.optionFile.kind == SaveOutcome::kSaved;
    // What keeps a landed save from the game: its own copies, or a savedata
    // it cannot write.
    const bool seenLanded = result.virtualValues == kRegSuccess && result.virtualCopy.Landed() &&
                            result.savedataAccess.kind != FileStatus::kFailed && result.playerStoreMissing.empty();
    if (registryLanded && fileLanded && seenLanded)
        return std::string();
    const std::string file(kOptionFilePath);
    std::string text = !registryLanded && !fileLanded ? "The settings were not saved."
                       : !fileLanded ? "The settings were saved in the registry, but not in " + file + "."
                       : !registryLanded ? "The settings were saved in " + file + ", but not in the registry."
                                         : "The settings were saved, but the game may not see them.";
    text += "\n";
    if (!registryLanded)
        text += std::string("\nHKEY_LOCAL_MACHINE\\") + kSettingsKey + ": " + RegistryErrorText(result.registry);
    if (!fileLanded)
        text += "\n" + file + ": " + Reason(result.optionFile);
    const std::string virtualKey = result.player.empty() ? "HKEY_CURRENT_USER\\Software\\Classes\\VirtualStore"
                                                         : "the VirtualStore key of " + result.player;
    if (result.virtualValues != kRegSuccess)
        text += "\nThe game's own copy of the registry settings (" + virtualKey +
                "), which it reads first, could not be removed: " + RegistryErrorText(result.virtualValues);
    if (!result.virtualCopy.Landed())
        text += "\nThe game's own copy of " + file + " in VirtualStore, which it reads first, was not removed: " +
                Reason(result.virtualCopy);
    if (!result.playerStoreMissing.empty())
        text += "\nThe game of " + result.player + ", who is signed in, reads that player's own copies of the "
                "settings first, and the setup, running as another account, could not reach them: " +
                result.playerStoreMissing + ".";
    if (result.savedataAccess.kind == FileStatus::kFailed)
        text += "\n" + std::string(kOptionFolder) + ": the players could not be let change it, so the game may keep "
                "its own copy again: " + FileErrorText(result.savedataAccess.code);
    return text;
}

void ShutDown()
{
    CRegistry::DestroyInstance();
    ReleaseDisplayModes();
}
