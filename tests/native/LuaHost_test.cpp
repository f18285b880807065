#include "script/LuaHost.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

extern "C" {
#include <lauxlib.h>
#include <lua.h>
}

#include "settings/SettingNames.h"
#include "support/LuaChunks.h"
#include "support/LuaHostProbe.h"
#include "support/TempDir.h"

namespace {

const char kDefaultFile[] = "System/LuaFiles514/OptionInfo";
const char kMessageFile[] = "System/LuaFiles514/MsgString";
const char kSavedFile[] = "SaveData/OptionInfo";
const char kDefaultScript[] = "System\\LuaFiles514\\OptionInfo";
const char kMessageScript[] = "System\\LuaFiles514\\MsgString";

class LuaHostTest : public ::testing::Test {
protected:
    void SetUp() override { InitSettingNames(); }

    void Write(const char* script, const char* extension, const std::string& text)
    {
        dir.WriteFile(std::string(script) + extension, text);
    }

    TempGameDir dir;
    CLuaHost host;
};

TEST_F(LuaHostTest, MissingScriptsGiveTheDefaults)
{
    EXPECT_EQ(SavedOption(host, "Bgm_Volume", 7), 7);
    EXPECT_EQ(SavedCommand(host, "/fog", -3), -3);
    EXPECT_EQ(DefaultOption(host, "Bgm_Volume"), 0);
    EXPECT_EQ(DefaultCommand(host, "/fog"), 0);
    EXPECT_EQ(host.GetSetupMessage("ISOK"), "");
}

TEST_F(LuaHostTest, UncompilableSavedScriptFallsBackToTheDefaultScript)
{
    Write(kDefaultFile, ".lua", "OptionInfoList = { Bgm_Volume = 100 } CmdOnOffList = { ['/fog'] = 1 }");
    const struct {
        const char* name;
        const char* savedLua;  // nullptr: no file
    } cases[] = {
        {"missing", nullptr},
        {"syntax error", "OptionInfoList[\"WIDTH\"] = = 3"},
        {"binary junk", "\x1bLua\x51junk"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.savedLua)
            Write(kSavedFile, ".lua", c.savedLua);
        EXPECT_EQ(SavedOption(host, "Bgm_Volume", 7), 100);
        EXPECT_EQ(SavedCommand(host, "/fog", 7), 1);
        EXPECT_EQ(SavedOption(host, "WIDTH", 7), 7);  // the default script lacks it
    }
}

TEST_F(LuaHostTest, SavedScriptFailingAtRunTimeGivesTheCallersDefault)
{
    Write(kDefaultFile, ".lua", "OptionInfoList = { Bgm_Volume = 100 }");
    Write(kSavedFile, ".lua", "OptionInfoList[\"Bgm_Volume\"] = 5\r\nOther[\"x\"] = 1\r\n");
    EXPECT_EQ(SavedOption(host, "Bgm_Volume", 7), 7);
}

TEST_F(LuaHostTest, SavedScriptIsFoundWhateverTheFolderCase)
{
    dir.WriteFile("savedata/OptionInfo.lua", "OptionInfoList[\"WIDTH\"] = 1024\r\n");
    EXPECT_EQ(SavedOption(host, "WIDTH", 640), 1024);
}

// The tool takes 32-bit chunks only; a host for native chunks shows that
// those that pass the checker are read and the others skipped.
TEST_F(LuaHostTest, CompiledFileWinsOverSourceAndBrokenOnesAreSkipped)
{
    const std::string lua = "OptionInfoList = { WIDTH = 2 }";
    const struct {
        const char* name;
        std::string lub;
        int expected;
        int expectedNative;
    } cases[] = {
        {"source text under .lub", "OptionInfoList = { WIDTH = 1 }", 1, 1},
        {"native precompiled chunk", chunk::Compile("OptionInfoList = { WIDTH = 3 }"), 2, 3},
        {"garbage", "\x01\x02 not lua at all ((", 2, 2},
        {"32-bit header with junk", std::string("\x1bLua\x51\x00\x01\x04\x04\x04\x08\x00", 12) + "junkjunk", 2, 2},
        {"truncated native chunk", chunk::Compile("OptionInfoList = { WIDTH = 4 }").substr(0, 20), 2, 2},
        {"native chunk that passes Lua's check only", chunk::ForLoopConfusion(sizeof(size_t)), 2, 2},
        {"source after a '#' line", "#!/usr/bin/lua\nOptionInfoList = { WIDTH = 5 }", 5, 5},
        {"native chunk after a '#' line", "#!/usr/bin/lua\r\n" + chunk::Compile("OptionInfoList = { WIDTH = 7 }"), 2, 7},
        {"'#' line before a chunk that passes Lua's check only", "#\n" + chunk::ForLoopConfusion(sizeof(size_t)), 2, 2},
        {"source ending at a Ctrl-Z", "OptionInfoList = { WIDTH = 6 }\x1a((", 6, 6},
    };
    CLuaHost native(sizeof(size_t));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.lub.empty());
        Write(kDefaultFile, ".lub", c.lub);
        Write(kDefaultFile, ".lua", lua);
        EXPECT_EQ(DefaultOption(host, "WIDTH"), c.expected);
        EXPECT_EQ(DefaultOption(native, "WIDTH"), c.expectedNative);
    }
}

