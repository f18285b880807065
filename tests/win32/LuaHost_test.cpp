#include "script/LuaHost.h"

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "script/ChunkCheck.h"
#include "settings/SettingNames.h"
#include "support/LuaChunks.h"
#include "support/LuaHostProbe.h"
#include "support/TempDir.h"

#ifndef KES_LUAC51
#error "KES_LUAC51 must name the win32 luac51.exe"
#endif

namespace {

// Whether the tool's host would take `chunk`.
bool IsDataChunk(const std::string& chunk)
{
    return CheckChunk(chunk.data(), chunk.size(), kChunkSizeTWidth) == ChunkVerdict::kData;
}

// Runs our luac (of this build) on `source`, writing `output`; true when it exited with 0.
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

TEST_F(LuaHostWin32Test, ChunkOfThisBuildIsReadBeforeTheSource)
{
    dir.WriteFile("source.lua", "OptionInfoList = { Bgm_Volume = 32 } CmdOnOffList = { ['/fog'] = 1 }");
    dir.WriteFile("System/LuaFiles514/OptionInfo.lua", "OptionInfoList = { Bgm_Volume = 64 } CmdOnOffList = {}");
    ASSERT_TRUE(Precompile("source.lua", "System\\LuaFiles514\\OptionInfo.lub"));
    const std::string chunk = dir.ReadFile("System/LuaFiles514/OptionInfo.lub");
    // Header: Lua 5.1, little-endian, 4-byte int, size_t of this build, 4-byte
    // Instruction, 8-byte number.
    const std::string header = std::string("\x1bLua\x51\x00\x01\x04", 8) + char(kChunkSizeTWidth) + "\x04\x08" + '\0';
    ASSERT_EQ(chunk.substr(0, 12), header);
    EXPECT_EQ(chunk, chunk::Compile(dir.ReadFile("source.lua"), "source.lua"));
    EXPECT_TRUE(IsDataChunk(chunk));

    EXPECT_EQ(DefaultOption(host, "Bgm_Volume"), 32);
    EXPECT_EQ(DefaultCommand(host, "/fog"), 1);
}

// The file of a script, relative to the game folder, with '/' between folders.
std::string FileOf(int script)
{
    std::string file = GetSettingName(script);
    for (char& c : file)
        if (c == '\\')
            c = '/';
    return file;
}

constexpr int kNoNumber = -7777;

// What any lookup could read from the script in one run: every setting name
// and every key of the rich data script, in each of the three tables, as a
// number and as a text. With `run` false, the defaults.
std::vector<std::string> ReadEverything(CLuaHost& host, int script, bool run = true)
{
    std::vector<std::string> names = chunk::RichDataKeys();
    for (int i = 0; i < kSettingNameCount; ++i)
        names.push_back(GetSettingName(i));
    std::vector<CLuaHost::Key> keys;
    for (int table : {kNameOptionTable, kNameCommandTable, kNameMessageTable})
        for (const std::string& name : names) {
            keys.push_back(CLuaHost::Key::Number(GetSettingName(table), name.c_str(), kNoNumber));
            keys.push_back(CLuaHost::Key::Text(GetSettingName(table), name.c_str()));
        }
    if (run)
        host.LookupValues(GetSettingName(script), keys.data(), keys.size());
    std::vector<std::string> values;
    for (const CLuaHost::Key& key : keys)
        values.push_back(key.wantedType == CLuaHost::kNumber ? std::to_string(key.number) : key.text);
    return values;
}

TEST_F(LuaHostWin32Test, ChunksOfDataScriptsReadLikeTheirSource)
{
    dir.CopyExampleScripts();
    RecordingFile saved;
    for (int i = 0; i < kOptionKeyCount; ++i)
        CLuaHost::WriteOptionEntry(saved, GetSettingName(i), 1000 - 37 * i);
    for (int i = kOptionKeyCount; i < kScriptSettingCount; ++i)
        CLuaHost::WriteCommandEntry(saved, GetSettingName(i), i % 2);
    const struct {
        const char* name;
        std::string source;
        int script;
    } cases[] = {
        {"example defaults", dir.ReadFile(FileOf(kNameDefaultScript) + ".lua"), kNameDefaultScript},
        {"example messages", dir.ReadFile(FileOf(kNameMessageScript) + ".lua"), kNameMessageScript},
        {"saved file", saved.Text(), kNameSavedScript},
        {"two tables", "OptionInfoList = { Bgm_Volume = 32 } CmdOnOffList = { ['/fog'] = 1 }", kNameDefaultScript},
        {"rich data as defaults", chunk::RichDataScript(), kNameDefaultScript},
        {"rich data as messages", chunk::RichDataScript(), kNameMessageScript},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = FileOf(c.script);
        std::filesystem::remove(file + ".lub");
        dir.WriteFile(file + ".lua", c.source);
        const std::vector<std::string> fromSource = ReadEverything(host, c.script);
        ASSERT_NE(fromSource, ReadEverything(host, c.script, false)) << "the source sets nothing";

        const std::string chunk = chunk::Compile(c.source, file + ".lua");
        dir.WriteFile(file + ".lub", chunk);
        std::filesystem::remove(file + ".lua");
        EXPECT_EQ(fromSource, ReadEverything(host, c.script));
    }
}

// The memory cap in a 32-bit process, whose address space the hoard would fill.
TEST_F(LuaHostWin32Test, HoardingScriptEndsWithTheDefault)
{
    dir.WriteFile("System/LuaFiles514/OptionInfo.lua",
                  "OptionInfoList = { K = 5 } Hoard = {} while true do Hoard = { Hoard } end");
    EXPECT_EQ(LookupNumber(host, "System\\LuaFiles514\\OptionInfo", "OptionInfoList", "K", 77), 77);
    dir.WriteFile("System/LuaFiles514/OptionInfo.lua", "OptionInfoList = { K = 5 }");
    EXPECT_EQ(LookupNumber(host, "System\\LuaFiles514\\OptionInfo", "OptionInfoList", "K", 77), 5);
}

TEST_F(LuaHostWin32Test, LongEntriesAreNotCut)
{
    const std::string key(5000, 'k');
    RecordingFile file;
    CLuaHost::WriteOptionEntry(file, key.c_str(), -1);
    EXPECT_EQ(file.Text(), "OptionInfoList[\"" + key + "\"] = -1\r\n");
}

}  // namespace
