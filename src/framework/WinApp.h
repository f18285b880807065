// The application object and the Windows entry point that drives it.
#pragma once

#include <windows.h>

#include "framework/Object.h"

class CWinApp : public CCmdTarget {
public:
    explicit CWinApp(const char* appName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance();
    virtual int ExitInstance();

    // The standard handler of ID_HELP: opens the application's help file.
    void OnHelp();

    // Without a name from the constructor the executable's base name is used.
    const char* m_pszAppName;
};

CWinApp* AfxGetApp();
// True when the application's message map handles ID_HELP; sheets and pages
// then get the platform's Help button.
bool AfxHelpEnabled();
