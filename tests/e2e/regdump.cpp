// Prints the exact bytes of the settings key, in the registry view of a tool
// of the given width (a 32-bit tool's HKLM\Software is Wow6432Node on 64-bit
// Windows). `reg export` cannot serve here: it rewrites strings that lack
// their terminating NUL.
//
//   regdump 32|64
//   key <path> present|absent
//   value <name> <type> <size> <hex bytes>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

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
int DumpValues(HKEY key)
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
        std::printf("value %s %lu %lu ", name, static_cast<unsigned long>(type),
                    static_cast<unsigned long>(got));
        PrintHex(data.data(), got);
        std::printf("\n");
    }
}

}  // namespace

int main(int argc, char** argv)
{
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
    std::fflush(stdout);
    return rc;
}
