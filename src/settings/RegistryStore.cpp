#include "settings/RegistryStore.h"

#include <cstring>

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

void Store(IRegistryApi& api, RegKey key, const char* name, uint32_t type, const void* data, uint32_t size)
{
    api.SetValue(key, name, type, data, size);  // the last writer wins; nothing to report
}

}  // namespace

void ReadRegistry(CRegistry& record, IRegistryApi& api)
{
    record.SetDefaults();

    RegKey key = 0;
    if (api.CreateKey(kSetupKey, kKeyAllAccess, &key) == kRegSuccess)
        api.CloseKey(key);

    if (api.OpenKey(kSettingsKey, kKeyQueryValue, &key) != kRegSuccess) {
        WriteRegistry(record, api);
        return;
    }
    api.CloseKey(key);

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

void WriteRegistry(const CRegistry& record, IRegistryApi& api)
{
    RegKey key = 0;
    if (api.CreateKey(kSettingsKey, kKeyAllAccess, &key) == kRegSuccess) {
        Store(api, key, "DEVICENAME", kRegSz, record.deviceName, sizeof record.deviceName);
        Store(api, key, "GUIDDEVICE", kRegBinary, &record.deviceGuid, sizeof record.deviceGuid);
        Store(api, key, "GUIDDRIVER", kRegBinary, &record.driverGuid, sizeof record.driverGuid);
        api.CloseKey(key);
    }
    if (api.CreateKey(kSettingsKey, kKeyAllAccess, &key) != kRegSuccess)
        return;
    Store(api, key, "SOUNDMODE", kRegDword, &record.soundMode, sizeof record.soundMode);
    Store(api, key, "SPEAKERTYPE", kRegDword, &record.speakerType, sizeof record.speakerType);
    Store(api, key, "DIGITALRATETYPE", kRegDword, &record.digitalRateType, sizeof record.digitalRateType);
    Store(api, key, "DIGITALBITSTYPE", kRegDword, &record.digitalBitsType, sizeof record.digitalBitsType);
    Store(api, key, "PROVIDERNAME", kRegSz, record.providerName, sizeof record.providerName);
    api.CloseKey(key);
}
