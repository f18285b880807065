#include "framework/Afx.h"

#include <commctrl.h>

#include "framework/WinApp.h"

namespace {
unsigned g_callbackFailures = 0;
}

int AfxMessageBox(const char* text, UINT type, UINT /*helpId*/)
{
    const CWinApp* app = AfxGetApp();
    const char* caption = app && app->m_pszAppName ? app->m_pszAppName : "";
    return MessageBoxA(GetActiveWindow(), text, caption, type);
}

HINSTANCE AfxGetInstanceHandle()
{
    return GetModuleHandleA(nullptr);
}

HINSTANCE AfxFindResourceHandle(LPCSTR /*name*/, LPCSTR /*type*/)
{
    // Everything is linked into the one module; there are no resource DLLs.
    return AfxGetInstanceHandle();
}

void AfxInitCommonControls()
{
    static bool done = false;
    if (done)
        return;
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES | ICC_TAB_CLASSES};
    done = InitCommonControlsEx(&controls) != FALSE;
}

void AfxNoteCallbackFailure()
{
    ++g_callbackFailures;
}

unsigned AfxGetCallbackFailureCount()
{
    return g_callbackFailures;
}
