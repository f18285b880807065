#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "settings/SettingNames.h"

namespace {

class SettingNamesTest : public ::testing::Test {
protected:
    void SetUp() override { InitSettingNames(); }
};

TEST_F(SettingNamesTest, SpotValues)
{
    const struct {
        int index;
        const char* name;
    } cases[] = {
        {0, "Bgm_Volume"},     {2, "MouseExclusive"}, {3, "ISFULLSCREENMODE"}, {6, "BITPERPIXEL"},
        {7, "DEVICECNT"},      {8, "MODECNT"},        {10, "TEXTUREMODE"},     {11, "/bgm"},
        {12, "/sound"},        {13, "/notrade"},      {18, "/notalkmsg2"},     {33, "/lightmap"},
        {34, "SetupMSG"},      {35, "CmdOnOffList"},  {36, "OptionInfoList"},  {40, "Device"},
        {45, "Texture"},       {50, "NoSound"},       {51, "notrade"},         {71, "lightmap"},
        {37, "System\\LuaFiles514\\MsgString"},
        {38, "System\\LuaFiles514\\OptionInfo"},
        {39, "SaveData\\OptionInfo"},
    };
    for (const auto& c : cases) {
        ASSERT_NE(GetSettingName(c.index), nullptr) << c.index;
        EXPECT_STREQ(GetSettingName(c.index), c.name) << c.index;
    }
}

TEST_F(SettingNamesTest, NamedIndicesMatchTheTable)
{
    const struct {
        int index;
        const char* name;
    } cases[] = {
        {kNameBgmVolume, "Bgm_Volume"},  {kNameEffectVolume, "Effect_Volume"}, {kNameWidth, "WIDTH"},
        {kNameHeight, "HEIGHT"},         {kNameSpriteMode, "SPRITEMODE"},      {kNameBgmOn, "/bgm"},
        {kNameSoundOn, "/sound"},        {kNameFirstCommand, "/notrade"},      {kNameLastOption, "TEXTUREMODE"},
        {kNameMessageTable, "SetupMSG"}, {kNameOptionTable, "OptionInfoList"}, {kNameFirstSystemTip, "Device"},
        {kNameFirstCommandTip, "notrade"}, {kNameDefaultScript, "System\\LuaFiles514\\OptionInfo"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(GetSettingName(c.index), c.name) << c.index;
}

TEST_F(SettingNamesTest, AllSeventyTwoPresentWithThreeSharedTexts)
{
    std::set<std::string> distinct;
    for (int i = 0; i < kSettingNameCount; ++i) {
        ASSERT_NE(GetSettingName(i), nullptr) << i;
        EXPECT_GT(std::strlen(GetSettingName(i)), 0u) << i;
        distinct.insert(GetSettingName(i));
    }
    EXPECT_EQ(kSettingNameCount, 72);
    EXPECT_EQ(distinct.size(), 72u - 3u);
    for (const auto& pair : {std::pair{2, 43}, std::pair{0, 46}, std::pair{1, 47}})
        EXPECT_STREQ(GetSettingName(pair.first), GetSettingName(pair.second));
}

// The Option page's tooltip keys are its command keys without the slash.
TEST_F(SettingNamesTest, CommandTipKeysFollowCommandKeys)
{
    for (int k = 0; k < 21; ++k) {
        const std::string command = GetSettingName(kNameFirstCommand + k);
        ASSERT_EQ(command[0], '/') << k;
        EXPECT_EQ(command.substr(1), GetSettingName(kNameFirstCommandTip + k)) << k;
    }
}

TEST_F(SettingNamesTest, ScriptPathsUseBackslashes)
{
    for (int i = kNameMessageScript; i <= kNameSavedScript; ++i) {
        const std::string path = GetSettingName(i);
        EXPECT_NE(path.find('\\'), std::string::npos) << path;
        EXPECT_EQ(path.find('/'), std::string::npos) << path;
        EXPECT_EQ(path.find('.'), std::string::npos) << "no extension: " << path;
    }
}

TEST_F(SettingNamesTest, SecondInitKeepsTheSameStrings)
{
    const char* before = GetSettingName(20);
    InitSettingNames();
    EXPECT_EQ(GetSettingName(20), before);
}

}  // namespace
