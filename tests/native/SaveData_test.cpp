// The save-data option file: which lines are kept, the exact bytes of a save,
// bad files, and what a save leaves when it cannot replace the file.
#include <gtest/gtest.h>

#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <random>
#include <set>
#include <iterator>
#include <string>
#include <vector>

#include "script/LuaHost.h"
#include "settings/MemoryRegistry.h"
#include "settings/Registry.h"
#include "settings/RegistryStore.h"
#include "settings/SettingNames.h"
#include "support/FaultyFileOps.h"
#include "support/RecordTest.h"
#include "support/SaveCheck.h"
#include "support/TempDir.h"

namespace {

using Lines = std::vector<std::string>;

const char kFile[] = "SaveData/OptionInfo.lua";

// Root ignores file modes through two capabilities; while this lives, this
// thread runs without them, so a mode test means the same as for a player.
class FileModesHold {
public:
    FileModesHold()
    {
        if (syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct lowered[2] = {m_saved[0], m_saved[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_held = syscall(SYS_capset, &m_header, lowered) == 0;
    }
    ~FileModesHold()
    {
        if (m_held)
            syscall(SYS_capset, &m_header, m_saved);
    }
    FileModesHold(const FileModesHold&) = delete;
    FileModesHold& operator=(const FileModesHold&) = delete;
    explicit operator bool() const { return m_held; }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2] = {};
    bool m_held = false;
};

class SaveDataTest : public RecordTest {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(RecordTest::SetUp());
        EditSettings(*record);
    }

    // The option file's kept lines after the tool's start-up over `bytes`.
    Lines Read(const std::string& bytes)
    {
        dir.WriteFile(kFile, bytes);
        record = &tool.StartUp();
        return record->preservedLines;
    }

    Outcome Save() { return tool.Save().optionFile; }

    // Reads the saved file back and saves again.
    std::string SaveAgain()
    {
        Read(dir.ReadFile(kFile));
        Save();
        return dir.ReadFile(kFile);
    }

    TempGameDir dir;
    SaveRun tool;
};

TEST_F(SaveDataTest, KeepsForeignLinesOnly)
{
    const std::string own = ComposeOptionFile(*record);
    const struct {
        const char* name;
        std::string bytes;
        Lines kept;
    } cases[] = {
        {"only the tool's lines", own, {}},
        {"foreign lines in order around the tool's", "a = 1\r\n" + own + "OptionInfoList[\"Other\"] = 5\r\nb = 2\r\n",
         {"a = 1", "OptionInfoList[\"Other\"] = 5", "b = 2"}},
        {"keys inside longer words", "X[\"SCREENWIDTH\"] = 3\r\nHEIGHTS = 1\r\n-- CmdOnOffList note\r\nkept\r\n", {"kept"}},
        {"tests are case-sensitive", "width = 1\r\ncmdonofflist = 2\r\n", {"width = 1", "cmdonofflist = 2"}},
        {"blank lines", "\r\n\n\r\n x\r\n\r\n", {" x"}},
        {"last line without an end", "x = 1\r\ny = 2", {"x = 1", "y = 2"}},
        {"LF alone ends a line", "x = 1\ny = 2\n", {"x = 1", "y = 2"}},
        {"only the CR before LF goes", "a\r\r\nb\rc\r\n", {"a\r", "b\rc"}},
        {"CR alone does not end a line", "p = 1\rWIDTH = 2\r", {}},
        {"a CR at the very end stays", "p = 1\r", {"p = 1\r"}},
        {"NUL bytes", std::string("ab\0cd\r\n\0WIDTH\r\nx\0WIDTH\r\n", 24),
         {std::string("ab\0cd", 5), std::string("x\0WIDTH", 7)}},
        {"empty file", "", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.kept, Read(c.bytes)) << c.name;
}

TEST_F(SaveDataTest, MissingOrUnreadableFileKeepsWhatWasThere)
{
    record->preservedLines = {"earlier"};
    ReadSaveDataLines(*CRegistry::Instance(), FileSeam::Current());
    EXPECT_EQ(Lines{"earlier"}, record->preservedLines) << "no file";

    dir.WriteFile("SaveData/OptionInfo.lua/inside", "x");
    ReadSaveDataLines(*CRegistry::Instance(), FileSeam::Current());
    EXPECT_EQ(Lines{"earlier"}, record->preservedLines) << "OptionInfo.lua is a folder";

    FaultyFileOps files;
    files.Fail(FaultyFileOps::kReadAll);
    FileSeam::Override scope(files);
    ReadSaveDataLines(*CRegistry::Instance(), FileSeam::Current());
    EXPECT_EQ(Lines{"earlier"}, record->preservedLines) << "read fails";
}

TEST_F(SaveDataTest, SaveWritesKeptLinesThenTheToolsLines)
{
    dir.WriteFile("savedata/.keep", "");
    record->preservedLines = {"first = 1", std::string("cut\0here", 8), "last"};
    // A value of its own in every field, set by name: a field written under
    // another's key shows.
    int32_t CRegistry::*const named[] = {&CRegistry::effectVolume, &CRegistry::mouseExclusive, &CRegistry::fullScreen,
                                         &CRegistry::bitsPerPixel, &CRegistry::deviceIndex,    &CRegistry::modeIndex,
                                         &CRegistry::spriteMode,   &CRegistry::textureMode,    &CRegistry::bgmOn,
                                         &CRegistry::soundOn};
    for (size_t i = 0; i < std::size(named); ++i)
        record->*named[i] = 11 + static_cast<int32_t>(i);
    record->bgmVolume = -5;
    record->width = 640;
    record->height = 768;
    for (int k = 0; k < kCommandCount; ++k)
        record->commandFlags[k] = 100 + k;
    record->commandFlags[20] = -2147483647 - 1;  // the longest number
    Save();
    EXPECT_EQ("first = 1\r\n"
              "cut\r\n"
              "last\r\n"
              "OptionInfoList[\"Bgm_Volume\"] = -5\r\n"
              "OptionInfoList[\"Effect_Volume\"] = 11\r\n"
              "OptionInfoList[\"MouseExclusive\"] = 12\r\n"
              "OptionInfoList[\"ISFULLSCREENMODE\"] = 13\r\n"
              "OptionInfoList[\"WIDTH\"] = 640\r\n"
              "OptionInfoList[\"HEIGHT\"] = 768\r\n"
              "OptionInfoList[\"BITPERPIXEL\"] = 14\r\n"
              "OptionInfoList[\"DEVICECNT\"] = 15\r\n"
              "OptionInfoList[\"MODECNT\"] = 16\r\n"
              "OptionInfoList[\"SPRITEMODE\"] = 17\r\n"
              "OptionInfoList[\"TEXTUREMODE\"] = 18\r\n"
              "\r\n"
              "CmdOnOffList[\"/bgm\"] = 19\r\n"
              "CmdOnOffList[\"/sound\"] = 20\r\n"
              "CmdOnOffList[\"/notrade\"] = 100\r\n"
              "CmdOnOffList[\"/noshift\"] = 101\r\n"
              "CmdOnOffList[\"/noctrl\"] = 102\r\n"
              "CmdOnOffList[\"/skillfail\"] = 103\r\n"
              "CmdOnOffList[\"/notalkmsg\"] = 104\r\n"
              "CmdOnOffList[\"/notalkmsg2\"] = 105\r\n"
              "CmdOnOffList[\"/showname\"] = 106\r\n"
              "CmdOnOffList[\"/fog\"] = 107\r\n"
              "CmdOnOffList[\"/aura\"] = 108\r\n"
              "CmdOnOffList[\"/window\"] = 109\r\n"
              "CmdOnOffList[\"/miss\"] = 110\r\n"
              "CmdOnOffList[\"/effect\"] = 111\r\n"
              "CmdOnOffList[\"/shopping\"] = 112\r\n"
              "CmdOnOffList[\"/stateinfo\"] = 113\r\n"
              "CmdOnOffList[\"/loginout\"] = 114\r\n"
              "CmdOnOffList[\"/snap\"] = 115\r\n"
              "CmdOnOffList[\"/itemsnap\"] = 116\r\n"
              "CmdOnOffList[\"/camera\"] = 117\r\n"
              "CmdOnOffList[\"/hoai\"] = 118\r\n"
              "CmdOnOffList[\"/merai\"] = 119\r\n"
              "CmdOnOffList[\"/lightmap\"] = -2147483648\r\n",
              dir.ReadFile("savedata/OptionInfo.lua"));
}

TEST_F(SaveDataTest, GarbageSurvivesTwoSavesUnchanged)
{
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        std::string bytes(4096, '\0');
        for (char& c : bytes)
            c = static_cast<char>(random() % 4 == 0 ? "\r\n\0W"[random() % 4] : random());
        Read(bytes);
        for (const std::string& line : record->preservedLines)
            ASSERT_EQ(std::string::npos, line.find('\n'));
        Save();
        const std::string first = dir.ReadFile(kFile);
        ASSERT_EQ(first, SaveAgain()) << "round " << round;
    }
}

TEST_F(SaveDataTest, HugeLineAndManyLines)
{
    const std::string huge(10 << 20, 'x');
    EXPECT_EQ(Lines{huge}, Read(huge + "\r\nOptionInfoList[\"WIDTH\"] = 1\r\n"));
    Save();
    EXPECT_EQ(ComposeOptionFile(*record), dir.ReadFile(kFile));

    std::string many;
    for (int i = 0; i < 100000; ++i)
        many += "v" + std::to_string(i) + " = " + std::to_string(i) + "\r\n";
    const Lines kept = Read(many);
    ASSERT_EQ(100000u, kept.size());
    EXPECT_EQ("v0 = 0", kept.front());
    EXPECT_EQ("v99999 = 99999", kept.back());
    Save();
    EXPECT_EQ(ComposeOptionFile(*record), dir.ReadFile(kFile));
}

TEST_F(SaveDataTest, ReadOnlyFileIsLeftAlone)
{
    dir.WriteFile(kFile, "old\r\n");
    const FileModesHold modes;
    ASSERT_TRUE(modes);
    ASSERT_EQ(0, chmod((dir.Path() + "/" + kFile).c_str(), 0444));
    const Outcome outcome = Save();
    EXPECT_EQ(Outcome::kFailed, outcome.kind);
    EXPECT_EQ(static_cast<unsigned long>(EACCES), outcome.code);
    EXPECT_EQ("old\r\n", dir.ReadFile(kFile));
    EXPECT_EQ((std::set<std::string>{"SaveData", "SaveData/OptionInfo.lua"}), ListTree(dir.Path()));
}

TEST_F(SaveDataTest, LubBesideTheLuaFileWins)
{
    dir.WriteFile("System/LuaFiles514/OptionInfo.lua", "CmdOnOffList = { [\"/fog\"] = 5 }\n");
    dir.WriteFile("SaveData/OptionInfo.lub", "OptionInfoList[\"WIDTH\"] = 1111\n");
    dir.WriteFile(kFile, "OptionInfoList[\"WIDTH\"] = 2222\nCmdOnOffList[\"/fog\"] = 1\nforeign = 1\n");
    record = &tool.StartUp();
    EXPECT_EQ(1111, record->width);
    EXPECT_EQ(5, record->commandFlags[7]) << "the .lub has no /fog, and its tables start empty: the default stays";
    EXPECT_EQ(Lines{"foreign = 1"}, record->preservedLines) << "lines come from the .lua file";

    record->width = 3333;
    Save();
    EXPECT_EQ("OptionInfoList[\"WIDTH\"] = 1111\n", dir.ReadFile("SaveData/OptionInfo.lub"));
    record = &tool.StartUp();
    EXPECT_EQ(1111, record->width) << "the next start reads the .lub again";
}

// A start-up that could not read the whole option file must not replace it:
// the lines it did not get would be lost; a later whole read may.
TEST_F(SaveDataTest, FileReadOnlyInPartIsNotReplaced)
{
    const std::string old = "foreign = 1\r\nkept = 2\r\n" + ComposeOptionFile(*record);
    dir.WriteFile(kFile, old);
    FaultyFileOps files;
    files.Fail(FaultyFileOps::kReadAll);
    {
        FileSeam::Override scope(files);
        record = &tool.StartUp();
    }
    record->width = 1280;
    EXPECT_EQ(Outcome::kNotReadWhole, Save().kind);
    EXPECT_EQ(old, dir.ReadFile(kFile));

    record = &tool.StartUp();
    ASSERT_TRUE(record->optionFileRead) << "a later whole read allows the save again";
    record->width = 1280;
    EXPECT_EQ(Outcome::kDone, Save().kind);
    EXPECT_NE(std::string::npos, dir.ReadFile(kFile).find("[\"WIDTH\"] = 1280\r\n"));
}

// Temporary files of killed saves go with the next save; those of running
// processes, other names and everything else stay. Without the option file a
// leftover may be the only copy of a save, so nothing is removed then.
TEST_F(SaveDataTest, SaveRemovesOnlyWhatKilledSavesLeft)
{
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    ASSERT_GT(child, 0);
    waitpid(child, nullptr, 0);
    const std::string dead = std::to_string(child);
    const std::string stale = "SaveData/OptionInfo.lua." + dead + "-0.tmp";
    const std::set<std::string> kept = {
        "SaveData/OptionInfo.lua.1-0.tmp",  // process 1 is running
        "SaveData/OptionInfo.lua.new",      "SaveData/OptionInfo.lua." + dead + ".tmp",
        "SaveData/OptionInfo.lua." + dead + "-0.tmp.bak", "SaveData/notes.txt",
        // Names no save makes: no process 0, numbers past their range.
        "SaveData/OptionInfo.lua.0-0.tmp", "SaveData/OptionInfo.lua." + dead + "-16.tmp",
        "SaveData/OptionInfo.lua.4294967296-0.tmp",
    };
    // Names a save makes: the last of its 16 numbers, the largest process id.
    for (const std::string& path :
         {"SaveData/OptionInfo.lua." + dead + "-15.tmp", std::string("SaveData/OptionInfo.lua.4294967295-3.tmp")})
        dir.WriteFile(path, "x");
    for (const std::string& path : kept)
        dir.WriteFile(path, "x");
    dir.WriteFile(stale, "half a save");
    dir.WriteFile("SaveData/OptionInfo.lua." + dead + "-7.tmp", "x");
    dir.WriteFile(kFile, "x = 1\r\n");

    Save();
    std::set<std::string> expected = kept;
    expected.insert({"SaveData", kFile});
    EXPECT_EQ(expected, ListTree(dir.Path()));

    ASSERT_EQ(0, std::remove((dir.Path() + "/" + kFile).c_str()));
    dir.WriteFile(stale, "cut short by a kill");
    record = &tool.StartUp();
    EXPECT_FALSE(dir.Exists(kFile)) << "a partial save was put in place";
    Save();
    EXPECT_TRUE(dir.Exists(stale)) << "removed while the option file was missing";
    Save();
    EXPECT_FALSE(dir.Exists(stale));
}

// With the option file missing, a leftover goes in place only when it ends
// with the last command line and its CR LF.
TEST_F(SaveDataTest, OnlyAWholeLeftoverIsPutInPlace)
{
    const std::string whole = ComposeOptionFile(*record);
    const std::string lastLine = whole.substr(whole.rfind("\r\n", whole.size() - 3) + 2);
    const struct {
        const char* name;
        std::string bytes;
        bool putInPlace;
    } cases[] = {
        {"whole", whole, true},
        {"without its last CR LF", whole.substr(0, whole.size() - 2), false},
        {"without its last LF", whole.substr(0, whole.size() - 1), false},
        {"without its last line", whole.substr(0, whole.size() - lastLine.size()), false},
    };
    const std::string leftover = std::string(kFile) + ".4294967295-0.tmp";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::remove((dir.Path() + "/" + kFile).c_str());
        dir.WriteFile(leftover, c.bytes);
        record = &tool.StartUp();
        EXPECT_EQ(c.putInPlace, dir.Exists(kFile));
        EXPECT_EQ(!c.putInPlace, dir.Exists(leftover));
        std::remove((dir.Path() + "/" + leftover).c_str());
    }
}

}  // namespace
