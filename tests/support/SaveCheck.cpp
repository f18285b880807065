#include "support/SaveCheck.h"

#include <filesystem>

#include "settings/Registry.h"
#include "settings/SettingNames.h"

namespace {

int32_t CRegistry::*const kOptionFields[] = {
    &CRegistry::bgmVolume, &CRegistry::effectVolume, &CRegistry::mouseExclusive, &CRegistry::fullScreen,
    &CRegistry::width,     &CRegistry::height,       &CRegistry::bitsPerPixel,   &CRegistry::deviceIndex,
    &CRegistry::modeIndex, &CRegistry::spriteMode,   &CRegistry::textureMode,
};

std::string Line(int table, int name, int value)
{
    return std::string(GetSettingName(table)) + "[\"" + GetSettingName(name) + "\"] = " + std::to_string(value) +
           "\r\n";
}

}  // namespace

std::string ExpectedOptionFile(const std::vector<std::string>& kept, const CRegistry& record)
{
    std::string file;
    for (const std::string& line : kept)
        file += line + "\r\n";
    for (int i = 0; i <= kNameLastOption; ++i)
        file += Line(kNameOptionTable, i, record.*kOptionFields[i]);
    file += "\r\n";
    file += Line(kNameCommandTable, kNameBgmOn, record.bgmOn);
    file += Line(kNameCommandTable, kNameSoundOn, record.soundOn);
    for (int k = 0; k < kCommandCount; ++k)
        file += Line(kNameCommandTable, kNameFirstCommand + k, record.commandFlags[k]);
    return file;
}

std::set<std::string> ListTree(const std::string& root)
{
    namespace fs = std::filesystem;
    std::set<std::string> names;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        names.insert(fs::relative(it->path(), root, ec).generic_string());
    return names;
}

CRegistry* StartFreshRecord()
{
    CRegistry::DestroyInstance();
    InitSettingNames();
    ResetModeList();
    return CRegistry::CrateInstance() ? CRegistry::Instance() : nullptr;
}

CRegistry& ReadSettingsLikeStartUp()
{
    CRegistry& record = *StartFreshRecord();
    record.SetDefaults();
    ReadSaveDataLines(*CRegistry::Instance(), FileSeam::Current());
    ApplySavedOptions(*CRegistry::Instance(), CLuaHost::Instance());
    return record;
}

void EditSettings(CRegistry& record)
{
    record.width = 1024;
    record.height = 768;
    record.modeIndex = 2;
    record.bgmVolume = -3;
    record.commandFlags[7] = !record.commandFlags[7];
}

bool StartUpLikeTheTool()
{
    if (!CRegistry::CrateInstance())
        return false;
    CRegistry& record = *CRegistry::Instance();
    InitSettingNames();
    EnumerateDisplayDevices(DisplaySeam::Current(), AcceptAllDevices);
    ReadRegistry(record, RegistrySeam::Current());
    ReadSaveDataLines(record, FileSeam::Current());
    ApplySavedOptions(record, CLuaHost::Instance());
    return true;
}

ConfirmedSave SaveConfirmed()
{
    const CRegistry& record = *CRegistry::Instance();
    RemoveLeftoverSaves(FileSeam::Current());
    const long registry = WriteRegistry(record, RegistrySeam::Current());
    return ConfirmedSave{registry, SaveOptionFile(record, FileSeam::Current())};
}

void ShutDownLikeTheTool()
{
    CRegistry::DestroyInstance();
    ReleaseDisplayModes();
}
