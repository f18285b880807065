#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "display/DeviceTable.h"
#include "script/LuaHost.h"
#include "settings/Registry.h"
#include "settings/SaveData.h"
#include "settings/SettingNames.h"
#include "support/RecordTest.h"
#include "support/ScriptedDisplay.h"
#include "support/TempDir.h"

namespace {

std::string ListText(int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += std::to_string(modeList[i].width) + "x" + std::to_string(modeList[i].height) + "x" +
                std::to_string(modeList[i].bitsPerPixel) + " ";
    return text;
}

const std::vector<ScriptedMode> k640 = {{640, 480, 16}};

class SettingsTest : public RecordTest {
protected:
    // The primary driver with `modes` and one hardware device.
    void EnumerateOneDevice(std::vector<ScriptedMode> modes)
    {
        source.drivers = {Primary(std::move(modes), {Hardware("HAL", 1)})};
        EnumerateDisplayDevices(DisplaySeam::Current(), AcceptAllDevices);
    }

    // Values SetDefaults must replace.
    void Dirty()
    {
        record->fullScreen = 1;
        record->width = 1;
        record->height = 2;
        record->bitsPerPixel = 3;
        record->spriteMode = 1;
        record->textureMode = 1;
        record->soundMode = 0;
        record->speakerType = 4;
        record->digitalRateType = 5;
        record->digitalBitsType = 6;
        std::memset(record->providerName, 'x', sizeof record->providerName);
        record->bgmVolume = record->effectVolume = record->bgmOn = record->soundOn = 55;
        record->mouseExclusive = 55;
        for (int32_t& flag : record->commandFlags)
            flag = 55;
        record->deviceIndex = 3;
        record->modeIndex = 7;
        std::strcpy(record->deviceName, "Kept device");
        record->deviceGuid = MakeGuid(0xAA);
        record->driverGuid = MakeGuid(0xBB);
    }

    void ExpectDeviceFieldsKept()
    {
        EXPECT_STREQ(record->deviceName, "Kept device");
        EXPECT_TRUE(SameGuid(record->deviceGuid, MakeGuid(0xAA)));
        EXPECT_TRUE(SameGuid(record->driverGuid, MakeGuid(0xBB)));
        EXPECT_EQ(record->deviceIndex, 3);
        EXPECT_EQ(record->modeIndex, 7);
    }

