#include "app/SetupApp.h"

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
        ::WriteRegistry(*record, RegistrySeam::Current());
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
        ::SaveOptionFile(*record, FileSeam::Current());
}
