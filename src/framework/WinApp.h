// The application object and the Windows entry point that drives it.
#pragma once

#include <windows.h>

#include "framework/Object.h"

class CWinApp : public CCmdTarget {
public:
    CWinApp();
    ~CWinApp() override;

    virtual BOOL InitInstance();
    virtual int ExitInstance();

    // The standard handler of ID_HELP. An application routes ID_HELP to it
    // so that sheets and pages get the platform's Help button; none of this
    // program's windows keeps that button, so there is no help to open.
    void OnHelp() {}

    // The executable's base name, set before InitInstance.
    const char* m_pszAppName = nullptr;
};

CWinApp* AfxGetApp();
// A modal message box owned by the active window, captioned with the
// application's name.
int AfxMessageBox(const char* text, UINT type = MB_OK, UINT helpId = 0);
// True when the application's message map handles ID_HELP; sheets and pages
// then get the platform's Help button.
bool AfxHelpEnabled();
