#include "settings/Sequence.h"

#include "common/ErrorText.h"
#include "common/FileOps.h"
#include "display/DeviceTable.h"
#include "display/DisplaySource.h"
#include "script/LuaHost.h"
#include "settings/Registry.h"
#include "settings/RegistryStore.h"
#include "settings/SettingNames.h"

SetupParts SetupParts::Current()
{
    return SetupParts{RegistrySeam::Current(), FileSeam::Current(), DisplaySeam::Current(), CLuaHost::Instance()};
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
    ReadRegistry(record, parts.registry, parts.host, GetStoredDevices());
    step("ReadRegistry");
    ReadSaveDataLines(record, parts.files);
    step("ReadSaveDataLines");
    ApplySavedOptions(record, parts.host);
    step("ApplySavedOptions");
    return &record;
}

SaveResult SaveConfirmed(const CRegistry& record, const SetupParts& parts)
{
    SaveResult result;
    RemoveLeftoverSaves(parts.files);
    result.registry = WriteRegistry(record, parts.registry);
    result.optionFile = SaveOptionFile(record, parts.files);
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

}  // namespace

std::string FailedSaveText(const SaveResult& result)
{
    const bool registryLanded = result.registry == kRegSuccess;
    const bool fileLanded = result.optionFile.kind == SaveOutcome::kSaved;
    if (registryLanded && fileLanded)
        return std::string();
    const std::string file(kOptionFilePath);
    std::string text = !registryLanded && !fileLanded ? "The settings were not saved."
                       : registryLanded ? "The settings were saved in the registry, but not in " + file + "."
                                        : "The settings were saved in " + file + ", but not in the registry.";
    text += "\n";
    if (!registryLanded)
        text += std::string("\nHKEY_LOCAL_MACHINE\\") + kSettingsKey + ": " + RegistryErrorText(result.registry);
    if (!fileLanded)
        text += "\n" + file + ": " + Reason(result.optionFile);
    return text;
}

void ShutDown()
{
    CRegistry::DestroyInstance();
    ReleaseDisplayModes();
}
