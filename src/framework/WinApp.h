// The application object. Portable in its declaration so the start-up steps of
// CSetupApp build and run in the native tests; the Win32 parts (the entry point,
// message maps, Help routing) live in the framework's Win32 sources.
#pragma once

#include "common/WinTypes.h"
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
