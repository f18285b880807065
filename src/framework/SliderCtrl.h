// Trackbars.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "framework/Wnd.h"

class CSliderCtrl : public CWnd {
public:
    void SetRange(int minimum, int maximum, BOOL redraw = FALSE)
    {
        SendMessage(TBM_SETRANGE, redraw, MAKELPARAM(minimum, maximum));
    }
    // The control clamps the position to its range; nobody is notified.
    void SetPos(int position) { SendMessage(TBM_SETPOS, TRUE, position); }
    int GetPos() const { return static_cast<int>(SendMessage(TBM_GETPOS)); }
};
