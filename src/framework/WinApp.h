// The application object. Portable in its declaration so the start-up steps of
// CSetupApp build and run in the native tests; the Win32 parts (the entry point,
// message maps, Help routing) live in the framework's Win32 sources.
#pragma once

#include "common/WinTypes.h"

struct AFX_MSGMAP;

class CWinApp {
public:
    explicit CWinApp(const char* appName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual const AFX_MSGMAP* GetMessageMap() const;
    virtual BOOL InitInstance();
    virtual int ExitInstance();

    // Without a name from the constructor the executable's base name is used.
    const char* m_pszAppName;
};

CWinApp* AfxGetApp();
