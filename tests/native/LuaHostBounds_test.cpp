#include "script/LuaHost.h"

#include <chrono>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

extern "C" {
#include <lua.h>
}

#include "script/ChunkCheck.h"
#include "settings/SettingNames.h"
#include "support/LuaChunks.h"
#include "support/LuaHostProbe.h"
#include "support/TempDir.h"

namespace {

const char kDefaultFile[] = "System/LuaFiles514/OptionInfo.lua";
const char kSavedFile[] = "SaveData/OptionInfo.lua";
const char kDefaultScript[] = "System\\LuaFiles514\\OptionInfo";

class LuaHostBoundsTest : public ::testing::Test {
protected:
    void SetUp() override { InitSettingNames(); }

    int KilobytesInUse() { return lua_gc(LuaHostProbe::State(host), LUA_GCCOUNT, 0); }

    TempGameDir dir;
    CLuaHost host;
};

TEST_F(LuaHostBoundsTest, RunawayScriptsEndWithTheDefault)
{
    const struct {
        const char* name;
        const char* script;
    } cases[] = {
        {"endless loop", "OptionInfoList = { K = 5 } while true do end"},
        {"endless recursion by tail call", "local function f() return f() end OptionInfoList = { K = 5 } f()"},
        {"growing table", "OptionInfoList = { K = 5 } local t, i = {}, 0 while true do i = i + 1 t[i] = i end"},
        {"growing string", "OptionInfoList = { K = 5 } local s = 'x' while true do s = s .. s end"},
        {"growing global", "OptionInfoList = { K = 5 } Hoard = {} local i = 0 while true do i = i + 1 Hoard[i] = {} end"},
    };
    const int baseline = KilobytesInUse();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dir.WriteFile(kDefaultFile, c.script);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(LookupNumber(host, "System\\LuaFiles514\\OptionInfo", "OptionInfoList", "K", 77), 77);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
        // The run's data are gone; the library's concatenation buffer only
        // halves per collection, so allow for what is left of it.
        EXPECT_LT(KilobytesInUse(), baseline + static_cast<int>(CLuaHost::kMemoryCap / 8 / 1024));
        dir.WriteFile(kDefaultFile, "OptionInfoList = { K = 5 }");
        EXPECT_EQ(LookupNumber(host, "System\\LuaFiles514\\OptionInfo", "OptionInfoList", "K", 77), 5);
    }
}

TEST_F(LuaHostBoundsTest, CostlyComparisonsEndAtTheDeadline)
{
    // Each would otherwise run for a minute or more.
    const std::string costly = chunk::CostlyComparisons(sizeof(size_t), 1000);
    for (size_t width : {size_t(4), size_t(8)}) {
        const std::string bytes = chunk::CostlyComparisons(width, 1000);
        EXPECT_EQ(CheckChunk(bytes.data(), bytes.size(), width), ChunkVerdict::kData) << width;
    }
    const struct {
        const char* name;
        const char* file;
        std::string bytes;
    } cases[] = {
        {"chunk", "System/LuaFiles514/OptionInfo.lub", costly},
        {"source", kDefaultFile,
         "OptionInfoList = { K = 5 } local s = '\\0' for i = 1, 23 do s = s .. s end while s < s or s do end"},
    };
    CLuaHost native(sizeof(size_t));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dir.WriteFile(c.file, c.bytes);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(LookupNumber(native, kDefaultScript, "OptionInfoList", "K", 77), 77);
        const auto taken = std::chrono::steady_clock::now() - start;
        EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(taken).count(),
                  CLuaHost::kRunDeadlineMs + 2000);
        std::remove(c.file);
    }
}

TEST_F(LuaHostBoundsTest, LargestDataLoadsButNoLargerBlock)
{
    for (const chunk::LargeData& data : chunk::LargestData()) {
        SCOPED_TRACE(data.name);
        dir.WriteFile(kDefaultFile, data.source);
        EXPECT_EQ(LookupNumber(host, kDefaultScript, "OptionInfoList", "K", 77), data.k);
    }
    // A string of 16 MiB, in a state with room for it: its block, with the
    // string's header, is just over.
    dir.WriteFile(kDefaultFile, "OptionInfoList = { K = 5 } local s = 'x' for i = 1, 24 do s = s .. s end");
    CLuaHost fresh;
    EXPECT_EQ(LookupNumber(fresh, kDefaultScript, "OptionInfoList", "K", 77), 77);
}

TEST_F(LuaHostBoundsTest, HoardLeftInAGlobalIsDropped)
{
    // Small steps fill the state until a bound stops them, and the global keeps it all.
    dir.WriteFile(kDefaultFile, "OptionInfoList = { K = 5 } Hoard = {} while true do Hoard = { Hoard } end");
    EXPECT_EQ(LookupNumber(host, "System\\LuaFiles514\\OptionInfo", "OptionInfoList", "K", 77), 77);
    EXPECT_LT(KilobytesInUse(), 1024);
    dir.WriteFile(kDefaultFile, "OptionInfoList = { K = Hoard and 1 or 6 }");
    EXPECT_EQ(LookupNumber(host, "System\\LuaFiles514\\OptionInfo", "OptionInfoList", "K", 77), 6);
    EXPECT_EQ(lua_gettop(LuaHostProbe::State(host)), 0);
}

TEST_F(LuaHostBoundsTest, HugeSourceFailsToCompileAndTheNextCandidateIsUsed)
{
    // A literal larger than the cap makes the compiler run out of its memory.
    dir.WriteFile("System/LuaFiles514/OptionInfo.lub",
                  "OptionInfoList = { K = 1 } S = \"" + std::string(CLuaHost::kMemoryCap / 2 + 1024, 'a') + "\"");
    dir.WriteFile(kDefaultFile, "OptionInfoList = { K = 2 }");
    EXPECT_EQ(DefaultOption(host, "K"), 2);
}

TEST_F(LuaHostBoundsTest, LargeSavedFileStaysWithinTheBounds)
{
    std::string text;
    for (int i = 0; i < 20000; ++i)
        text += (i % 2 ? "OptionInfoList[\"Other" : "CmdOnOffList[\"/other") + std::to_string(i) + "\"] = " +
                std::to_string(i) + "\r\n";
    for (int i = 0; i < kOptionKeyCount; ++i)
        text += "OptionInfoList[\"" + std::string(GetSettingName(i)) + "\"] = " + std::to_string(i + 1) + "\r\n";
    text += "\r\n";
    for (int i = kOptionKeyCount; i < kScriptSettingCount; ++i)
        text += "CmdOnOffList[\"" + std::string(GetSettingName(i)) + "\"] = 1\r\n";
    dir.WriteFile(kSavedFile, text);
    for (int i = 0; i < kOptionKeyCount; ++i)
        EXPECT_EQ(SavedOption(host, GetSettingName(i), 0), i + 1) << GetSettingName(i);
    for (int i = kOptionKeyCount; i < kScriptSettingCount; ++i)
        EXPECT_EQ(SavedCommand(host, GetSettingName(i), 0), 1) << GetSettingName(i);
    EXPECT_EQ(SavedOption(host, "Other19999", 0), 19999);
}

}  // namespace
