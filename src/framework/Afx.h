// Framework-wide helpers.
#pragma once

#include <windows.h>
#include <commctrl.h>

// A modal message box owned by the active window, captioned with the
// application's name.
int AfxMessageBox(const char* text, UINT type = MB_OK, UINT helpId = 0);

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
    BOOL(WINAPI* InitCommonControlsEx)(const INITCOMMONCONTROLSEX*);
    INT_PTR(WINAPI* PropertySheetA)(LPCPROPSHEETHEADERA);
    BOOL(WINAPI* SetWindowSubclass)(HWND, SUBCLASSPROC, UINT_PTR, DWORD_PTR);
    BOOL(WINAPI* RemoveWindowSubclass)(HWND, SUBCLASSPROC, UINT_PTR);
    LRESULT(WINAPI* DefSubclassProc)(HWND, UINT, WPARAM, LPARAM);
};
const AfxCommonControls& AfxGetCommonControls();

// Registers the common-control window classes the pages use (trackbar,
// tooltip, tab). Safe to call more than once.
void AfxInitCommonControls();

// Every callback Windows calls catches all exceptions, since none may unwind
// through the system's frames. Each one caught is counted here.
void AfxNoteCallbackFailure();
unsigned AfxGetCallbackFailureCount();
