// The registry store on the memory double: what start-up and the save store,
// in which order and size, and what stored values of any shape do to the record.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "display/DeviceTable.h"
#include "script/LuaHost.h"
#include "settings/MemoryRegistry.h"
#include "settings/Registry.h"
#include "settings/RegistryStore.h"
#include "settings/SettingNames.h"
#include "support/RecordTest.h"
#include "support/SaveCheck.h"
#include "support/ScriptedDisplay.h"
#include "support/TempDir.h"

namespace {

std::string Dword(uint32_t value)
{
    return Bytes(&value, sizeof value);
}

class RegistryStoreTest : public RecordTest {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(RecordTest::SetUp());
        source.drivers = {Primary({{640, 480, 16}}, {Hardware("Test HAL", 0x5A)})};
        EnumerateDisplayDevices(DisplaySeam::Current(), AcceptAllDevices);
    }

    TempGameDir dir;
    ScriptedDisplaySource source;
    ScopedDisplaySource displays{source};
    MemoryRegistry registry;
    RegistrySeam::Override scope{registry};
};

TEST_F(RegistryStoreTest, FirstStartStoresAllEightValuesInOrder)
{
    ReadRegistry(*record, registry, CLuaHost::Instance(), GetStoredDevices());
    const struct {
        const char* name;
        uint32_t type;
        std::string bytes;
    } expected[] = {
        {"DEVICENAME", kRegSz, std::string("Test HAL") + std::string(32, '\0')},
        {"GUIDDEVICE", kRegBinary, Bytes(&record->deviceGuid, 16)},
        {"GUIDDRIVER", kRegBinary, std::string(16, '\0')},
        {"SOUNDMODE", kRegDword, Dword(1)},
        {"SPEAKERTYPE", kRegDword, Dword(0)},
        {"DIGITALRATETYPE", kRegDword, Dword(0)},
        {"DIGITALBITSTYPE", kRegDword, Dword(0)},
        {"PROVIDERNAME", kRegSz, std::string("No Provider\0\0\0\0\0", 16)},
    };
    const auto& calls = registry.SetCalls();
    ASSERT_EQ(8u, calls.size());
    for (size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(kSettingsKey, calls[i].key);
        EXPECT_EQ(expected[i].name, calls[i].name);
        EXPECT_EQ(expected[i].type, calls[i].type) << expected[i].name;
        EXPECT_EQ(expected[i].bytes, calls[i].bytes) << expected[i].name;
    }
    EXPECT_EQ((std::vector<uint32_t>{kKeyAllAccess, kKeyQueryValue, kKeyAllAccess, kKeyAllAccess}),
              registry.AccessLog());
    EXPECT_TRUE(registry.HasKey(kSetupKey));
}

TEST_F(RegistryStoreTest, PresentKeyIsReadAndNothingIsStored)
{
    registry.AddKey(kSettingsKey);
    ReadRegistry(*record, registry, CLuaHost::Instance(), GetStoredDevices());
    EXPECT_TRUE(registry.SetCalls().empty());
    EXPECT_EQ((std::vector<uint32_t>{kKeyAllAccess, kKeyQueryValue, kKeyQueryValue, kKeyQueryValue}),
              registry.AccessLog());
    EXPECT_STREQ("Test HAL", record->deviceName);
    EXPECT_EQ(1, record->soundMode);
    EXPECT_STREQ("No Provider", record->providerName);

    registry.Put(kSettingsKey, "SOUNDMODE", kRegDword, Dword(0));
    ReadRegistry(*record, registry, CLuaHost::Instance(), GetStoredDevices());
    EXPECT_EQ(0, record->soundMode);
    EXPECT_STREQ("Test HAL", record->deviceName);
}

