// The registry operations the store uses, under HKEY_LOCAL_MACHINE, with
// Win32 return codes. Win32 binds them to advapi32; tests and the native build
// use the in-memory store.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "common/Seam.h"

typedef uintptr_t RegKey;

constexpr long kRegSuccess = 0;           // ERROR_SUCCESS
constexpr long kRegFileNotFound = 2;      // ERROR_FILE_NOT_FOUND
constexpr long kRegAccessDenied = 5;      // ERROR_ACCESS_DENIED
constexpr long kRegMoreData = 234;        // ERROR_MORE_DATA
constexpr uint32_t kRegSz = 1;            // REG_SZ
constexpr uint32_t kRegBinary = 3;        // REG_BINARY
constexpr uint32_t kRegDword = 4;         // REG_DWORD
constexpr uint32_t kKeyAllAccess = 0xF003F;
constexpr uint32_t kKeyQueryValue = 1;
constexpr uint32_t kKeySetValue = 2;

class IRegistryApi {
public:
    virtual ~IRegistryApi() = default;
    // RegCreateKeyExA(HKLM, subKey, 0, no class, REG_OPTION_NON_VOLATILE, access, no security, key, no disposition)
    virtual long CreateKey(const char* subKey, uint32_t access, RegKey* key) = 0;
    // RegOpenKeyExA(HKLM, subKey, 0, access, key)
    virtual long OpenKey(const char* subKey, uint32_t access, RegKey* key) = 0;
    // RegQueryValueExA: copies at most *size bytes; *size becomes the value's size.
    virtual long QueryValue(RegKey key, const char* name, uint32_t* type, void* data, uint32_t* size) = 0;
    virtual long SetValue(RegKey key, const char* name, uint32_t type, const void* data, uint32_t size) = 0;
    // RegDeleteValueA; ERROR_FILE_NOT_FOUND when there is no such value.
    virtual long DeleteValue(RegKey key, const char* name) = 0;
    virtual long CloseKey(RegKey key) = 0;
    // When `subKey` was last written (RegQueryInfoKey's time, 100 ns units):
    // the game's virtual copy is what it reads only when it is the newer.
    virtual long KeyWritten(const char* subKey, uint64_t* time) = 0;
};

// advapi32 on Windows; elsewhere an in-memory store that lives as long as the process.
using RegistrySeam = Seam<IRegistryApi>;
template <>
IRegistryApi& RegistrySeam::Platform();

// The same operations on this user's virtual copy of HKEY_LOCAL_MACHINE\Software:
// HKEY_CURRENT_USER\Software\Classes\VirtualStore\MACHINE\SOFTWARE (under
// WOW6432Node for a 32-bit program on 64-bit Windows), where Windows puts
// what a legacy program without elevation writes there, and which such a
// program reads first. Subkeys are named as under HKEY_LOCAL_MACHINE. Null
// where there is no registry.
IRegistryApi* VirtualRegistry();
// The same for another player, signed in with the security identifier `sid`
// ("S-1-5-21-..."): HKEY_USERS\<sid>_Classes\VirtualStore\MACHINE\SOFTWARE,
// the player's classes hive, loaded while the player is signed in. Null when
// it is not loaded or cannot be opened. Valid until the next call.
IRegistryApi* PlayerVirtualRegistry(const std::string& sid);
// The operations with every "Software\X" taken as "Software\<below>\X", in
// HKEY_LOCAL_MACHINE or, with `virtualCopy`, in this user's virtual copy of
// it: keys of the check program's own, which the game never reads. Null
// where there is no registry.
std::unique_ptr<IRegistryApi> RegistryBelow(const std::string& below, bool virtualCopy);

#ifdef _WIN32
// A 32-bit process on 64-bit Windows, whose HKLM\Software writes go to WOW6432Node.
bool RunsUnderWow64();
#endif
