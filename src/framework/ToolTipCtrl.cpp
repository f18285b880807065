#include "framework/ToolTipCtrl.h"

#include "framework/Afx.h"

CToolTipCtrl::~CToolTipCtrl()
{
    if (IsWindow())
        DestroyWindow();
}

BOOL CToolTipCtrl::Create(CWnd* parent)
{
    AfxInitCommonControls();
    HWND owner = parent ? parent->m_hWnd : nullptr;
    m_hWnd = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, AfxGetInstanceHandle(), nullptr);
    return m_hWnd != nullptr;
}

BOOL CToolTipCtrl::AddTool(HWND tool, const char* text)
{
    if (!tool)
        return FALSE;
    // The version-2 size is accepted by every comctl32 from 4.70 on.
    TTTOOLINFOA info = {};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.uFlags = TTF_IDISHWND;
    info.hwnd = ::GetParent(tool);
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    info.lpszText = const_cast<char*>(text ? text : "");
    return SendMessage(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)) != FALSE;
}
