#include "app/SetupApp.h"

#include <windows.h>

#include "framework/Afx.h"

CSetupApp::CSetupApp() = default;

CSetupApp::~CSetupApp() = default;

BOOL CSetupApp::InitInstance()
{
    if (!StartUp()) {
        AfxMessageBox("fail CRegistry::CrateInstance()", MB_OK, 0);
        return FALSE;
    }
    SaveIfConfirmed();
    return FALSE;
}

int CSetupApp::ExitInstance()
{
    ShutDown();
    return CWinApp::ExitInstance();
}

const AFX_MSGMAP* CSetupApp::GetMessageMap() const
{
    return CWinApp::GetMessageMap();
}
