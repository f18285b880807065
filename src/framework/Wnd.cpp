#include "framework/Wnd.h"

#include "framework/WinApp.h"

const CRuntimeClass CWnd::runtimeClass = {"CWnd", nullptr, &CCmdTarget::runtimeClass};

CWnd::~CWnd() = default;

const CRuntimeClass* CWnd::GetRuntimeClass() const
{
    return &runtimeClass;
}

BOOL CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint)
{
    return ::MoveWindow(m_hWnd, x, y, width, height, repaint);
}

BOOL CWnd::DestroyWindow()
{
    if (!m_hWnd)
        return FALSE;
    return ::DestroyWindow(m_hWnd);
}

int CWnd::MessageBox(const char* text, const char* caption, UINT type)
{
    if (!caption) {
        const CWinApp* app = AfxGetApp();
        caption = app && app->m_pszAppName ? app->m_pszAppName : "";
    }
    return ::MessageBoxA(m_hWnd, text, caption, type);
}

bool CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    MsgKey key;
    if (!AfxMessageKey(message, wParam, lParam, key))
        return false;
    const AFX_MSGMAP_ENTRY* entry = AfxFindMessageEntry(GetMessageMap(), key);
    if (!entry)
        return false;
    *result = entry->pfn(*this, MsgArgs{m_hWnd, message, wParam, lParam});
    return true;
}
