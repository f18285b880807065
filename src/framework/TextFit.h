// Pages are shown in the sheet's font, not the one their template was laid
// out in, so a caption may no longer fit its control. These widen such
// controls into free space.
#pragma once

#include <windows.h>

// Widens every visible text control of `dialog` whose caption does not fit to
// the right, as far as it needs and free space allows: never over a control
// to its right, never past its group box or the dialog.
void AfxWidenCutTexts(HWND dialog);