TEST_F(LuaHostTest, SavedTablesStartEmptyForEveryRun)
{
    Write(kDefaultFile, ".lua", "OptionInfoList = { WIDTH = 640 } CmdOnOffList = { ['/fog'] = 0 }");
    ASSERT_EQ(DefaultCommand(host, "/fog"), 0);  // leaves a CmdOnOffList with "/fog" behind
    Write(kSavedFile, ".lua", "OptionInfoList[\"WIDTH\"] = 800\r\n");
    EXPECT_EQ(SavedCommand(host, "/fog", 1), 1);
    EXPECT_EQ(SavedOption(host, "WIDTH", 0), 800);
}

TEST_F(LuaHostTest, MessageTableStartsEmptyForEveryRun)
{
    Write(kMessageFile, ".lua", "SetupMSG[\"ISOK\"] = \"Save?\"");
    EXPECT_EQ(host.GetSetupMessage("ISOK"), "Save?");
    Write(kMessageFile, ".lua", "SetupMSG[\"Mode\"] = \"Resolution\"");
    EXPECT_EQ(host.GetSetupMessage("ISOK"), "");
    EXPECT_EQ(host.GetSetupMessage("Mode"), "Resolution");
}

TEST_F(LuaHostTest, ScriptsShareGlobalsAndAreRunAnewForEveryLookup)
{
    // The default script assigns no command table, so it sees the saved run's.
    Write(kDefaultFile, ".lua", "Runs = (Runs or 0) + 1 OptionInfoList = { Bgm_Volume = Runs }");
    Write(kSavedFile, ".lua", "CmdOnOffList[\"/fog\"] = 1\r\n");
    EXPECT_EQ(DefaultCommand(host, "/fog"), 0);
    EXPECT_EQ(SavedCommand(host, "/fog", 0), 1);
    EXPECT_EQ(DefaultCommand(host, "/fog"), 1);
    EXPECT_EQ(DefaultOption(host, "Bgm_Volume"), 3);
    EXPECT_EQ(DefaultOption(host, "Bgm_Volume"), 4);
}

TEST_F(LuaHostTest, NumbersConvertByTruncationAndSaturate)
{
    const struct {
        const char* value;
        int expected;
    } cases[] = {
        {"3.99", 3},          {"2.9", 2},           {"-0.5", 0},           {"-2.9", -2},
        {"1.7", 1},           {"-1", -1},           {"2147483647", INT32_MAX}, {"2147483647.9", INT32_MAX},
        {"2147483648", INT32_MAX}, {"1e300", INT32_MAX}, {"1/0", INT32_MAX}, {"-2147483647.9", -2147483647},
        {"-2147483648", INT32_MIN}, {"-2147483648.9", INT32_MIN}, {"-2147483649", INT32_MIN}, {"-1/0", INT32_MIN},
        {"0/0", 77},          {"\"5\"", 77},        {"true", 77},          {"{}", 77},
        {"nil", 77},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        Write(kDefaultFile, ".lua", std::string("OptionInfoList = { K = ") + c.value + " }");
        EXPECT_EQ(LookupNumber(host, kDefaultScript, "OptionInfoList", "K", 77), c.expected);
    }
}

