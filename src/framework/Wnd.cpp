#include "framework/Wnd.h"

const CRuntimeClass CWnd::runtimeClass = {"CWnd", nullptr, &CCmdTarget::runtimeClass};

CWnd::~CWnd() = default;

const CRuntimeClass* CWnd::GetRuntimeClass() const
{
    return &runtimeClass;
}

BOOL CWnd::DestroyWindow()
{
    if (!m_hWnd)
        return FALSE;
    return ::DestroyWindow(m_hWnd);
}

int CWnd::MessageBox(const char* text, const char* caption, UINT type)
{
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
