#include "common/Path.h"

#include <gtest/gtest.h>

#include <string>

#include "support/TempDir.h"

namespace {

TEST(NativePath, MatchesExistingComponentsWithoutRegardToCase)
{
    TempGameDir dir;
    dir.WriteFile("SaveData/OptionInfo.lua", "x");
    dir.WriteFile("System/LuaFiles514/MsgString.lua", "y");
    const struct {
        const char* toolPath;
        const char* expected;
    } cases[] = {
        {"SaveData\\OptionInfo.lua", "SaveData/OptionInfo.lua"},
        {"savedata\\OptionInfo.lua", "SaveData/OptionInfo.lua"},
        {"SAVEDATA\\optioninfo.LUA", "SaveData/OptionInfo.lua"},
        {"system\\luafiles514\\msgstring.lua", "System/LuaFiles514/MsgString.lua"},
        {"savedata/OptionInfo.lua", "SaveData/OptionInfo.lua"},
        {"savedata\\\\OptionInfo.lua\\", "SaveData/OptionInfo.lua"},
        // Missing components are kept as written, behind the matched ones.
        {"savedata\\New.lua", "SaveData/New.lua"},
        {"Missing\\Sub\\file.lua", "Missing/Sub/file.lua"},
        {"savedata\\Missing\\OptionInfo.lua", "SaveData/Missing/OptionInfo.lua"},
        {".\\savedata\\..\\SYSTEM", "./SaveData/../System"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, NativePath(c.toolPath)) << c.toolPath;
}

TEST(NativePath, AbsolutePathsStayAbsolute)
{
    TempGameDir dir;
    dir.WriteFile("Folder/File.txt", "x");
    EXPECT_EQ(dir.Path() + "/Folder/File.txt", NativePath(dir.Path() + "\\folder\\FILE.txt"));
}

TEST(NativePath, EverySpellingNamesOneEntryWhenSeveralDifferInCase)
{
    TempGameDir dir;
    dir.WriteFile("savedata/OptionInfo.lua", "lower");
    dir.WriteFile("SaveData/OptionInfo.lua", "mixed");
    dir.WriteFile("SaveData/optioninfo.lua", "mixed, lower file");
    const std::string first = NativePath("SaveData\\OptionInfo.lua");
    for (const char* spelling : {"savedata\\OptionInfo.lua", "SAVEDATA\\OPTIONINFO.LUA", "saveData\\optionInfo.lua"})
        EXPECT_EQ(first, NativePath(spelling)) << spelling;
    EXPECT_TRUE(dir.Exists(first));
    EXPECT_EQ("SaveData/OptionInfo.lua", first) << "the smallest spelling by byte order";
}

TEST(NativePath, FileWrittenUnderOneSpellingIsReadUnderTheOther)
{
    TempGameDir dir;
    dir.WriteFile("savedata/.keep", "");
    dir.WriteFile(NativePath("savedata\\OptionInfo.lua"), "written");
    EXPECT_EQ("written", dir.ReadFile(NativePath("SaveData\\OptionInfo.lua")));
}

}  // namespace
