// Libraries from the system folder only (Windows builds). The game folder,
// which holds the executable, is writable by players: a DLL planted there
// would run with the tool's administrator rights.
#pragma once

#include <windows.h>

// Limits every later library load of the process, its own and those the
// system's libraries make by name, to the system folder, with the secure
// search functions `kernel` exports (kernel32's own, in the tool). Where it
// lacks them (XP, Vista, 7 without KB2533623) the system's libraries that
// load others by name get those loaded from the system folder first, and
// LoadSystemLibrary takes full paths. True when the secure search is on.
bool RestrictLibrarySearch(HMODULE kernel);

// `name` from the system folder, or null: by the secure search where it is
// on, else by its full path. A module that turns out to live outside the
// Windows folder is let go again.
HMODULE LoadSystemLibrary(const char* name);

// comctl32 by name, so that the manifest's activation context still selects
// version 6 from the side-by-side store; null when what loaded is not the
// Windows folder's own.
HMODULE LoadCommonControlsLibrary();

// `name` from an already loaded `library` as the function type it has, so the
// calling convention stays in the type; null when either is missing.
template <typename Function>
Function LibraryFunction(HMODULE library, const char* name)
{
    return library ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name))) : nullptr;
}
