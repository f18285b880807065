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

    // The standard handler of ID_HELP: opens the application's help file.
    void OnHelp();

    // The executable's base name, set before InitInstance.
    const char* m_pszAppName = nullptr;
};

CWinApp* AfxGetApp();
// True when the application's message map handles ID_HELP; sheets and pages
// then get the platform's Help button.
bool AfxHelpEnabled();
