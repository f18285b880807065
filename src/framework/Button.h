// Push buttons and check boxes.
#pragma once

#include "framework/Wnd.h"

class CButton : public CWnd {
public:
    // A child button of `parent`. The window belongs to the parent and goes
    // with it.
    BOOL Create(const char* caption, DWORD style, const RECT& rect, CWnd* parent, UINT id);

    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    // The state goes to the control unchanged (0 unchecked, 1 checked).
    void SetCheck(int state) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(state)); }
};
