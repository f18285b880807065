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

    // A tooltip window owned by `parent`, with WS_POPUP and `style`.
    BOOL Create(CWnd* parent, DWORD style = 0);
    // Registers `tool` as a tool identified by its window (id 0) or by `id`
    // within its parent with `rect`. The control copies the text.
    BOOL AddTool(HWND tool, const char* text, const RECT* rect = nullptr, UINT_PTR id = 0);
    // Lets the control see a mouse message meant for a tool.
    void RelayEvent(MSG* msg) { SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg)); }
};
