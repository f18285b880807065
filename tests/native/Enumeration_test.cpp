#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "display/DeviceTable.h"
#include "support/SaveCheck.h"
#include "support/ScriptedDisplay.h"

namespace {

const GUID kZeroGuid{};

std::vector<ScriptedMode> StoredModes(const DeviceEntry& entry)
{
    std::vector<ScriptedMode> modes;
    for (uint32_t i = 0; i < entry.modeCount; ++i)
        modes.push_back({entry.modes[i].dwWidth, entry.modes[i].dwHeight,
                         entry.modes[i].ddpfPixelFormat.dwRGBBitCount});
    return modes;
}

const std::vector<ScriptedMode> kBasicModes = {{640, 480, 16}, {800, 600, 16}};

class EnumerationTest : public ::testing::Test {
protected:
    int32_t Run(DeviceAcceptFn accept = AcceptAllDevices)
    {
        const int32_t status = EnumerateDisplayDevices(DisplaySeam::Current(), accept);
        EXPECT_EQ(source.opened, source.closed) << "every opened driver is closed";
        return status;
    }

    const DeviceEntry& Entry(uint32_t index) const { return GetDeviceTable()[index]; }

    ScriptedDisplaySource source;
    ScopedDisplaySource scope{source};
};

TEST_F(EnumerationTest, PrimarySoftwareDeviceIsStoredButNotUsable)
{
    source.drivers = {Primary(kBasicModes, {Software("RGB Emulation", 1), Hardware("Direct3D HAL", 2)})};
    ASSERT_EQ(Run(), 0);
    ASSERT_EQ(GetStoredDeviceCount(), 2u);

    const DeviceEntry& soft = Entry(0);
    EXPECT_STREQ(soft.name, "RGB Emulation");
    EXPECT_EQ(soft.hardware, 0u);

    const DeviceEntry& hard = Entry(1);
    EXPECT_STREQ(hard.name, "Direct3D HAL");
    EXPECT_EQ(hard.hardware, kHardwareDevice) << "the masked bit itself";
    EXPECT_EQ(hard.deviceDesc.dwDevCaps, kHardwareDevice | 0x1u);
    EXPECT_EQ(hard.modeCount, 2u);
}

TEST_F(EnumerationTest, SecondaryDriverGivesHardwareDevicesUnderItsDescription)
{
    source.drivers = {
        Primary(kBasicModes, {Hardware("Direct3D HAL", 1)}),
        Secondary(0x42, "Second Adapter", kBasicModes,
                  {Software("RGB Emulation", 2), Hardware("HAL A", 3), Hardware("HAL B", 4)}),
    };
    ASSERT_EQ(Run(), 0);
    EXPECT_EQ(source.devicesReported, 4u);
    ASSERT_EQ(GetStoredDeviceCount(), 3u);
    EXPECT_STREQ(Entry(0).name, "Direct3D HAL");
    for (uint32_t i : {1u, 2u}) {
        const DeviceEntry& entry = Entry(i);
        EXPECT_STREQ(entry.name, "Second Adapter");
        EXPECT_NE(entry.hardware, 0u);
        EXPECT_EQ(entry.hasDriverGuid, 1u);
        EXPECT_TRUE(SameGuid(entry.driverGuid, MakeGuid(0x42)));
        // The driver's caps travel with each device.
        EXPECT_EQ(entry.driverCaps.dwSize, 380u);
        EXPECT_EQ(reinterpret_cast<const unsigned char*>(&entry.driverCaps)[4], 0x42);
        EXPECT_EQ(reinterpret_cast<const unsigned char*>(&entry.helCaps)[4], 0x43);
    }
    EXPECT_TRUE(SameGuid(Entry(1).deviceGuid, MakeGuid(3)));
    EXPECT_TRUE(SameGuid(Entry(2).deviceGuid, MakeGuid(4)));
    EXPECT_EQ(source.capsSizeSeen[0], 380u);
    EXPECT_EQ(source.capsSizeSeen[1], 380u);
}

TEST_F(EnumerationTest, NamesAreCutAt38Characters)
{
    const std::string longName(60, 'd');
    const std::string longDescription(60, 'a');
    source.drivers = {
        Primary(kBasicModes, {Hardware(longName, 1), Hardware("", 2)}),
        Secondary(7, longDescription, kBasicModes, {Hardware("ignored", 3)}),
    };
    ASSERT_EQ(Run(), 0);
    ASSERT_EQ(GetStoredDeviceCount(), 3u);
    EXPECT_EQ(std::string(Entry(0).name), longName.substr(0, 38));
    EXPECT_STREQ(Entry(1).name, "");
    EXPECT_EQ(std::string(Entry(2).name), longDescription.substr(0, 38));
}

struct DepthCase {
    const char* label;
    uint32_t depths;
    std::vector<ScriptedMode> expected;  // empty: not stored
};

TEST_F(EnumerationTest, DeviceKeepsTheModesOfItsRenderDepths)
{
    const std::vector<ScriptedMode> driverModes = {
        {640, 480, 8}, {640, 480, 16}, {640, 480, 24}, {640, 480, 32}, {800, 600, 15}};
    const DepthCase cases[] = {
        {"16 only", 0x400, {{640, 480, 16}}},
        {"24 only", 0x200, {{640, 480, 24}}},
        {"32 only", 0x100, {{640, 480, 32}}},
        {"16 and 32", 0x500, {{640, 480, 16}, {640, 480, 32}}},
        {"all", kAllDepths, {{640, 480, 16}, {640, 480, 24}, {640, 480, 32}}},
        {"8 only", 0x800, {}},
        {"none", 0, {}},
    };
    std::vector<ScriptedDevice> devices;
    for (const DepthCase& c : cases)
        devices.push_back(Hardware(c.label, static_cast<uint8_t>(devices.size() + 1), c.depths));
    source.drivers = {Primary(driverModes, devices)};
    ASSERT_EQ(Run(), 0);

    uint32_t stored = 0;
    for (const DepthCase& c : cases) {
        if (c.expected.empty())
            continue;
        ASSERT_LT(stored, GetStoredDeviceCount()) << c.label;
        const DeviceEntry& entry = Entry(stored++);
        EXPECT_STREQ(entry.name, c.label);
        EXPECT_EQ(ModesText(StoredModes(entry)), ModesText(c.expected)) << c.label;
    }
    EXPECT_EQ(GetStoredDeviceCount(), stored);
    EXPECT_EQ(source.devicesReported, std::size(cases));
}

TEST_F(EnumerationTest, ModesAreSortedByWidthHeightAndBits)
{
    source.drivers = {Primary(
        {{1024, 768, 16}, {640, 480, 32}, {800, 600, 16}, {640, 480, 8}, {0x90000000u, 480, 16},
         {640, 0x90000000u, 16}, {640, 400, 32}, {640, 480, 16}, {640, 400, 16}, {600, 480, 16}},
        {Hardware("HAL", 1, 0x400 | 0x100)})};
    ASSERT_EQ(Run(), 0);
    ASSERT_EQ(GetStoredDeviceCount(), 1u);
    // Width, then height, then bits; unsigned: a key with the top bit set sorts last.
    const std::vector<ScriptedMode> expected = {{600, 480, 16}, {640, 400, 16}, {640, 400, 32}, {640, 480, 16},
                                                {640, 480, 32}, {640, 0x90000000u, 16}, {800, 600, 16},
                                                {1024, 768, 16}, {0x90000000u, 480, 16}};
    EXPECT_EQ(ModesText(StoredModes(Entry(0))), ModesText(expected));
}

TEST(OfferedModeTest, HeightAtLeast480AndExactly16Bits)
{
    const struct {
        ScriptedMode mode;
        bool offered;
    } cases[] = {
        {{640, 480, 16}, true},  {{600, 480, 16}, true},   {{1, 480, 16}, true},
        {{640, 400, 16}, false}, {{640, 479, 16}, false},  {{640, 480, 32}, false},
        {{640, 480, 15}, false}, {{640, 480, 8}, false},   {{640, 0x80000000u, 16}, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsOfferedMode(MakeMode(c.mode)), c.offered) << ModesText({c.mode});
}

TEST_F(EnumerationTest, TableStopsAtTwentyEntries)
{
    std::vector<ScriptedDevice> first, second;
    for (int i = 0; i < 12; ++i) {
        first.push_back(Hardware("P" + std::to_string(i), static_cast<uint8_t>(i)));
        second.push_back(Hardware("S" + std::to_string(i), static_cast<uint8_t>(100 + i)));
    }
    source.drivers = {Primary(kBasicModes, first), Secondary(9, "Second", kBasicModes, second)};
    ASSERT_EQ(Run(), 0);
    EXPECT_EQ(source.devicesReported, 24u);
    ASSERT_EQ(GetStoredDeviceCount(), 20u);
    EXPECT_STREQ(Entry(11).name, "P11");
    EXPECT_STREQ(Entry(12).name, "Second");
    EXPECT_TRUE(SameGuid(Entry(19).deviceGuid, MakeGuid(107)));
    for (uint32_t i = 0; i < 20; ++i)
        EXPECT_EQ(Entry(i).modeCount, 2u) << i;
}

TEST_F(EnumerationTest, StatusCodes)
{
    ScriptedDriver closed = Primary(kBasicModes, {Hardware("HAL", 1)});
    closed.opens = false;
    ScriptedDriver no3d = Secondary(2, "No 3D", kBasicModes, {Hardware("HAL", 2)});
    no3d.hasDirect3D = false;
    const struct {
        const char* label;
        std::vector<ScriptedDriver> drivers;
        int32_t status;
        uint32_t enumerated;
        uint32_t stored;
    } cases[] = {
        {"no drivers", {}, static_cast<int32_t>(ENUM_ERR_NO_DEVICE), 0, 0},
        {"driver without devices", {Primary(kBasicModes, {})}, static_cast<int32_t>(ENUM_ERR_NO_DEVICE), 0, 0},
        {"drivers that do not open", {closed, no3d}, static_cast<int32_t>(ENUM_ERR_NO_DEVICE), 0, 0},
        {"secondary software only", {Secondary(3, "S", kBasicModes, {Software("RGB", 3)})},
         static_cast<int32_t>(ENUM_ERR_NONE_ACCEPTED), 1, 0},
        {"depths that match no mode", {Primary({{640, 480, 16}}, {Hardware("32-bit only", 1, 0x100)})},
         static_cast<int32_t>(ENUM_ERR_NONE_ACCEPTED), 1, 0},
        {"driver without modes", {Primary({}, {Hardware("HAL", 1), Software("RGB", 2)})},
         static_cast<int32_t>(ENUM_ERR_NONE_ACCEPTED), 2, 0},
        {"one usable", {closed, Primary(kBasicModes, {Hardware("HAL", 4)})}, 0, 1, 1},
    };
    for (const auto& c : cases) {
        source.devicesReported = 0;
        source.drivers = c.drivers;
        const int32_t status = Run();
        EXPECT_EQ(status, c.status) << c.label;
        EXPECT_EQ(source.devicesReported, c.enumerated) << c.label;
        EXPECT_EQ(GetStoredDeviceCount(), c.stored) << c.label;
    }
    EXPECT_LT(static_cast<int32_t>(ENUM_ERR_NO_DEVICE), 0);
    EXPECT_LT(static_cast<int32_t>(ENUM_ERR_NONE_ACCEPTED), 0);
}

struct HookLog {
    std::vector<std::string> seen;
};
HookLog hookLog;

// Rejects the devices whose caps carry bit 0x2, and records what it was shown.
int32_t RejectMarkedDevices(const DDCAPS* driverCaps, const D3DDEVICEDESC7* desc)
{
    hookLog.seen.push_back(std::to_string(reinterpret_cast<const unsigned char*>(driverCaps)[4]) + ":" +
                           std::to_string(desc->dwDevCaps & 0x2u));
    return (desc->dwDevCaps & 0x2u) ? -1 : 1;
}

int32_t RejectAll(const DDCAPS*, const D3DDEVICEDESC7*)
{
    return -5;
}

TEST_F(EnumerationTest, RejectingHookLeavesNoTrace)
{
    ScriptedDevice marked = Hardware("Rejected with a long name", 1);
    marked.devCaps |= 0x2u;
    ScriptedDevice secondarySoft = Software("RGB", 3);
    source.drivers = {Secondary(5, "Second", kBasicModes, {marked, secondarySoft, Hardware("Kept", 2)}),
                      Primary({{640, 480, 16}}, {Hardware("Primary HAL", 4)})};
    hookLog.seen.clear();
    ASSERT_EQ(Run(RejectMarkedDevices), 0);
    // The secondary software device is turned away before the hook is asked.
    EXPECT_EQ(hookLog.seen, (std::vector<std::string>{"5:2", "5:0", "0:0"}));
    ASSERT_EQ(GetStoredDeviceCount(), 2u);
    EXPECT_TRUE(SameGuid(Entry(0).deviceGuid, MakeGuid(2)));
    EXPECT_STREQ(Entry(1).name, "Primary HAL");
    EXPECT_EQ(Entry(1).hasDriverGuid, 0u);
    EXPECT_TRUE(SameGuid(Entry(1).driverGuid, kZeroGuid)) << "nothing left of the secondary driver";
    EXPECT_EQ(Entry(1).modeCount, 1u);
}

TEST_F(EnumerationTest, HookRejectingEverything)
{
    source.drivers = {Primary(kBasicModes, {Hardware("HAL", 1), Software("RGB", 2)})};
    EXPECT_EQ(Run(RejectAll), static_cast<int32_t>(ENUM_ERR_NONE_ACCEPTED));
    EXPECT_EQ(GetStoredDeviceCount(), 0u);
    EXPECT_EQ(GetDeviceTable()[0].modes, nullptr) << "the rejected candidate's array is freed";
}

TEST_F(EnumerationTest, WithoutHookEveryDevicePassingTheRulesIsStoredAndReleasedOnce)
{
    source.drivers = {Primary(kBasicModes, {Hardware("HAL", 1), Software("RGB", 2)})};
    ASSERT_EQ(Run(nullptr), 0);
    ReleaseDisplayModes();
    ReleaseDisplayModes();
    EXPECT_EQ(GetStoredDeviceCount(), 2u);
    for (uint32_t i = 0; i < 2; ++i)
        EXPECT_EQ(Entry(i).modes, nullptr);
    EXPECT_STREQ(Entry(0).name, "HAL");
}

}  // namespace
