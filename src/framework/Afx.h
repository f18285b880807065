// Framework-wide helpers.
#pragma once

#include <windows.h>

// A modal message box owned by the active window, captioned with the
// application's name.
int AfxMessageBox(const char* text, UINT type = MB_OK, UINT helpId = 0);

HINSTANCE AfxGetInstanceHandle();
// The module that holds the resource: the program's own, which holds them all.
HINSTANCE AfxFindResourceHandle(LPCSTR name, LPCSTR type);

// Registers the common-control window classes the pages use (trackbar,
// tooltip, tab). Safe to call more than once.
void AfxInitCommonControls();

// Every callback Windows calls catches all exceptions, since none may unwind
// through the system's frames. Each one caught is counted here.
void AfxNoteCallbackFailure();
unsigned AfxGetCallbackFailureCount();
