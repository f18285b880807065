// Drop-down lists.
#pragma once

#include <string>

#include "framework/Wnd.h"

class CComboBox : public CWnd {
public:
    void ResetContent() { SendMessage(CB_RESETCONTENT); }
    // The new line's index; CB_ERR or CB_ERRSPACE on failure.
    int AddString(const char* text) { return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text))); }
    // CB_ERR, and no selection, for an index outside the list (also -1).
    int SetCurSel(int index) { return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index))); }
    // CB_ERR when nothing is selected.
    int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
    // The text of a line; empty for an index outside the list.
    std::string GetLBText(int index) const;
    // Makes the open list at least as wide as its widest line, so a line
    // longer than the box can still be read whole.
    void FitDroppedWidth();
};
