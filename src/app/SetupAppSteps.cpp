#include "app/SetupApp.h"

#include <windows.h>

#include <string>

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

void CSetupApp::ReportFailedSave(const SaveResult& result)
{
    const std::string text = FailedSaveText(result);
    if (!text.empty())
        MessageBoxA(nullptr, text.c_str(), "Kestrune Setup", MB_OK | MB_ICONERROR);
}

void CSetupApp::ShutDown()
{
    ::ShutDown();
}
