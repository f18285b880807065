#include "system/SystemLibrary.h"

#include <cstring>
#include <string>

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace {

bool g_secureSearch = false;

std::string Lower(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// The folder with its trailing backslash, lower case; empty when unknown.
std::string Folder(UINT(WINAPI* get)(LPSTR, UINT))
{
    char path[MAX_PATH] = {};
    const UINT length = get(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::string();
    std::string folder(path, length);
    if (folder.back() != '\\')
        folder += '\\';
    return Lower(folder);
}

// The system folder and the side-by-side store both lie in the Windows folder.
bool FromWindowsFolder(HMODULE module)
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    const std::string windows = Folder(GetWindowsDirectoryA);
    return length > 0 && length < MAX_PATH && !windows.empty() && Lower(std::string(path, length)).rfind(windows, 0) == 0;
}

HMODULE Checked(HMODULE module)
{
    if (module && !FromWindowsFolder(module)) {
        FreeLibrary(module);
        return nullptr;
    }
    return module;
}

// Libraries that the system's own load by name, or import, where no secure
// search keeps the executable's folder out: comctl32's uxtheme, msimg32 and
// dwmapi, ddraw's d3dim700, Direct3D's setupapi. Once loaded, a load by name
// finds the loaded copy before any folder.
const char* const kLoadedByName[] = {"uxtheme.dll", "msimg32.dll", "dwmapi.dll", "d3dim700.dll", "setupapi.dll"};

}  // namespace

bool RestrictLibrarySearch(HMODULE kernel)
{
    // Looked up, not imported, so the executable still starts where they are
    // missing.
    const auto setDefault = LibraryFunction<BOOL(WINAPI*)(DWORD)>(kernel, "SetDefaultDllDirectories");
    const auto setDirectory = LibraryFunction<BOOL(WINAPI*)(LPCSTR)>(kernel, "SetDllDirectoryA");
    g_secureSearch = setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Takes the current directory, the game folder too, out of the search.
    if (setDirectory)
        setDirectory("");
    if (!g_secureSearch) {
        for (const char* name : kLoadedByName)
            LoadSystemLibrary(name);
    }
    return g_secureSearch;
}

HMODULE LoadSystemLibrary(const char* name)
{
    if (g_secureSearch)
        return Checked(LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    // XP ignores the unknown flag and searches the executable's folder
    // first; Vista and 7 refuse it. A full path searches nothing.
    const std::string system = Folder(GetSystemDirectoryA);
    if (system.empty() || system.size() + std::strlen(name) >= MAX_PATH)
        return nullptr;
    return Checked(LoadLibraryExA((system + name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

HMODULE LoadCommonControlsLibrary()
{
    return Checked(g_secureSearch ? LoadLibraryExA("comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)
                                  : LoadLibraryA("comctl32.dll"));
}
