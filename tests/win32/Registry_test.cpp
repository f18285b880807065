// The registry store against Wine's real registry: what advapi32 stores and
// hands back, where the native tests have the in-memory double.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "display/DeviceTable.h"
#include "script/LuaHost.h"
#include "settings/MemoryRegistry.h"
#include "settings/Registry.h"
#include "settings/RegistryStore.h"
#include "settings/SettingNames.h"
#include "support/RecordTest.h"
#include "support/SaveCheck.h"
#include "support/TempDir.h"

namespace {

struct RawValue {
    LONG result;
    DWORD type;
    std::string bytes;
};

RawValue Query(const char* subKey, const char* name)
{
    RawValue value{ERROR_FILE_NOT_FOUND, 0, {}};
    HKEY key;
    if ((value.result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, KEY_QUERY_VALUE, &key)) != ERROR_SUCCESS)
        return value;
    DWORD size = 0;
    value.result = RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size);
    if (value.result == ERROR_SUCCESS) {
        value.bytes.assign(size, '\0');
        value.result = RegQueryValueExA(key, name, nullptr, &value.type,
                                        reinterpret_cast<BYTE*>(&value.bytes[0]), &size);
        value.bytes.resize(size);
    }
    RegCloseKey(key);
    return value;
}

void Store(const char* name, DWORD type, const std::string& bytes)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                            static_cast<DWORD>(bytes.size())));
    RegCloseKey(key);
}

void DeleteKeys()
{
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kSettingsKey);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kSetupKey);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Morvane Soft");  // only when nothing else is in it
}

class RegistryTest : public RecordTest {
protected:
    void SetUp() override
    {
        DeleteKeys();
        RecordTest::SetUp();
    }

    void TearDown() override
    {
        RecordTest::TearDown();
        DeleteKeys();
    }

    TempGameDir dir;
};

TEST_F(RegistryTest, MissingKeyIsCreatedWithAllEightValues)
{
    // The layout itself is the store's, checked on the memory double: the
    // real registry must hold exactly what the store asked it to.
    MemoryRegistry asked;
    ReadRegistry(*record, asked, CLuaHost::Instance(), GetStoredDevices());
    ReadRegistry(*record, RegistrySeam::Current(), CLuaHost::Instance(), GetStoredDevices());
    ASSERT_EQ(8u, asked.SetCalls().size());
    for (const MemoryRegistry::SetCall& call : asked.SetCalls()) {
        const RawValue stored = Query(kSettingsKey, call.name.c_str());
        EXPECT_EQ(ERROR_SUCCESS, stored.result) << call.name;
        EXPECT_EQ(call.type, stored.type) << call.name;
        EXPECT_EQ(call.bytes, stored.bytes) << call.name;
    }

    HKEY setup;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSetupKey, 0, KEY_QUERY_VALUE, &setup));
    DWORD values = 99;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(setup, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                                              nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(0u, values) << "the setup key holds nothing";
    RegCloseKey(setup);
}

TEST_F(RegistryTest, StoredValuesAreReadBack)
{
    Store("DEVICENAME", REG_SZ, std::string(40, 'A'));
    Store("GUIDDEVICE", REG_BINARY, std::string(16, '\x42'));
    Store("GUIDDRIVER", REG_BINARY, std::string(17, '\x43'));
    record->SetDefaults(CLuaHost::Instance(), GetStoredDevices());
    const std::string defaultDriver = Bytes(&record->driverGuid, 16);
    const std::string defaultName = record->deviceName;
    // Some registries want room for a NUL they add to a REG_SZ; then the
    // field keeps its default like any value larger than its field.
    const bool fits = Query(kSettingsKey, "DEVICENAME").bytes.size() <= 40;
    ReadRegistry(*record, RegistrySeam::Current(), CLuaHost::Instance(), GetStoredDevices());
    EXPECT_EQ(fits ? std::string(39, 'A') : defaultName, record->deviceName) << "40 bytes without a NUL";
    EXPECT_EQ(std::string(16, '\x42'), Bytes(&record->deviceGuid, 16));
    EXPECT_EQ(defaultDriver, Bytes(&record->driverGuid, 16)) << "a value larger than its field";
}

}  // namespace
