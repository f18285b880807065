#include "app/SetupApp.h"

#include "settings/Registry.h"
#include "ui/SetupOption.h"

bool CSetupApp::StartUp()
{
    return ::StartUp(SetupParts::Current()) != nullptr;
}

SaveResult CSetupApp::SaveIfConfirmed()
{
    const CRegistry* record = CRegistry::Instance();
    return saveConfirmed && record ? SaveConfirmed(*record, SetupParts::Current()) : SaveResult();
}

void CSetupApp::ShutDown()
{
    ::ShutDown();
}
