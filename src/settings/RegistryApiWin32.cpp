#include <windows.h>

#include <cstring>
#include <string>

#include "settings/RegistryApi.h"

namespace {

// The operations under `root`. With a `mirror`, a subkey "Software\X" is
// taken as "<mirror>X" and one outside "Software" does not exist.
class Win32Registry : public IRegistryApi {
public:
    Win32Registry(HKEY root, std::string mirror, REGSAM view) : m_root(root), m_mirror(std::move(mirror)), m_view(view) {}

    long CreateKey(const char* subKey, uint32_t access, RegKey* key) override
    {
        HKEY handle = nullptr;
        std::string path;
        if (!Path(subKey, path))
            return ERROR_FILE_NOT_FOUND;
        const LONG rc = RegCreateKeyExA(m_root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        access | m_view, nullptr, &handle, nullptr);
        *key = reinterpret_cast<RegKey>(handle);
        return rc;
    }
    long OpenKey(const char* subKey, uint32_t access, RegKey* key) override
    {
        HKEY handle = nullptr;
        std::string path;
        if (!Path(subKey, path))
            return ERROR_FILE_NOT_FOUND;
        const LONG rc = RegOpenKeyExA(m_root, path.c_str(), 0, access | m_view, &handle);
        *key = reinterpret_cast<RegKey>(handle);
        return rc;
    }
    long QueryValue(RegKey key, const char* name, uint32_t* type, void* data, uint32_t* size) override
    {
        DWORD t = 0;
        DWORD s = *size;
        const LONG rc = RegQueryValueExA(reinterpret_cast<HKEY>(key), name, nullptr, &t,
                                         static_cast<BYTE*>(data), &s);
        if (type)
            *type = t;
        *size = s;
        return rc;
    }
    long SetValue(RegKey key, const char* name, uint32_t type, const void* data, uint32_t size) override
    {
        return RegSetValueExA(reinterpret_cast<HKEY>(key), name, 0, type, static_cast<const BYTE*>(data), size);
    }
    long DeleteValue(RegKey key, const char* name) override
    {
        return RegDeleteValueA(reinterpret_cast<HKEY>(key), name);
    }
    long CloseKey(RegKey key) override
    {
        return RegCloseKey(reinterpret_cast<HKEY>(key));
    }

private:
    bool Path(const char* subKey, std::string& path) const
    {
        static const char kSoftware[] = "Software\\";
        const size_t length = sizeof kSoftware - 1;
        if (m_mirror.empty()) {
            path = subKey;
            return true;
        }
        if (std::strlen(subKey) < length || CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, subKey,
                                                            static_cast<int>(length), kSoftware,
                                                            static_cast<int>(length)) != CSTR_EQUAL)
            return false;
        path = m_mirror + (subKey + length);
        return true;
    }

    HKEY m_root;
    std::string m_mirror;
    REGSAM m_view;
};

bool RunsUnderWow64()
{
    typedef BOOL(WINAPI * IsWow64)(HANDLE, PBOOL);
    const IsWow64 isWow64 =
        reinterpret_cast<IsWow64>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
    BOOL wow64 = FALSE;
    return isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64;
}

}  // namespace

template <>
IRegistryApi& RegistrySeam::Platform()
{
    static Win32Registry registry(HKEY_LOCAL_MACHINE, std::string(), 0);
    return registry;
}

IRegistryApi* VirtualRegistry()
{
    // "Software\..." below HKEY_LOCAL_MACHINE is "...\SOFTWARE\..." here. A
    // 32-bit program's writes go to WOW6432Node, as its HKLM writes do; the
    // 64-bit view is asked for, where this key is one for both.
    static const bool wow64 = RunsUnderWow64();
    static Win32Registry registry(HKEY_CURRENT_USER,
                                  wow64 ? "Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE\\WOW6432Node\\"
                                        : "Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE\\",
                                  wow64 ? KEY_WOW64_64KEY : 0);
    return &registry;
}
