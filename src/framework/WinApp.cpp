// The application object and the Windows entry point that drives it. They
// share one file so that linking the application object brings in WinMain.
#include "framework/WinApp.h"

#include <windows.h>

#include <cstring>

#include "framework/Afx.h"
#include "framework/MsgMap.h"

namespace {

CWinApp* g_app = nullptr;

// The framework takes the application's name from the executable's base name.
char g_appName[MAX_PATH];

const char* ModuleBaseName()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH - 1);
    const char* base = std::strrchr(path, '\\');
    base = base ? base + 1 : path;
    lstrcpynA(g_appName, base, MAX_PATH);
    if (char* dot = std::strrchr(g_appName, '.'))
        *dot = '\0';
    return g_appName;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    AfxRestrictLibrarySearch();
    CWinApp* app = AfxGetApp();
    if (!app)
        return -1;
    app->m_pszAppName = ModuleBaseName();
    AfxInitCommonControls();
    // No message loop unless InitInstance asks for one by returning TRUE.
    if (app->InitInstance()) {
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return app->ExitInstance();
}

CWinApp::CWinApp()
{
    g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this)
        g_app = nullptr;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::ExitInstance()
{
    return 0;
}

CWinApp* AfxGetApp()
{
    return g_app;
}

int AfxMessageBox(const char* text, UINT type, UINT /*helpId*/)
{
    const CWinApp* app = AfxGetApp();
    const char* caption = app && app->m_pszAppName ? app->m_pszAppName : "";
    return MessageBoxA(GetActiveWindow(), text, caption, type);
}

bool AfxHelpEnabled()
{
    const CWinApp* app = AfxGetApp();
    if (!app)
        return false;
    return AfxFindMessageEntry(app->GetMessageMap(), MsgKey{WM_COMMAND, CN_COMMAND, ID_HELP}) != nullptr;
}
