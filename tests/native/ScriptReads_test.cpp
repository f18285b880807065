// Each step reads its script from one run: a script that counts its runs
// gives every key of a step the same count, and the next step one more.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "script/LuaHost.h"
#include "display/DeviceTable.h"
#include "settings/Registry.h"
#include "settings/SaveData.h"
#include "settings/SettingNames.h"
#include "support/RecordTest.h"
#include "support/TempDir.h"

namespace {

// A script that counts its runs in a global and gives that count to every
// key of both tables.
std::string CountingScript()
{
    std::string text = "Runs = (Runs or 0) + 1\nOptionInfoList = {}\nCmdOnOffList = {}\n";
    for (int i = 0; i < kScriptSettingCount; ++i) {
        const char* table = i < kOptionKeyCount ? "OptionInfoList" : "CmdOnOffList";
        text += std::string(table) + "[\"" + GetSettingName(i) + "\"] = Runs\n";
    }
    return text;
}

class ScriptReadsTest : public RecordTest {
protected:
    TempGameDir dir;
};

TEST_F(ScriptReadsTest, SetDefaultsRunsTheDefaultScriptOnce)
{
    dir.WriteFile("System/LuaFiles514/OptionInfo.lua", CountingScript());
    record->SetDefaults(CLuaHost::Instance(), GetStoredDevices());
    const int32_t first = record->bgmVolume;
    std::set<int32_t> seen;
    for (int32_t value : {record->effectVolume, record->mouseExclusive, record->bgmOn, record->soundOn})
        seen.insert(value);
    for (int32_t flag : record->commandFlags)
        seen.insert(flag);
    EXPECT_EQ(std::set<int32_t>{first}, seen);
    record->SetDefaults(CLuaHost::Instance(), GetStoredDevices());
    EXPECT_EQ(first + 1, record->commandFlags[kCommandCount - 1]);
}

TEST_F(ScriptReadsTest, ApplySavedOptionsRunsTheSavedScriptOnce)
{
    dir.WriteFile("SaveData/OptionInfo.lua", CountingScript());
    ApplySavedOptions(*record, CLuaHost::Instance());
    std::set<int32_t> seen;
    for (int32_t value : {record->bgmVolume, record->width, record->textureMode, record->bgmOn, record->soundOn})
        seen.insert(value);
    for (int32_t flag : record->commandFlags)
        seen.insert(flag);
    EXPECT_EQ(1u, seen.size());
    EXPECT_GT(*seen.begin(), 0);
}

// One batch gives each key its own default, type and table, and a failed run
// gives every key its default.
TEST_F(ScriptReadsTest, EveryKeyHasItsOwnTypeAndDefault)
{
    dir.WriteFile("System/LuaFiles514/MsgString.lua", "SetupMSG = { A = 'text', B = 2 }\nOther = { A = 'no' }");
    CLuaHost& host = CLuaHost::Instance();
    CLuaHost::Key keys[] = {
        CLuaHost::Key::Text("SetupMSG", "A"), CLuaHost::Key::Text("SetupMSG", "B"),
        CLuaHost::Key::Number("SetupMSG", "B", 7), CLuaHost::Key::Number("SetupMSG", "A", 7),
        CLuaHost::Key::Number("Missing", "A", 9),
    };
    EXPECT_TRUE(host.LookupValues("System\\LuaFiles514\\MsgString", keys, 5));
    EXPECT_EQ("text", keys[0].text);
    EXPECT_EQ("", keys[1].text);
    EXPECT_EQ(2, keys[2].number);
    EXPECT_EQ(7, keys[3].number);
    EXPECT_EQ(9, keys[4].number);

    dir.WriteFile("System/LuaFiles514/MsgString.lua", "SetupMSG = { A = 'text' } error('broken')");
    CLuaHost::Key again[] = {CLuaHost::Key::Text("SetupMSG", "A"), CLuaHost::Key::Number("SetupMSG", "A", 4)};
    EXPECT_FALSE(host.LookupValues("System\\LuaFiles514\\MsgString", again, 2));
    EXPECT_EQ("", again[0].text);
    EXPECT_EQ(4, again[1].number);
}

}  // namespace
