#include "script/LuaHost.h"

#include <windows.h>

#include <chrono>
#include <string>

#include <gtest/gtest.h>

#include "settings/SettingNames.h"
#include "support/TempDir.h"

#ifndef KES_LUAC51
#error "KES_LUAC51 must name the win32 luac51.exe"
#endif

namespace {

// Runs our 32-bit luac on `source`, writing `output`; true when it exited with 0.
bool Precompile(const std::string& source, const std::string& output)
{
    std::string program = KES_LUAC51;
    for (char& c : program)
        if (c == '/')
            c = '\\';
    std::string commandLine = "\"" + program + "\" -o \"" + output + "\" \"" + source + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    DWORD exitCode = 1;
    if (WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &exitCode);
    else
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode == 0;
}

class LuaHostWin32Test : public ::testing::Test {
protected:
    void SetUp() override { InitSettingNames(); }

    TempGameDir dir;
    CLuaHost host;
};

TEST_F(LuaHostWin32Test, ThirtyTwoBitChunkIsReadBeforeTheSource)
{
    dir.WriteFile("source.lua", "OptionInfoList = { Bgm_Volume = 32 } CmdOnOffList = { ['/fog'] = 1 }");
    dir.WriteFile("System/LuaFiles514/OptionInfo.lua", "OptionInfoList = { Bgm_Volume = 64 } CmdOnOffList = {}");
    ASSERT_TRUE(Precompile("source.lua", "System\\LuaFiles514\\OptionInfo.lub"));
    const std::string chunk = dir.ReadFile("System/LuaFiles514/OptionInfo.lub");
    ASSERT_EQ(chunk.substr(0, 12), std::string("\x1bLua\x51\x00\x01\x04\x04\x04\x08\x00", 12));

    EXPECT_EQ(host.GetDefaultOption("Bgm_Volume"), 32);
    EXPECT_EQ(host.GetDefaultCommand("/fog"), 1);
    // With the saved file missing, its lookups read the same chunk.
    EXPECT_EQ(host.GetSavedOption("Bgm_Volume", 7), 32);
}

TEST_F(LuaHostWin32Test, RunawayScriptEndsWithTheDefault)
{
    const char* const scripts[] = {
        "OptionInfoList = { K = 5 } while true do end",
        "OptionInfoList = { K = 5 } Hoard = {} while true do Hoard = { Hoard } end",
    };
    for (const char* script : scripts) {
        SCOPED_TRACE(script);
        dir.WriteFile("System/LuaFiles514/OptionInfo.lua", script);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(host.GetInt("System\\LuaFiles514\\OptionInfo", "OptionInfoList", "K", 77), 77);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
    }
    dir.WriteFile("System/LuaFiles514/OptionInfo.lua", "OptionInfoList = { K = 5 }");
    EXPECT_EQ(host.GetInt("System\\LuaFiles514\\OptionInfo", "OptionInfoList", "K", 77), 5);
}

TEST(LuaHostWin32Format, LongTextIsNotCut)
{
    const std::string key(5000, 'k');
    EXPECT_EQ(CLuaHost::FormatText("[\"%s\"] = %d\r\n", key.c_str(), -1), "[\"" + key + "\"] = -1\r\n");
}

}  // namespace