// Stored values of every shape: what fits is taken as it is, what does not
// leaves the default, and the name always stays a C string.
TEST_F(RegistryStoreTest, StoredValuesOfAnyShape)
{
    const std::string guid11(16, '\x11');
    const struct {
        const char* name;
        const char* value;
        uint32_t type;
        std::string bytes;
        std::function<void(const CRegistry&)> check;
    } cases[] = {
        {"name with its NUL", "DEVICENAME", kRegSz, std::string("Other card\0", 11),
         [](const CRegistry& r) { EXPECT_STREQ("Other card", r.deviceName); }},
        {"40 bytes without NUL", "DEVICENAME", kRegSz, std::string(40, 'A'),
         [](const CRegistry& r) { EXPECT_EQ(std::string(39, 'A'), r.deviceName); }},
        {"short name without NUL", "DEVICENAME", kRegSz, "abc",
         [](const CRegistry& r) { EXPECT_STREQ("abc", r.deviceName); }},
        {"empty name", "DEVICENAME", kRegSz, "", [](const CRegistry& r) { EXPECT_STREQ("", r.deviceName); }},
        {"name larger than the field", "DEVICENAME", kRegSz, std::string(41, 'B'),
         [](const CRegistry& r) { EXPECT_STREQ("Test HAL", r.deviceName); }},
        {"name of another type", "DEVICENAME", kRegBinary, std::string("xyz\0\0", 5),
         [](const CRegistry& r) { EXPECT_STREQ("xyz", r.deviceName); }},
        {"device GUID", "GUIDDEVICE", kRegBinary, guid11,
         [&](const CRegistry& r) { EXPECT_EQ(guid11, Bytes(&r.deviceGuid, 16)); }},
        {"GUID too short", "GUIDDRIVER", kRegSz, std::string(8, '\x22'),
         [](const CRegistry& r) {
             EXPECT_EQ(std::string(8, '\x22') + std::string(8, '\0'), Bytes(&r.driverGuid, 16));
         }},
        {"device GUID too large", "GUIDDEVICE", kRegBinary, std::string(17, '\x11'),
         [](const CRegistry& r) { EXPECT_EQ(std::string(16, '\x5A'), Bytes(&r.deviceGuid, 16)); }},
        {"device GUID too short", "GUIDDEVICE", kRegBinary, std::string(8, '\x33'),
         [](const CRegistry& r) {
             EXPECT_EQ(std::string(8, '\x33') + std::string(8, '\x5A'), Bytes(&r.deviceGuid, 16));
         }},
        {"sound mode as text", "SOUNDMODE", kRegSz, std::string("0\0", 2),
         [](const CRegistry& r) { EXPECT_EQ(0x30, r.soundMode); }},
        {"sound mode too large", "SOUNDMODE", kRegBinary, std::string(8, '\0'),
         [](const CRegistry& r) { EXPECT_EQ(1, r.soundMode); }},
        {"values never read back", "SPEAKERTYPE", kRegDword, Dword(7),
         [](const CRegistry& r) { EXPECT_EQ(0, r.speakerType); }},
        {"provider never read back", "PROVIDERNAME", kRegSz, std::string("Other\0", 6),
         [](const CRegistry& r) { EXPECT_STREQ("No Provider", r.providerName); }},
    };
    registry = MemoryRegistry();
    registry.AddKey(kSettingsKey);
    ReadRegistry(*record, registry, CLuaHost::Instance(), GetStoredDevices());
    const int32_t defaultSoundMode = record->soundMode;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        registry = MemoryRegistry();
        registry.Put(kSettingsKey, c.value, c.type, c.bytes);
        ReadRegistry(*record, registry, CLuaHost::Instance(), GetStoredDevices());
        c.check(*record);
        if (std::string(c.value) != "SOUNDMODE")
            EXPECT_EQ(defaultSoundMode, record->soundMode) << "a value read changed another field";
        EXPECT_NE(nullptr, std::memchr(record->deviceName, '\0', sizeof record->deviceName));
        EXPECT_TRUE(registry.SetCalls().empty());
    }
}

TEST_F(RegistryStoreTest, SaveStoresTheFixedSoundValuesWhateverWasThere)
{
    for (const char* name : {"SPEAKERTYPE", "DIGITALRATETYPE", "DIGITALBITSTYPE"})
        registry.Put(kSettingsKey, name, kRegDword, Dword(9));
    ReadRegistry(*record, registry, CLuaHost::Instance(), GetStoredDevices());
    record->soundMode = 0;
    EXPECT_TRUE(WriteRegistry(*CRegistry::Instance(), RegistrySeam::Current()));
    for (const char* name : {"SOUNDMODE", "SPEAKERTYPE", "DIGITALRATETYPE", "DIGITALBITSTYPE"})
        EXPECT_EQ(Dword(0), registry.Get(kSettingsKey, name)->bytes) << name;
}

TEST_F(RegistryStoreTest, UnusableKeysStopNothing)
{
    registry.Fail(MemoryRegistry::kCreate);
    ReadRegistry(*record, registry, CLuaHost::Instance(), GetStoredDevices());
    EXPECT_FALSE(registry.HasKey(kSetupKey));
    EXPECT_STREQ("Test HAL", record->deviceName);

    // A key that exists but cannot be opened is taken for missing and written.
    registry = MemoryRegistry();
    registry.AddKey(kSettingsKey);
    registry.Fail(MemoryRegistry::kOpen);
    ReadRegistry(*record, registry, CLuaHost::Instance(), GetStoredDevices());
    EXPECT_EQ(8u, registry.SetCalls().size());
}

}  // namespace
