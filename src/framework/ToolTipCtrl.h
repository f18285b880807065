// Tooltips. Unlike the other controls, the tooltip object owns the window it
// creates and destroys it with itself.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "framework/Wnd.h"

class CToolTipCtrl : public CWnd {
public:
    CToolTipCtrl() = default;
    ~CToolTipCtrl() override;

    // A tooltip window owned by `parent`.
    BOOL Create(CWnd* parent);
    // Registers the window `tool` as a tool of its parent. The control copies
    // the text.
    BOOL AddTool(HWND tool, const char* text);
    // Lets the control see a mouse message meant for a tool.
    void RelayEvent(MSG* msg) { SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg)); }
};
