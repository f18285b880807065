#include <windows.h>

#include <cstring>
#include <memory>
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
    long KeyWritten(const char* subKey, uint64_t* time) override
    {
        HKEY handle = nullptr;
        std::string path;
        if (!Path(subKey, path))
            return ERROR_FILE_NOT_FOUND;
        LONG rc = RegOpenKeyExA(m_root, path.c_str(), 0, KEY_QUERY_VALUE | m_view, &handle);
        if (rc != ERROR_SUCCESS)
            return rc;
        FILETIME written = {};
        rc = RegQueryInfoKeyA(handle, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr, &written);
        RegCloseKey(handle);
        *time = (static_cast<uint64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime;
        return rc;
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


// "Software\..." below HKEY_LOCAL_MACHINE is "...\SOFTWARE\..." in a
// virtual store. A 32-bit program's writes go to WOW6432Node, as its HKLM
// writes do; the 64-bit view is asked for, where this key is one for both.
std::string VirtualStoreKey()
{
    static const bool wow64 = RunsUnderWow64();
    return wow64 ? "VirtualStore\\MACHINE\\SOFTWARE\\WOW6432Node\\" : "VirtualStore\\MACHINE\\SOFTWARE\\";
}

REGSAM VirtualStoreView()
{
    static const bool wow64 = RunsUnderWow64();
    return wow64 ? KEY_WOW64_64KEY : 0;
}

}  // namespace

bool RunsUnderWow64()
{
    typedef BOOL(WINAPI * IsWow64)(HANDLE, PBOOL);
    const IsWow64 isWow64 =
        reinterpret_cast<IsWow64>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
    BOOL wow64 = FALSE;
    return isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64;
}

template <>
IRegistryApi& RegistrySeam::Platform()
{
    static Win32Registry registry(HKEY_LOCAL_MACHINE, std::string(), 0);
    return registry;
}

IRegistryApi* VirtualRegistry()
{
    static Win32Registry registry(HKEY_CURRENT_USER, "Software\\Classes\\" + VirtualStoreKey(), VirtualStoreView());
    return &registry;
}

std::unique_ptr<IRegistryApi> RegistryBelow(const std::string& below, bool virtualCopy)
{
    if (virtualCopy)
        return std::make_unique<Win32Registry>(HKEY_CURRENT_USER, "Software\\Classes\\" + VirtualStoreKey() + below + "\\",
                                               VirtualStoreView());
    return std::make_unique<Win32Registry>(HKEY_LOCAL_MACHINE, "Software\\" + below + "\\", 0);
}

IRegistryApi* PlayerVirtualRegistry(const std::string& sid)
{
    static std::unique_ptr<Win32Registry> registry;
    registry.reset();
    if (sid.empty() || sid.find_first_not_of("S-0123456789") != std::string::npos)
        return nullptr;
    HKEY hive = nullptr;
    if (RegOpenKeyExA(HKEY_USERS, (sid + "_Classes").c_str(), 0, KEY_READ, &hive) != ERROR_SUCCESS)
        return nullptr;
    RegCloseKey(hive);
    registry.reset(new Win32Registry(HKEY_USERS, sid + "_Classes\\" + VirtualStoreKey(), VirtualStoreView()));
    return registry.get();
}
