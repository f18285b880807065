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

// A string field stays a C string whatever was stored: a string stored
// without its NUL ends where its data ends, not in what the field held before.
void Terminate(char* field, long room, long taken)
{
    if (taken >= 0 && taken < room && !std::memchr(field, '\0', static_cast<size_t>(taken)))
        field[taken] = '\0';
    field[room - 1] = '\0';
}

// Keeps the first failure: that is the one the player is told about.
void Note(long& first, long result)
{
    if (first == kRegSuccess)
        first = result;
}

Outcome RegistryOutcome(long first, Outcome::Step step)
{
    return first == kRegSuccess ? Outcome::Done() : Outcome::Failed(static_cast<unsigned long>(first)).In(step);
}

// The eight values in the order they are stored. The settings key is opened
// twice, both to read and to write: once for the device's values, then again
// for the sound's (the game's own setup has always done so, and a reader of
// the key may see the first part written alone). Of the sound's, start-up
// reads back only SOUNDMODE.
struct StoredValue {
    const char* name;
    uint32_t type;
    uint32_t size;
    void* (*field)(CRegistry&);
    bool readBack;
    bool soundPart;
};

const StoredValue kStoredValues[] = {
    {"DEVICENAME", kRegSz, sizeof CRegistry::deviceName, [](CRegistry& r) -> void* { return r.deviceName; }, true, false},
    {"GUIDDEVICE", kRegBinary, sizeof(GUID), [](CRegistry& r) -> void* { return &r.deviceGuid; }, true, false},
    {"GUIDDRIVER", kRegBinary, sizeof(GUID), [](CRegistry& r) -> void* { return &r.driverGuid; }, true, false},
    {"SOUNDMODE", kRegDword, sizeof(int32_t), [](CRegistry& r) -> void* { return &r.soundMode; }, true, true},
    {"SPEAKERTYPE", kRegDword, sizeof(int32_t), [](CRegistry& r) -> void* { return &r.speakerType; }, false, true},
    {"DIGITALRATETYPE", kRegDword, sizeof(int32_t), [](CRegistry& r) -> void* { return &r.digitalRateType; }, false, true},
    {"DIGITALBITSTYPE", kRegDword, sizeof(int32_t), [](CRegistry& r) -> void* { return &r.digitalBitsType; }, false, true},
    {"PROVIDERNAME", kRegSz, sizeof CRegistry::providerName, [](CRegistry& r) -> void* { return r.providerName; }, false,
     true},
};

// The values read back at start-up, over the record's.
void ReadStoredValues(CRegistry& record, IRegistryApi& api)
{
    for (const bool soundPart : {false, true}) {
        RegKey key = 0;
        if (api.OpenKey(kSettingsKey, kKeyQueryValue, &key) != kRegSuccess)
            continue;
        for (const StoredValue& value : kStoredValues) {
            if (value.soundPart != soundPart || !value.readBack)
                continue;
            void* const field = value.field(record);
            const long taken = ReadInto(api, key, value.name, field, value.size);
            if (value.type == kRegSz)
                Terminate(static_cast<char*>(field), static_cast<long>(value.size), taken);
        }
        api.CloseKey(key);
    }
}

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

Outcome RemoveVirtualValues(IRegistryApi& virtualRegistry)
{
    RegKey key = 0;
    const long opened = virtualRegistry.OpenKey(kSettingsKey, kKeyQueryValue | kKeySetValue, &key);
    if (opened == kRegFileNotFound)
        return Outcome::Missing(static_cast<unsigned long>(opened));  // no virtual copy
    if (opened != kRegSuccess)
        return Outcome::Failed(static_cast<unsigned long>(opened)).In(Outcome::kRegistryRemove);
    long first = kRegSuccess;
    for (const StoredValue& value : kStoredValues) {
        const long removed = virtualRegistry.DeleteValue(key, value.name);
        if (removed != kRegFileNotFound)
            Note(first, removed);
    }
    virtualRegistry.CloseKey(key);
    return RegistryOutcome(first, Outcome::kRegistryRemove);
}

Outcome WriteRegistry(const CRegistry& record, IRegistryApi& api)
{
    // The table's fields are only read here.
    CRegistry& fields = const_cast<CRegistry&>(record);
    long first = kRegSuccess;
    for (const bool soundPart : {false, true}) {
        RegKey key = 0;
        const long created = api.CreateKey(kSettingsKey, kKeyAllAccess, &key);
        Note(first, created);
        if (created != kRegSuccess)
            continue;
        for (const StoredValue& value : kStoredValues)
            if (value.soundPart == soundPart)
                Note(first, api.SetValue(key, value.name, value.type, value.field(fields), value.size));
        api.CloseKey(key);
    }
    return RegistryOutcome(first, Outcome::kRegistryWrite);
}