TEST_F(LuaHostTest, TextLookupsTakeStringsOnly)
{
    const struct {
        const char* value;
        const char* expected;
    } cases[] = {
        {"\"Save the settings?\"", "Save the settings?"},
        {"\"\"", ""},
        {"\"ab\\0cd\"", "ab"},
        {"5", ""},
        {"false", ""},
        {"{}", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        Write(kMessageFile, ".lua", std::string("SetupMSG.ISOK = ") + c.value);
        EXPECT_EQ(host.GetSetupMessage("ISOK"), c.expected);
    }
}

// T stands for the table, V for a value of the wanted type.
std::string Fill(std::string script, const std::string& table, const std::string& value)
{
    for (size_t at; (at = script.find('T')) != std::string::npos;)
        script.replace(at, 1, table);
    for (size_t at; (at = script.find('V')) != std::string::npos;)
        script.replace(at, 1, value);
    return script;
}

TEST_F(LuaHostTest, FailingScriptsGiveTheDefault)
{
    const struct {
        const char* name;
        const char* script;
    } cases[] = {
        {"no print", "T = { K = V } print(V)"},
        {"no string library", "T = { K = V } local n = string.len(V)"},
        {"error after the assignment", "T = { K = V } local t = nil t.x = 1"},
        {"error of its own", "T = { K = V } error(V)"},
        {"deep recursion", "local function f() return 1 + f() end T = { K = V } f()"},
        {"table is a number", "T = 5"},
        {"table missing", "T = nil Other = { K = V }"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Write(kDefaultFile, ".lua", Fill(c.script, "OptionInfoList", "5"));
        EXPECT_EQ(LookupNumber(host, kDefaultScript, "OptionInfoList", "K", 77), 77);
        Write(kMessageFile, ".lua", Fill(c.script, "SetupMSG", "\"text\""));
        EXPECT_EQ(host.GetSetupMessage("K"), "");
    }
}

TEST_F(LuaHostTest, UnknownScriptNamesAreNeverLoaded)
{
    const char* const names[] = {"Other", "savedata\\OptionInfo", "System\\LuaFiles514\\optioninfo",
                                 "System\\LuaFiles514\\OptionInfo.lua", ""};
    dir.WriteFile("Other.lua", "OptionInfoList = { K = 5 }");
    dir.WriteFile("savedata/OptionInfo.lua", "OptionInfoList[\"K\"] = 5");
    Write(kDefaultFile, ".lua", "OptionInfoList = { K = 5 }");
    for (const char* name : names) {
        SCOPED_TRACE(name);
        CLuaHost::Key key = CLuaHost::Key::Number("OptionInfoList", "K", 77);
        EXPECT_FALSE(host.LookupValues(name, &key, 1));
        EXPECT_EQ(key.number, 77);
    }
    EXPECT_EQ(lua_gettop(LuaHostProbe::State(host)), 0);
}

TEST_F(LuaHostTest, HundredMixedLookupsKeepTheStackHeight)
{
    Write(kDefaultFile, ".lua", "OptionInfoList = { Bgm_Volume = 100, Text = \"5\" } CmdOnOffList = { ['/fog'] = 1 }");
    Write(kSavedFile, ".lua", "OptionInfoList[\"WIDTH\"] = 1024\r\nbroken(\r\n");  // does not compile
    Write(kMessageFile, ".lua", "SetupMSG.ISOK = \"Save?\" SetupMSG.Num = 3 if SetupMSG.Fail then end");
    lua_State* state = LuaHostProbe::State(host);
    lua_pushinteger(state, 42);  // something of the caller's below the lookups
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(DefaultOption(host, "Bgm_Volume"), 100);
        EXPECT_EQ(DefaultOption(host, "Text"), 0);
        EXPECT_EQ(DefaultOption(host, "Missing"), 0);
        EXPECT_EQ(DefaultCommand(host, "/fog"), 1);
        EXPECT_EQ(SavedOption(host, "Bgm_Volume", 7), 100);
        EXPECT_EQ(LookupNumber(host, "Other", "OptionInfoList", "Bgm_Volume", 7), 7);
        EXPECT_EQ(host.GetSetupMessage("ISOK"), "Save?");
        EXPECT_EQ(host.GetSetupMessage("Num"), "");
        EXPECT_EQ(LookupOne(host, kMessageScript, CLuaHost::Key::Text("NoSuchTable", "ISOK")).text, "");
        EXPECT_EQ(LookupNumber(host, kDefaultScript, "NoSuchTable", "Bgm_Volume", 7), 7);
    }
    EXPECT_EQ(lua_gettop(state), 1);
    EXPECT_EQ(lua_tointeger(state, 1), 42);
    lua_settop(state, 0);
}

// What follows the table name is formatted in a 4096-byte buffer: keys of
// 4084 and 4085 characters make it just fit and just overflow. Each entry is
// one write.
TEST_F(LuaHostTest, LongEntriesAreOneWholeWrite)
{
    for (size_t length : {size_t(4084), size_t(4085), size_t(5000)}) {
        const std::string key(length, 'k');
        RecordingFile file;
        CLuaHost::WriteOptionEntry(file, key.c_str(), -1);
        ASSERT_EQ(file.writes.size(), 1u);
        EXPECT_EQ(file.writes[0], "OptionInfoList[\"" + key + "\"] = -1\r\n") << length;
    }
}

// Every key the tool reads finds a value of its range in the example game's
// scripts, and every tooltip key a text: a misspelt key would leave a
// default at 0 or a tooltip empty. The Option page's tooltip keys are its
// command keys without the slash.
TEST_F(LuaHostTest, ExampleScriptsProvideEveryKey)
{
    dir.CopyExampleScripts();
    for (int i = 0; i < kScriptSettingCount; ++i) {
        if (i > kNameMouseExclusive && i < kOptionKeyCount)
            continue;  // screen and detail settings have fixed defaults
        const bool option = i < kOptionKeyCount;
        const int value = LookupNumber(host, kDefaultScript, option ? "OptionInfoList" : "CmdOnOffList",
                                       GetSettingName(i), -1);
        const int top = i == kNameBgmVolume || i == kNameEffectVolume ? 127 : 1;
        EXPECT_TRUE(value >= 0 && value <= top) << GetSettingName(i) << " = " << value;
    }
    for (int i = kNameFirstSystemTip; i < kSettingNameCount; ++i)
        EXPECT_NE(host.GetSetupMessage(GetSettingName(i)), "") << GetSettingName(i);
    EXPECT_NE(host.GetSetupMessage("ISOK"), "");
    for (int k = 0; k < kScriptSettingCount - kNameFirstCommand; ++k)
        EXPECT_EQ(std::string("/") + GetSettingName(kNameFirstCommandTip + k), GetSettingName(kNameFirstCommand + k));
}

}  // namespace
