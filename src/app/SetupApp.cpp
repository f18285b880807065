#include "app/SetupApp.h"

#include <windows.h>

#include "framework/Afx.h"
#include "framework/MsgMap.h"
#include "ui/SetupCMD.h"
#include "ui/SetupOption.h"
#include "ui/SetupSheet.h"

namespace {

// Not for help: routing ID_HELP is what makes the framework give the sheet a
// Help button, and CSetupSheet::OnInitDialog puts DEFAULT in that button's
// place. Without this entry DEFAULT would have no rectangle.
const AFX_MSGMAP_ENTRY kAppEntries[] = {
    OnCommandEntry<&CWinApp::OnHelp>(CN_COMMAND, ID_HELP),
};
const AFX_MSGMAP kAppMap = AfxMakeMessageMap(&CWinApp::messageMap, kAppEntries);

}  // namespace

CSetupApp::CSetupApp() = default;

CSetupApp::~CSetupApp() = default;

const AFX_MSGMAP* CSetupApp::GetMessageMap() const
{
    return &kAppMap;
}

BOOL CSetupApp::InitInstance()
{
    if (!StartUp()) {
        AfxMessageBox("fail CRegistry::CrateInstance()", MB_OK, 0);
        return FALSE;
    }
    {
        CSetupOption systemPage;
        CSetupCMD optionPage;
        CSetupSheet sheet("Kestrune Setup", nullptr, 0);
        sheet.AddPage(&systemPage);
        sheet.AddPage(&optionPage);
        sheet.m_psh.dwFlags |= PSH_NOAPPLYNOW;
        // Whether anything is saved depends on saveConfirmed alone.
        sheet.DoModal();
        SaveIfConfirmed();
    }
    ReportFailedSave();
    return FALSE;
}

int CSetupApp::ExitInstance()
{
    ShutDown();
    return CWinApp::ExitInstance();
}
