#include "settings/Sequence.h"

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
    step("ReadSaveDataLines");
    ReadGameOptionFile(record, parts.host, parts.files, parts.virtualCopies);
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
    if (result.registry && copies.registry)
        result.virtualValues = RemoveVirtualValues(*copies.registry);
    // The new file then inherits the rights, so the game's next write lands
    // in it and not in a virtual copy.
    if (copies.Protected())
        result.savedataAccess =
            parts.files.OpenToPlayers(NativePath(std::string(kOptionFolder))).In(Outcome::kOpenToPlayers);
    result.optionFile = SaveOptionFile(record, parts.files);
    if (result.optionFile)
        result.virtualCopy = RemoveVirtualCopy(record, parts.files, copies);
    return result;
}

std::string FailedSaveText(const SaveResult& result)
{
    const bool registryLanded = static_cast<bool>(result.registry);
    const bool fileLanded = static_cast<bool>(result.optionFile);
    // What keeps a landed save from the game: its own copies, or a savedata
    // it cannot write.
    const bool seenLanded = result.virtualValues.Reached() && result.virtualCopy.Reached() &&
                            result.savedataAccess.kind != Outcome::kFailed && result.playerStoreMissing.empty();
    if (registryLanded && fileLanded && seenLanded)
        return std::string();
    const std::string file(kOptionFilePath);
    std::string text = !registryLanded && !fileLanded ? "The settings were not saved."
                       : !fileLanded ? "The settings were saved in the registry, but not in " + file + "."
                       : !registryLanded ? "The settings were saved in " + file + ", but not in the registry."
                                         : "The settings were saved, but the game may not see them.";
    text += "\n";
    // A long path stands on a line of its own, so the box does not break it.
    if (!registryLanded)
        text += std::string("\nHKEY_LOCAL_MACHINE\\") + kSettingsKey + ":\n" + Reason(result.registry);
    if (!fileLanded)
        text += "\n" + file + ": " + Reason(result.optionFile);
    const std::string virtualKey = result.player.empty() ? "HKEY_CURRENT_USER\\Software\\Classes\\VirtualStore"
                                                         : "the VirtualStore key of " + result.player;
    if (!result.virtualValues.Reached())
        text += "\nThe game's own copy of the registry settings, which it reads first, was not removed from\n" +
                virtualKey + ":\n" + Reason(result.virtualValues);
    if (!result.virtualCopy.Reached())
        text += "\nThe game's own copy of " + file + " in VirtualStore, which it reads first, was not removed: " +
                Reason(result.virtualCopy, "the game's VirtualStore folder");
    if (!result.playerStoreMissing.empty())
        text += "\nThe game of " + result.player + ", who is signed in, reads that player's own copies of the "
                "settings first, and the setup, running as another account, could not reach them: " +
                result.playerStoreMissing + ".";
    if (result.savedataAccess.kind == Outcome::kFailed)
        text += "\n" + std::string(kOptionFolder) + ": " + Reason(result.savedataAccess) +
                "\nThe game may then keep its own copy of it again.";
    return text;
}

void ShutDown()
{
    CRegistry::DestroyInstance();
    ReleaseDisplayModes();
}
