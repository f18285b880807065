// The Windows entry point: the application object's start-up, then its exit.
#include <windows.h>

#include <cstring>

#include "framework/Afx.h"
#include "framework/WinApp.h"

namespace {

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

int AfxMessageBox(const char* text, UINT type, UINT /*helpId*/)
{
    CWinApp* app = AfxGetApp();
    const char* caption = app && app->m_pszAppName ? app->m_pszAppName : "";
    return MessageBoxA(GetActiveWindow(), text, caption, type);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return -1;
    if (!app->m_pszAppName)
        app->m_pszAppName = ModuleBaseName();
    // No message loop: the application does its work in InitInstance.
    if (app->InitInstance()) {
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return app->ExitInstance();
}
