#include "settings/VirtualCopies.h"

#include <windows.h>

#include "system/SystemLibrary.h"

namespace {

// CSIDL values of shlobj.h.
constexpr int kLocalAppData = 0x1c;
constexpr int kCommonAppData = 0x23;  // ProgramData
constexpr int kWindows = 0x24;
constexpr int kProgramFiles = 0x26;
constexpr int kProgramFilesX86 = 0x2a;

std::wstring FolderPath(int csidl)
{
    typedef HRESULT(WINAPI * GetFolderPath)(HWND, int, HANDLE, DWORD, LPWSTR);
    static const GetFolderPath getFolderPath =
        LibraryFunction<GetFolderPath>(LoadSystemLibrary("shell32.dll"), "SHGetFolderPathW");
    wchar_t path[MAX_PATH] = {};
    if (!getFolderPath || getFolderPath(nullptr, csidl, nullptr, 0 /* SHGFP_TYPE_CURRENT */, path) != S_OK)
        return std::wstring();
    return path;
}

// A 32-bit program on 64-bit Windows is told the x86 program files folder
// for both; the 64-bit one is the system's own setting.
std::wstring NativeProgramFiles()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0,
                      KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return std::wstring();
    wchar_t path[MAX_PATH] = {};
    DWORD size = sizeof path - sizeof path[0];
    DWORD type = 0;
    const LONG rc = RegQueryValueExW(key, L"ProgramW6432Dir", nullptr, &type, reinterpret_cast<BYTE*>(path), &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ) ? std::wstring(path) : std::wstring();
}

}  // namespace

VirtualCopies VirtualCopies::Current()
{
    VirtualCopies copies;
    copies.registry = VirtualRegistry();
    // The folders Windows virtualizes a legacy program's writes in.
    const std::vector<std::wstring> protectedFolders = {FolderPath(kWindows), FolderPath(kProgramFiles),
                                                        FolderPath(kProgramFilesX86), NativeProgramFiles(),
                                                        FolderPath(kCommonAppData)};
    const std::wstring mirror = VirtualMirror(CurrentFolder(), protectedFolders);
    const std::wstring localAppData = FolderPath(kLocalAppData);
    if (!mirror.empty() && !localAppData.empty()) {
        copies.anchor = localAppData;
        copies.mirror = mirror;
    }
    return copies;
}
