// The eight registry-backed settings under HKEY_LOCAL_MACHINE.
#pragma once

#include "common/Outcome.h"

class CLuaHost;
class CRegistry;
class IRegistryApi;
struct StoredDevices;

constexpr const char* kSettingsKey = "Software\\Morvane Soft\\Kestrune";
constexpr const char* kSetupKey = "Software\\Morvane Soft\\VexilSetup";

// Puts the record to its defaults (from `host` and `devices`), then reads the
// stored values over them; stores the defaults when the settings key is
// missing. Creates kSetupKey.
void ReadRegistry(CRegistry& record, IRegistryApi& api, CLuaHost& host, const StoredDevices& devices);
// The values of the player's virtual copy of the settings key over the
// record's, those the real key is read for; a missing value changes nothing.
void ReadVirtualValues(CRegistry& record, IRegistryApi& virtualRegistry);
// Removes the virtual copies of the eight values the setup writes and no
// other. Missing when there is no copy of the key; failed with the first
// failure's code.
Outcome RemoveVirtualValues(IRegistryApi& virtualRegistry);
// Stores the eight values; a key that cannot be created stores nothing of
// its part. Failed with the code of the first store that failed.
Outcome WriteRegistry(const CRegistry& record, IRegistryApi& api);
