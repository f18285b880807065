#include "app/SetupApp.h"

#include "display/DeviceTable.h"
#include "settings/Registry.h"
#include "settings/SettingNames.h"

bool saveConfirmed = false;

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
    // The append opens without truncating, so the kept lines must come first.
    WritePreservedLines();
    WriteRegistry();
    AppendOptionLines();
}

void CSetupApp::ShutDown()
{
    CRegistry::DestroyInstance();
    ReleaseDisplayModes();
}
