#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "script/LuaHost.h"
#include "settings/SettingNames.h"
#include "support/TempDir.h"

namespace {

class SettingNamesTest : public ::testing::Test {
protected:
    void SetUp() override { InitSettingNames(); }
};

TEST_F(SettingNamesTest, NamedIndicesMatchTheTable)
{
    const struct {
        int index;
        const char* name;
    } cases[] = {
        {kNameBgmVolume, "Bgm_Volume"}, {kNameEffectVolume, "Effect_Volume"}, {kNameMouseExclusive, "MouseExclusive"},
        {kNameBgmOn, "/bgm"}, {kNameSoundOn, "/sound"}, {kNameFirstCommand, "/notrade"}, {kNameFirstSystemTip, "Device"},
        {kOptionKeyCount - 1, "TEXTUREMODE"}, {kScriptSettingCount - 1, "/lightmap"}, {kNameFirstCommandTip, "notrade"},
        {kNameMessageTable, "SetupMSG"}, {kNameCommandTable, "CmdOnOffList"}, {kNameOptionTable, "OptionInfoList"},
        {kNameMessageScript, "System\\LuaFiles514\\MsgString"}, {kNameSavedScript, "SaveData\\OptionInfo"},
        {kNameDefaultScript, "System\\LuaFiles514\\OptionInfo"},
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

// Every tooltip key finds its text in the example message script, and every
// key the defaults are read by its value in the example default script: a
// misspelt key would leave a tooltip empty or a default at 0.
TEST_F(SettingNamesTest, ExampleScriptsHoldEveryKeyTheToolReads)
{
    TempGameDir dir;
    dir.CopyExampleScripts();
    CLuaHost host;
    for (int i = kNameFirstSystemTip; i < kSettingNameCount; ++i)
        EXPECT_NE("", host.GetSetupMessage(GetSettingName(i))) << GetSettingName(i);
    for (int i = 0; i < kScriptSettingCount; ++i) {
        if (i > kNameMouseExclusive && i < kOptionKeyCount)
            continue;  // screen and detail settings have fixed defaults
        const int table = i < kOptionKeyCount ? kNameOptionTable : kNameCommandTable;
        CLuaHost::Key key = CLuaHost::Key::Number(GetSettingName(table), GetSettingName(i), -9999);
        ASSERT_TRUE(host.LookupValues(GetSettingName(kNameDefaultScript), &key, 1));
        EXPECT_NE(-9999, key.number) << GetSettingName(i);
    }
}

TEST_F(SettingNamesTest, SecondInitKeepsTheSameStrings)
{
    const char* before = GetSettingName(20);
    InitSettingNames();
    EXPECT_EQ(GetSettingName(20), before);
}

}  // namespace
