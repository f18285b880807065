#include "app/SetupApp.h"

#include <windows.h>

#include <string>

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

// A failure the player must be told of: in the system's box, or where that
// cannot show (without comctl32, whose buttons the manifest gives it), in
// the tool's own.
void ShowError(const char* text)
{
    if (MessageBoxA(nullptr, text, "Kestrune Setup", MB_OK | MB_ICONERROR) <= 0)
        AfxPlainMessageBox("Kestrune Setup", text);
}

// The same for a text with paths, which may not fit the ANSI code page.
void ShowError(const std::wstring& text)
{
    if (MessageBoxW(nullptr, text.c_str(), L"Kestrune Setup", MB_OK | MB_ICONERROR) > 0)
        return;
    const int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string ansi(size > 0 ? static_cast<size_t>(size) : 1, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &ansi[0], size, nullptr, nullptr);
    AfxPlainMessageBox("Kestrune Setup", ansi.c_str());
}

}  // namespace

const char CSetupApp::kNoCommonControlsText[] =
    "Kestrune Setup cannot start: the Windows common controls (comctl32.dll) could not be loaded from the "
    "Windows folder.";
const char CSetupApp::kNoSheetText[] = "Kestrune Setup cannot start: its window could not be created.";

CSetupApp::CSetupApp() = default;

CSetupApp::~CSetupApp() = default;

const AFX_MSGMAP* CSetupApp::GetMessageMap() const
{
    return &kAppMap;
}

BOOL CSetupApp::InitInstance()
{
    const FolderSearch folder = EnterGameFolder(OwnFolder());
    if (!folder.found) {
        ShowError(NoGameFolderText(folder));
        exitCode = kExitNoGameFolder;
        return FALSE;
    }
    // Without the common controls there is no sheet: said before start-up
    // writes anything, rather than an exit that looks like success.
    if (!AfxGetCommonControls().PropertySheetA) {
        ShowError(kNoCommonControlsText);
        exitCode = kExitNoWindow;
        return FALSE;
    }
    if (!StartUp()) {
        AfxMessageBox("fail CRegistry::CrateInstance()", MB_OK, 0);
        exitCode = kExitNoStart;
        return FALSE;
    }
    SaveResult saved;
    {
        CSetupOption systemPage;
        CSetupCMD optionPage;
        CSetupSheet sheet("Kestrune Setup", nullptr, 0);
        sheet.AddPage(&systemPage);
        sheet.AddPage(&optionPage);
        sheet.m_psh.dwFlags |= PSH_NOAPPLYNOW;
        // Whether anything is saved depends on saveConfirmed alone.
        if (sheet.DoModal() == -1) {
            ShowError(kNoSheetText);
            exitCode = kExitNoWindow;
            return FALSE;
        }
        saved = SaveIfConfirmed();
    }
    ReportFailedSave(saved);
    return FALSE;
}

void CSetupApp::ReportFailedSave(const SaveResult& result)
{
    const std::string text = FailedSaveText(result);
    if (!text.empty())
        ShowError(text.c_str());
}

int CSetupApp::ExitInstance()
{
    ShutDown();
    const int framework = CWinApp::ExitInstance();
    if (exitCode)
        return exitCode;
    return AfxGetCallbackFailureCount() > 0 ? kExitWindowFault : framework;
}