    TempGameDir folder;
    ScriptedDisplaySource source;
    ScopedDisplaySource scope{source};
};

TEST_F(SettingsTest, SecondCrateInstanceLeavesTheFirstAlone)
{
    record->width = 1234;
    record->preservedLines.push_back("kept");
    EXPECT_FALSE(CRegistry::CrateInstance());
    ASSERT_EQ(CRegistry::Instance(), record);
    EXPECT_EQ(record->width, 1234);
    EXPECT_EQ(record->preservedLines, std::vector<std::string>{"kept"});

    CRegistry::DestroyInstance();
    EXPECT_EQ(CRegistry::Instance(), nullptr);
    CRegistry::DestroyInstance();
    ASSERT_TRUE(CRegistry::CrateInstance());
    record = CRegistry::Instance();
    EXPECT_TRUE(record->preservedLines.empty());
}

TEST_F(SettingsTest, FirstUsableDeviceIsChosen)
{
    source.drivers = {Primary(k640, {Software("RGB Emulation", 1), Hardware("Direct3D HAL", 2)}),
                      Secondary(9, "Second Adapter", k640, {Hardware("HAL", 3)})};
    ASSERT_EQ(EnumerateDisplayDevices(DisplaySeam::Current(), AcceptAllDevices), 0);
    ASSERT_EQ(GetStoredDeviceCount(), 3u);

    Dirty();
    record->SetDefaults(CLuaHost::Instance(), GetStoredDevices());
    EXPECT_STREQ(record->deviceName, "Direct3D HAL");
    EXPECT_TRUE(SameGuid(record->deviceGuid, MakeGuid(2)));
    EXPECT_TRUE(SameGuid(record->driverGuid, GUID{}));
    EXPECT_EQ(record->deviceIndex, 0);
    EXPECT_EQ(record->modeIndex, 0);
}

// An entry made by hand can fill its whole name: the record keeps its
// terminator. Both GUIDs are copied.
TEST_F(SettingsTest, ChoosingADeviceCopiesItsGuidsAndCutsAFullName)
{
    DeviceEntry device{};
    std::memset(device.name, 'n', sizeof device.name);
    device.deviceGuid = MakeGuid(3);
    device.driverGuid = MakeGuid(9);
    Dirty();
    ChooseDevice(*record, device);
    EXPECT_EQ(std::string(record->deviceName), std::string(sizeof record->deviceName - 1, 'n'));
    EXPECT_TRUE(SameGuid(record->deviceGuid, MakeGuid(3)));
    EXPECT_TRUE(SameGuid(record->driverGuid, MakeGuid(9)));
}

struct ModeListCase {
    const char* label;
    std::vector<ScriptedMode> modes;     // as the driver reports them
    std::vector<ScriptedMode> expected;  // start of modeList
    int32_t modeIndex;                   // 7 = kept from before
};

TEST_F(SettingsTest, ModeListFromTheOfferedModes)
{
    const ModeListCase cases[] = {
        {"mixed depths",
         {{640, 480, 8}, {640, 480, 16}, {640, 480, 32}, {800, 600, 16}, {1024, 768, 16}},
         {{640, 480, 16}, {800, 600, 16}, {1024, 768, 16}},
         0},
        {"smaller first", {{512, 512, 16}, {640, 480, 16}, {800, 600, 16}},
         {{512, 512, 16}, {640, 480, 16}, {800, 600, 16}}, 1},
        {"short and deep modes skipped",
         {{320, 240, 16}, {2000, 479, 16}, {640, 400, 16}, {600, 480, 16}, {640, 480, 32}, {800, 600, 24}},
         {{600, 480, 16}}, 7},
        {"no 640 x 480 x 16", {{800, 600, 16}, {1024, 768, 16}, {640, 480, 32}},
         {{800, 600, 16}, {1024, 768, 16}}, 7},
    };
    for (const ModeListCase& c : cases) {
        EmptyDeviceTable();
        ResetModeList();
        modeList[c.expected.size()] = ModeEntry{1, 2, 3};
        EnumerateOneDevice(c.modes);
        ASSERT_EQ(GetStoredDeviceCount(), 1u) << c.label;
        Dirty();
        record->SetDefaults(CLuaHost::Instance(), GetStoredDevices());
        EXPECT_EQ(ListText(static_cast<int>(c.expected.size())), ModesText(c.expected)) << c.label;
        EXPECT_EQ(record->modeIndex, c.modeIndex) << c.label;
        EXPECT_EQ(record->deviceIndex, 0) << c.label;
        // The record's own mode is the default whatever the list offers.
        EXPECT_EQ(record->width, 640) << c.label;
        EXPECT_EQ(record->height, 480) << c.label;
        EXPECT_EQ(record->bitsPerPixel, 16) << c.label;
        // Entries behind the listed part keep what they held.
        const ModeEntry& behind = modeList[c.expected.size()];
        EXPECT_EQ(behind.width * 100 + behind.height * 10 + behind.bitsPerPixel, 123) << c.label;
    }
}

TEST_F(SettingsTest, MoreThanFortyOfferedModesFillTheListOnly)
{
    // 640 x 480 x 16 is offered after the fillers, past the list's 40 lines.
    for (const uint32_t fillers : {40u, 44u}) {
        SCOPED_TRACE(fillers);
        std::vector<ScriptedMode> modes;
        for (uint32_t i = 0; i < fillers; ++i)
            modes.push_back({100 + i, 480, 16});
        modes.push_back({640, 480, 16});
        EnumerateOneDevice(modes);
        ASSERT_EQ(GetDeviceTable()[0].modeCount, fillers + 1);
        Dirty();
        record->SetDefaults(CLuaHost::Instance(), GetStoredDevices());
        EXPECT_EQ(modeList[0].width, 100);
        EXPECT_EQ(modeList[39].width, 139);
        EXPECT_EQ(modeList[39].height, 480);
        EXPECT_EQ(record->modeIndex, 7) << "640 x 480 x 16 is past the list";
        EXPECT_EQ(FillModeList(GetDeviceTable()[0]), 40);
    }
}

TEST_F(SettingsTest, NoUsableDeviceLeavesTheDeviceFields)
{
    source.drivers = {Primary({{800, 600, 16}}, {Software("RGB Emulation", 1)})};
    ASSERT_EQ(EnumerateDisplayDevices(DisplaySeam::Current(), AcceptAllDevices), 0);
    ASSERT_EQ(GetStoredDeviceCount(), 1u);
    Dirty();
    modeList[0] = ModeEntry{1, 2, 3};
    modeList[1] = ModeEntry{4, 5, 6};
    record->SetDefaults(CLuaHost::Instance(), GetStoredDevices());
    ExpectDeviceFieldsKept();
    EXPECT_EQ(ListText(2), "640x480x16 4x5x6 ");
}

TEST_F(SettingsTest, DefaultsKeepPreservedLinesAndRepeat)
{
    EnumerateOneDevice({{640, 480, 16}, {800, 600, 16}});
    record->preservedLines = {"-- a line of another writer", "x = 1"};
    record->SetDefaults(CLuaHost::Instance(), GetStoredDevices());
    const std::string first = ListText(2);
    const int32_t firstIndex = record->modeIndex;
    const std::string saved = ComposeOptionFile(*record);
    Dirty();
    record->SetDefaults(CLuaHost::Instance(), GetStoredDevices());
    EXPECT_EQ(saved, ComposeOptionFile(*record)) << "every saved setting back, the kept lines first as they were";
    EXPECT_EQ(ListText(2), first);
    EXPECT_EQ(record->modeIndex, firstIndex);
}

const char kDefaultScript[] =
    "OptionInfoList = { Bgm_Volume = 91, Effect_Volume = 'loud', MouseExclusive = 1, WIDTH = 1024 }\n"
    "CmdOnOffList = { ['/bgm'] = 1, ['/sound'] = 0, ['/notrade'] = 1, ['/fog'] = 1,\n"
    "                 ['/lightmap'] = 3.9, ['/snap'] = -2 }\n";

TEST_F(SettingsTest, ScriptBackedDefaults)
{
    folder.WriteFile("System/LuaFiles514/OptionInfo.lua", kDefaultScript);
    Dirty();
    record->SetDefaults(CLuaHost::Instance(), GetStoredDevices());
    EXPECT_EQ(record->bgmVolume, 91);
    EXPECT_EQ(record->effectVolume, 0) << "not a number";
    EXPECT_EQ(record->mouseExclusive, 1);
    EXPECT_EQ(record->bgmOn, 1);
    EXPECT_EQ(record->soundOn, 0);
    EXPECT_EQ(record->width, 640) << "the mode never comes from the script";
    int32_t expected[kCommandCount] = {};
    expected[0] = 1;    // /notrade
    expected[7] = 1;    // /fog
    expected[15] = -2;  // /snap
    expected[20] = 3;   // /lightmap, converted to an int
    for (int k = 0; k < kCommandCount; ++k)
        EXPECT_EQ(record->commandFlags[k], expected[k]) << GetSettingName(kNameFirstCommand + k);
}

TEST_F(SettingsTest, BrokenScriptGivesZeroes)
{
    folder.WriteFile("System/LuaFiles514/OptionInfo.lua", "OptionInfoList = { Bgm_Volume = 91 \n");
    Dirty();
    record->SetDefaults(CLuaHost::Instance(), GetStoredDevices());
    EXPECT_EQ(record->bgmVolume, 0);
    EXPECT_EQ(record->bgmOn, 0);
    EXPECT_EQ(record->commandFlags[0], 0);
}

}  // namespace
