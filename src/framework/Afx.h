// Framework-wide helpers.
#pragma once

#include <windows.h>

// A modal message box owned by the active window, captioned with the
// application's name.
int AfxMessageBox(const char* text, UINT type = MB_OK, UINT helpId = 0);
