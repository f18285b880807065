// Prints the exact bytes of the settings key, in the registry view of a tool
// of the given width (a 32-bit tool's HKLM\Software is Wow6432Node on 64-bit
// Windows). `reg export` cannot serve here: it rewrites strings that lack
// their terminating NUL.
//
//   regdump 32|64
//   key <path> present|absent
//   value <name> <type> <size> <hex bytes>
//   virtual <name> <type> <size> <hex bytes>   (the player's virtual copy of the key)
//
//   regdump acl <folder>
//   users-modify yes|no    (an entry lets the Users group modify it and what is made in it)
//   kept yes|no            (whether this system keeps such an entry at all: one set on a
//                           scratch folder reads back; Wine built without xattr keeps none)
//
//   regdump startin <folder> <exe>
//   short <name>           (the folder's 8.3 name, which <exe> is then started in, as an old
//                           shortcut's "Start in" holds it; exits with <exe>'s exit code)
#include <windows.h>
#include <aclapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/UsersAccess.h"

namespace {

const char kSettingsKey[] = "Software\\Morvane Soft\\Kestrune";
const char kSetupKey[] = "Software\\Morvane Soft\\VexilSetup";

void PrintHex(const BYTE* data, DWORD size)
{
    for (DWORD i = 0; i < size; ++i)
        std::printf("%02x", data[i]);
    if (size == 0)
        std::printf("-");
}

REGSAM g_view = 0;

bool KeyExists(const char* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE | g_view, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// Names come from the enumeration, bytes from RegQueryValueExA, so a value the
// tool should not have written shows up as well.
int DumpValues(HKEY key, const char* tag = "value")
{
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD nameLength = sizeof name;
        LONG rc = RegEnumValueA(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS)
            return 0;
        if (rc != ERROR_SUCCESS) {
            std::fprintf(stderr, "regdump: enumeration failed (%ld)\n", rc);
            return 1;
        }
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
            std::fprintf(stderr, "regdump: cannot size %s\n", name);
            return 1;
        }
        std::vector<BYTE> data(size + 1);
        DWORD got = size;
        if (RegQueryValueExA(key, name, nullptr, &type, data.data(), &got) != ERROR_SUCCESS) {
            std::fprintf(stderr, "regdump: cannot read %s\n", name);
            return 1;
        }
        std::printf("%s %s %lu %lu ", tag, name, static_cast<unsigned long>(type),
                    static_cast<unsigned long>(got));
        PrintHex(data.data(), got);
        std::printf("\n");
    }
}

}  // namespace

int StartIn(const char* folder, const char* exe)
{
    char shortName[MAX_PATH] = {};
    const DWORD length = GetShortPathNameA(folder, shortName, MAX_PATH);
    if (!length || length >= MAX_PATH)
        return 3;
    std::printf("short %s\n", shortName);
    std::fflush(stdout);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string command = std::string("\"") + exe + "\"";
    if (!CreateProcessA(exe, &command[0], nullptr, nullptr, FALSE, 0, nullptr, shortName, &startup, &process))
        return 4;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "startin")
        return StartIn(argv[2], argv[3]);
    if (argc == 3 && std::string(argv[1]) == "acl") {
        std::printf("users-modify %s\nkept %s\n", UsersMayModify(argv[2]) ? "yes" : "no",
                    SystemKeepsAccessLists() ? "yes" : "no");
        return 0;
    }
    const std::string width = argc == 2 ? argv[1] : "";
    if (width != "32" && width != "64") {
        std::fprintf(stderr, "usage: regdump 32|64\n");
        return 2;
    }
    g_view = width == "32" ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    int rc = 0;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ | g_view, &key) == ERROR_SUCCESS) {
        std::printf("key %s present\n", kSettingsKey);
        rc = DumpValues(key);
        RegCloseKey(key);
    } else {
        std::printf("key %s absent\n", kSettingsKey);
    }
    std::printf("key %s %s\n", kSetupKey, KeyExists(kSetupKey) ? "present" : "absent");
    // The check program's key of its own.
    std::printf("key Software\\KestruneSetupCheck %s\n", KeyExists("Software\\KestruneSetupCheck") ? "present" : "absent");
    // Where Windows puts a legacy program's writes to HKLM\Software: a
    // 32-bit one's under WOW6432Node.
    const std::string virtualKey = std::string("Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE\\") +
                                   (width == "32" ? "WOW6432Node\\" : "") + (kSettingsKey + 9);
    if (RegOpenKeyExA(HKEY_CURRENT_USER, virtualKey.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &key) == ERROR_SUCCESS) {
        if (rc == 0)
            rc = DumpValues(key, "virtual");
        RegCloseKey(key);
    }
    std::fflush(stdout);
    return rc;
}
