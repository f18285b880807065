// Every file operation of a save failing in turn, through the file seam: the
// option file afterwards holds its old bytes or the whole new file, and no
// temporary file is left behind.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "common/FileOps.h"
#include "support/FaultyFileOps.h"
#include "settings/Registry.h"
#include "settings/SaveData.h"
#include "support/SaveCheck.h"
#include "support/TempDir.h"

namespace {

const char kOptionFile[] = "SaveData/OptionInfo.lua";

using Op = FaultyFileOps::Op;
const Op kSaveOps[] = {FaultyFileOps::kCreateNew, FaultyFileOps::kWrite, FaultyFileOps::kFlush,
                       FaultyFileOps::kClose, FaultyFileOps::kReplace};
const char* const kOpNames[FaultyFileOps::kOpCount] = {"read", "create", "write", "flush", "close", "replace", "remove"};

const std::vector<std::string> kForeign = {"GameWindowX = 12", "-- a comment of the launcher",
                                           "OptionInfoList[\"CHATSIZE\"] = 3", "Last = 1"};

std::string OldFile()
{
    std::string text = "GameWindowX = 12\r\n-- a comment of the launcher\r\n";
    text += "OptionInfoList[\"WIDTH\"] = 800\r\nOptionInfoList[\"CHATSIZE\"] = 3\r\n\r\n";
    text += "CmdOnOffList[\"/fog\"] = 0\r\nLast = 1";
    return text;
}

struct SaveTrial {
    std::string file;
    std::string expectedNew;
    bool treeUnchanged;
};

// One start-up read and a confirmed save in a fresh game folder, with `ops`
// in place for the save.
SaveTrial SaveThrough(IFileOps& ops)
{
    TempGameDir dir;
    dir.CopyExampleScripts();
    dir.WriteFile(kOptionFile, OldFile());
    SaveRun tool;
    CRegistry& record = tool.StartUp();
    EditSettings(record);
    SaveTrial result;
    result.expectedNew = ComposeOptionFile(record);
    const std::set<std::string> before = ListTree(dir.Path());
    {
        FileSeam::Override scope(ops);
        tool.Save();
    }
    result.file = dir.ReadFile(kOptionFile);
    result.treeUnchanged = before == ListTree(dir.Path());
    CRegistry::DestroyInstance();
    return result;
}

TEST(FaultInjectionSeam, CleanSaveKeepsForeignLinesAndWritesEveryLine)
{
    FaultyFileOps clean;
    const SaveTrial result = SaveThrough(clean);
    EXPECT_EQ(result.expectedNew, result.file);
    EXPECT_TRUE(result.treeUnchanged);
    EXPECT_EQ(std::string::npos, result.file.find("800"));
    for (const std::string& line : kForeign)
        EXPECT_NE(std::string::npos, result.file.find(line + "\r\n")) << line;
}

TEST(FaultInjectionSeam, EachOperationFailingInTurnLeavesOldOrNewFile)
{
    FaultyFileOps counting;
    SaveThrough(counting);
    for (const Op op : kSaveOps) {
        ASSERT_GT(counting.Count(op), 0) << kOpNames[op] << " is never called";
        for (int call = 0; call < counting.Count(op); ++call) {
            SCOPED_TRACE(std::string(kOpNames[op]) + " call " + std::to_string(call));
            FaultyFileOps failing;
            failing.Fail(op, call);
            const SaveTrial result = SaveThrough(failing);
            EXPECT_TRUE(result.file == OldFile() || result.file == result.expectedNew)
                << "in between:\n" << result.file;
            EXPECT_TRUE(result.treeUnchanged) << "a temporary file was left behind";
        }
    }
}

// A replace that fails half-way: the new file is put in place when the old one
// is already gone, and kept when even that fails; it is never deleted while
// it is the only whole copy.
TEST(FaultInjectionSeam, HalfDoneReplaceNeverLosesTheSave)
{
    const struct {
        const char* name;
        FaultyFileOps::ReplaceFault first;
        bool secondFails;
        const char* file;  // "old", "new" or "none"
        size_t added;      // files left besides the option file
    } cases[] = {
        {"refused", FaultyFileOps::kRefused, true, "old", 0},
        {"old file removed", FaultyFileOps::kTargetRemoved, false, "new", 0},
        {"old file moved aside", FaultyFileOps::kTargetMovedAside, false, "new", 1},
        {"old file removed, then refused", FaultyFileOps::kTargetRemoved, true, "none", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FaultyFileOps failing;
        failing.Fail(FaultyFileOps::kReplace, 0, c.first);
        if (c.secondFails)
            failing.Fail(FaultyFileOps::kReplace, 1);
        TempGameDir dir;
        dir.CopyExampleScripts();
        dir.WriteFile(kOptionFile, OldFile());
        SaveRun tool;
        CRegistry& record = tool.StartUp();
        EditSettings(record);
        const std::string expectedNew = ComposeOptionFile(record);
        const std::set<std::string> before = ListTree(dir.Path());
        {
            FileSeam::Override scope(failing);
            tool.Save();
        }
        const std::string wanted = std::string(c.file) == "old" ? OldFile() : expectedNew;
        if (std::string(c.file) == "none")
            EXPECT_FALSE(dir.Exists(kOptionFile));
        else
            EXPECT_EQ(wanted, dir.ReadFile(kOptionFile));
        std::vector<std::string> added;
        for (const std::string& path : ListTree(dir.Path()))
            if (!before.count(path))
                added.push_back(path);
        ASSERT_EQ(c.added, added.size());
        if (std::string(c.file) == "none") {
            EXPECT_EQ(expectedNew, dir.ReadFile(added[0])) << "the only copy is the temporary file";
            // The next start puts it back in place before it reads.
            const std::vector<std::string> kept = tool.StartUp().preservedLines;
            EXPECT_EQ(expectedNew, dir.ReadFile(kOptionFile));
            EXPECT_EQ(kForeign, kept);
        }
        if (c.first == FaultyFileOps::kTargetMovedAside)
            EXPECT_EQ(OldFile(), dir.ReadFile(added[0]));
        CRegistry::DestroyInstance();
    }
}

}  // namespace
