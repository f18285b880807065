#include "app/SetupApp.h"

#include <windows.h>

#include "common/FileOps.h"
#include "display/DeviceTable.h"
#include "display/DisplaySource.h"
#include "script/LuaHost.h"
#include "settings/Registry.h"
#include "settings/RegistryApi.h"
#include "settings/RegistryStore.h"
#include "settings/SaveData.h"
#include "settings/SettingNames.h"
#include "ui/SetupOption.h"

bool CSetupApp::StartUp()
{
    if (!CRegistry::CrateInstance())
        return false;
    InitSettingNames();
    EnumerateDisplays();  // with no device the sheet still opens, with empty lists
    ReadRegistry();
    ReadSaveDataLines();
    ApplySavedOptions();
    return true;
}

void CSetupApp::SaveIfConfirmed()
{
    if (!saveConfirmed)
        return;
    // The option file's two steps frame the registry write.
    WritePreservedLines();
    WriteRegistry();
    AppendOptionLines();
}

void CSetupApp::ShutDown()
{
    CRegistry::DestroyInstance();
    ReleaseDisplayModes();
}

bool CSetupApp::EnumerateDisplays()
{
    return EnumerateDisplayDevices(DisplaySeam::Current(), AcceptAllDevices) >= 0;
}

// Without a settings record (CrateInstance failed) the steps do nothing.

void CSetupApp::ReadRegistry()
{
    if (CRegistry* record = CRegistry::Instance())
        ::ReadRegistry(*record, RegistrySeam::Current());
}

void CSetupApp::WriteRegistry()
{
    if (const CRegistry* record = CRegistry::Instance())
        registrySave = ::WriteRegistry(*record, RegistrySeam::Current());
}

void CSetupApp::ReadSaveDataLines()
{
    if (CRegistry* record = CRegistry::Instance())
        ::ReadSaveDataLines(*record, FileSeam::Current());
}

void CSetupApp::ApplySavedOptions()
{
    if (CRegistry* record = CRegistry::Instance())
        ::ApplySavedOptions(*record, CLuaHost::Instance());
}

// Runs RemoveLeftoverSaves.
void CSetupApp::WritePreservedLines()
{
    if (CRegistry::Instance())
        ::RemoveLeftoverSaves(FileSeam::Current());
}

// Runs SaveOptionFile.
void CSetupApp::AppendOptionLines()
{
    if (const CRegistry* record = CRegistry::Instance())
        optionFileSave = ::SaveOptionFile(*record, FileSeam::Current());
}

long CSetupApp::registrySave = kRegSuccess;
SaveOutcome CSetupApp::optionFileSave;

namespace {

// The system's words for `code`, in the player's language.
std::string SystemText(unsigned long code)
{
    char* system = nullptr;
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<char*>(&system), 0, nullptr);
    std::string text = length > 0 ? std::string(system, length) : "error " + std::to_string(code);
    LocalFree(system);
    text.erase(text.find_last_not_of("\r\n ") + 1);
    return text;
}

}  // namespace

std::string CSetupApp::FailedSaveText(long registryCode, const SaveOutcome& optionFile)
{
    std::string failed;
    if (registryCode != kRegSuccess)
        failed += std::string("\nHKEY_LOCAL_MACHINE\\") + kSettingsKey + ": " + SystemText(registryCode);
    // A file left alone because start-up could not read it, or refused as a
    // link out of the game folder, is the tool keeping it safe, not a fault.
    if (optionFile.kind == SaveOutcome::kFailed)
        failed += "\n" + std::string(kOptionFilePath) + ": " + SystemText(optionFile.code);
    return failed.empty() ? failed : "The settings were not saved.\n" + failed;
}

void CSetupApp::ReportFailedSave()
{
    if (!saveConfirmed)
        return;
    const std::string text = FailedSaveText(registrySave, optionFileSave);
    if (!text.empty())
        MessageBoxA(nullptr, text.c_str(), "Kestrune Setup", MB_OK | MB_ICONERROR);
}
