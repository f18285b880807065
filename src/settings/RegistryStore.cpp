#include "settings/RegistryStore.h"

#include <cstring>

#include "display/DeviceTable.h"
#include "settings/Registry.h"
#include "settings/RegistryApi.h"

namespace {

// Reads a value over `field` only when it fits: on ERROR_MORE_DATA the store
// leaves its buffer undefined, so the field keeps what it held. Returns the
// number of bytes taken, or -1.
long ReadInto(IRegistryApi& api, RegKey key, const char* name, void* field, uint32_t size)
{
    unsigned char scratch[64];
    std::memcpy(scratch, field, size);
    uint32_t type = 0;
    uint32_t length = size;
    if (api.QueryValue(key, name, &type, scratch, &length) != kRegSuccess || length > size)
        return -1;
    std::memcpy(field, scratch, size);
    return static_cast<long>(length);
}

// The name field stays a C string whatever was stored: a name stored without
// its NUL ends where its data ends, not in what the field held before.
void TerminateDeviceName(CRegistry& record, long taken)
{
    char* name = record.deviceName;
    const long room = static_cast<long>(sizeof record.deviceName);
    if (taken >= 0 && taken < room && !std::memchr(name, '\0', static_cast<size_t>(taken)))
        name[taken] = '\0';
    name[room - 1] = '\0';
}

// Keeps the first failure: that is the one the player is told about.
void Note(long& first, long result)
{
    if (first == kRegSuccess)
        first = result;
}

// The values read back at start-up, over the record's.
void ReadStoredValues(CRegistry& record, IRegistryApi& api)
{
    RegKey key = 0;
    if (api.OpenKey(kSettingsKey, kKeyQueryValue, &key) == kRegSuccess) {
        TerminateDeviceName(record, ReadInto(api, key, "DEVICENAME", record.deviceName, sizeof record.deviceName));
        ReadInto(api, key, "GUIDDEVICE", &record.deviceGuid, sizeof record.deviceGuid);
        ReadInto(api, key, "GUIDDRIVER", &record.driverGuid, sizeof record.driverGuid);
        api.CloseKey(key);
    }
    if (api.OpenKey(kSettingsKey, kKeyQueryValue, &key) != kRegSuccess)
        return;
    ReadInto(api, key, "SOUNDMODE", &record.soundMode, sizeof record.soundMode);
    api.CloseKey(key);
}

// The values WriteRegistry stores; of a virtual copy, these are removed.
constexpr const char* kWrittenValues[] = {"DEVICENAME",      "GUIDDEVICE",      "GUIDDRIVER",   "SOUNDMODE",
                                          "SPEAKERTYPE",     "DIGITALRATETYPE", "DIGITALBITSTYPE", "PROVIDERNAME"};

}  // namespace

void ReadRegistry(CRegistry& record, IRegistryApi& api, CLuaHost& host, const StoredDevices& devices)
{
    record.SetDefaults(host, devices);

    RegKey key = 0;
    if (api.CreateKey(kSetupKey, kKeyAllAccess, &key) == kRegSuccess)
        api.CloseKey(key);

    if (api.OpenKey(kSettingsKey, kKeyQueryValue, &key) != kRegSuccess) {
        WriteRegistry(record, api);  // at start-up a failure stays silent
        return;
    }
    api.CloseKey(key);
    ReadStoredValues(record, api);
}

void ReadVirtualValues(CRegistry& record, IRegistryApi& virtualRegistry)
{
    ReadStoredValues(record, virtualRegistry);
}

long RemoveVirtualValues(IRegistryApi& virtualRegistry)
{
    RegKey key = 0;
    const long opened = virtualRegistry.OpenKey(kSettingsKey, kKeyQueryValue | kKeySetValue, &key);
    if (opened == kRegFileNotFound)
        return kRegSuccess;  // no virtual copy
    if (opened != kRegSuccess)
        return opened;
    long first = kRegSuccess;
    for (const char* name : kWrittenValues) {
        const long removed = virtualRegistry.DeleteValue(key, name);
        if (removed != kRegFileNotFound)
            Note(first, removed);
    }
    virtualRegistry.CloseKey(key);
    return first;
}

long WriteRegistry(const CRegistry& record, IRegistryApi& api)
{
    long first = kRegSuccess;
    RegKey key = 0;
    long created = api.CreateKey(kSettingsKey, kKeyAllAccess, &key);
    Note(first, created);
    if (created == kRegSuccess) {
        Note(first, api.SetValue(key, "DEVICENAME", kRegSz, record.deviceName, sizeof record.deviceName));
        Note(first, api.SetValue(key, "GUIDDEVICE", kRegBinary, &record.deviceGuid, sizeof record.deviceGuid));
        Note(first, api.SetValue(key, "GUIDDRIVER", kRegBinary, &record.driverGuid, sizeof record.driverGuid));
        api.CloseKey(key);
    }
    created = api.CreateKey(kSettingsKey, kKeyAllAccess, &key);
    Note(first, created);
    if (created != kRegSuccess)
        return first;
    Note(first, api.SetValue(key, "SOUNDMODE", kRegDword, &record.soundMode, sizeof record.soundMode));
    Note(first, api.SetValue(key, "SPEAKERTYPE", kRegDword, &record.speakerType, sizeof record.speakerType));
    Note(first, api.SetValue(key, "DIGITALRATETYPE", kRegDword, &record.digitalRateType, sizeof record.digitalRateType));
    Note(first, api.SetValue(key, "DIGITALBITSTYPE", kRegDword, &record.digitalBitsType, sizeof record.digitalBitsType));
    Note(first, api.SetValue(key, "PROVIDERNAME", kRegSz, record.providerName, sizeof record.providerName));
    api.CloseKey(key);
    return first;
}
