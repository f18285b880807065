#include "framework/Button.h"

#include "framework/Afx.h"

BOOL CButton::Create(const char* caption, DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    m_hWnd = CreateWindowExA(0, "BUTTON", caption, style, rect.left, rect.top, rect.right - rect.left,
                             rect.bottom - rect.top, parent ? parent->m_hWnd : nullptr,
                             reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), AfxGetInstanceHandle(),
                             nullptr);
    return m_hWnd != nullptr;
}
