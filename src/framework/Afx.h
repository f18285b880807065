// Framework-wide helpers.
#pragma once

#include <windows.h>
#include <commctrl.h>

// A box with one OK button that needs no common controls, for when the
// system's box cannot be shown; returns when it is closed.
void AfxPlainMessageBox(const char* caption, const char* text);

HINSTANCE AfxGetInstanceHandle();
// The module that holds the resource: the program's own, which holds them all.
HINSTANCE AfxFindResourceHandle(LPCSTR name, LPCSTR type);

// Limits every later library load of the process, its own and those the
// system's libraries make by name, to the system folder. The game folder,
// which holds the executable, is writable by players: a DLL planted there
// would run with the tool's administrator rights.
void AfxRestrictLibrarySearch();
// A library from the system folder only; null when it is not there.
HMODULE AfxLoadSystemLibrary(const char* name);

// The common controls, loaded at run time from the system folder (the
// manifest still selects version 6). Every entry is null when that failed.
struct AfxCommonControls {
    // The SDK's own types, calling convention included.
    decltype(&::InitCommonControlsEx) InitCommonControlsEx;
    decltype(&::PropertySheetA) PropertySheetA;
    decltype(&::SetWindowSubclass) SetWindowSubclass;
    decltype(&::RemoveWindowSubclass) RemoveWindowSubclass;
    decltype(&::DefSubclassProc) DefSubclassProc;
};
const AfxCommonControls& AfxGetCommonControls();

// Registers the common-control window classes the pages use (trackbar,
// tooltip, tab). Safe to call more than once.
void AfxInitCommonControls();

// Every callback Windows calls catches all exceptions, since none may unwind
// through the system's frames. Each one caught is counted here, so the
// application can end with an exit code that says a window went wrong.
void AfxNoteCallbackFailure();
unsigned AfxGetCallbackFailureCount();
