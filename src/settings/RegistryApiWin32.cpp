#include <windows.h>

#include "settings/RegistryApi.h"

namespace {

class Win32Registry : public IRegistryApi {
public:
    long CreateKey(const char* subKey, uint32_t access, RegKey* key) override
    {
        HKEY handle = nullptr;
        const LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        access, nullptr, &handle, nullptr);
        *key = reinterpret_cast<RegKey>(handle);
        return rc;
    }
    long OpenKey(const char* subKey, uint32_t access, RegKey* key) override
    {
        HKEY handle = nullptr;
        const LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, access, &handle);
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
    long CloseKey(RegKey key) override
    {
        return RegCloseKey(reinterpret_cast<HKEY>(key));
    }
};

}  // namespace

template <>
IRegistryApi& RegistrySeam::Platform()
{
    static Win32Registry registry;
    return registry;
}
