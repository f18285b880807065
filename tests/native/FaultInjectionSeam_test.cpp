// Saves that meet failing file operations, through the file seam, in one
// table: afterwards the option file holds its old bytes or the whole new file,
// the save says which, and nothing is left beside it but the copy a half-done
// replace leaves: the old file moved aside, or the new one under its
// temporary name when that is the only whole copy.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "common/FileOps.h"
#include "settings/Registry.h"
#include "settings/SaveData.h"
#include "support/FaultyFileOps.h"
#include "support/SaveCheck.h"
#include "support/TempDir.h"

namespace {

const char kOptionFile[] = "SaveData/OptionInfo.lua";

using Op = FaultyFileOps::Op;
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

struct Fault {
    Op op;
    int nth;  // -1: every call
    FaultyFileOps::ReplaceFault how;
    unsigned long code = FaultyFileOps::kFaultCode;
};

enum FileAfter { kOld, kNew, kNone, kOldOrNew };

struct Case {
    std::string name;
    std::vector<Fault> faults;
    FileAfter file;
    Outcome::Kind outcome;
    size_t added = 0;     // files left beside the option file
    bool oldFile = true;  // an option file exists before the save
};

// A start-up, an edit and a confirmed save in a fresh game folder, with the
// case's faults in place for the save; checks what the case says.
void SaveUnder(const Case& c, FaultyFileOps& files)
{
    SCOPED_TRACE(c.name);
    TempGameDir dir;
    dir.CopyExampleScripts();
    dir.WriteFile(c.oldFile ? kOptionFile : "SaveData/.keep", c.oldFile ? OldFile() : "");
    SaveRun tool;
    CRegistry& record = tool.StartUp();
    EditSettings(record);
    const std::string expectedNew = ComposeOptionFile(record);
    const std::set<std::string> before = ListTree(dir.Path());
    for (const Fault& fault : c.faults)
        files.Fail(fault.op, fault.nth, fault.how, fault.code);
    SaveResult saved;
    {
        FileSeam::Override scope(files);
        saved = tool.Save();
    }
    const std::string file = dir.ReadFile(kOptionFile);
    if (c.file != kOldOrNew)
        EXPECT_EQ(c.outcome, saved.optionFile.kind);
    else
        EXPECT_EQ(file == expectedNew, saved.optionFile.kind == Outcome::kDone) << "the save says what it did";
    if (saved.optionFile.kind == Outcome::kFailed) {
        EXPECT_EQ(FaultyFileOps::kFaultCode, saved.optionFile.code) << "the failing operation's own code";
        // The step the box names: the last fault's.
        const Op op = c.faults.back().op;
        EXPECT_EQ(op == FaultyFileOps::kCreateNew ? Outcome::kCreateTemporary
                  : op == FaultyFileOps::kReplace ? Outcome::kReplace
                                                  : Outcome::kWriteTemporary,
                  saved.optionFile.step);
    }

    const std::string old = c.oldFile ? OldFile() : "";
    switch (c.file) {
    case kOld: EXPECT_EQ(old, file); break;
    case kNew: EXPECT_EQ(expectedNew, file); break;
    case kNone: EXPECT_FALSE(dir.Exists(kOptionFile)); break;
    case kOldOrNew: EXPECT_TRUE(file == old || file == expectedNew) << "in between:\n" << file; break;
    }
    std::vector<std::string> added;
    for (const std::string& path : ListTree(dir.Path()))
        if (!before.count(path) && path != kOptionFile)
            added.push_back(path);
    ASSERT_EQ(c.added, added.size()) << (added.empty() ? "" : added[0]);
    if (c.file == kNone && c.added == 1) {
        EXPECT_EQ(expectedNew, dir.ReadFile(added[0])) << "the only copy is the temporary file";
        // The next start puts it back in place before it reads.
        const CRegistry& recovered = tool.StartUp();
        EXPECT_EQ(kForeign, recovered.preservedLines);
        EXPECT_EQ(expectedNew, ComposeOptionFile(recovered)) << "the start-up took the recovered file's values";
        EXPECT_EQ(expectedNew, dir.ReadFile(kOptionFile));
    } else if (c.added == 1) {
        EXPECT_EQ(OldFile(), dir.ReadFile(added[0])) << "the old file moved aside";
    }
    ShutDown();
}

TEST(OldOrNew, FailingFileOperations)
{
    const Case cases[] = {
        {"no fault", {}, kNew, Outcome::kDone},
        {"every create", {{FaultyFileOps::kCreateNew, -1, FaultyFileOps::kRefused}}, kOld, Outcome::kFailed},
        {"first create only", {{FaultyFileOps::kCreateNew, 0, FaultyFileOps::kRefused}}, kNew, Outcome::kDone},
        // The last create's failure is the one told.
        {"every create, the first for another reason",
         {{FaultyFileOps::kCreateNew, 0, FaultyFileOps::kRefused, 13}, {FaultyFileOps::kCreateNew, -1, FaultyFileOps::kRefused}},
         kOld, Outcome::kFailed},
        {"write", {{FaultyFileOps::kWrite, -1, FaultyFileOps::kRefused}}, kOld, Outcome::kFailed},
        {"flush", {{FaultyFileOps::kFlush, -1, FaultyFileOps::kRefused}}, kOld, Outcome::kFailed},
        {"close", {{FaultyFileOps::kClose, -1, FaultyFileOps::kRefused}}, kOld, Outcome::kFailed},
        {"replace refused", {{FaultyFileOps::kReplace, -1, FaultyFileOps::kRefused}}, kOld, Outcome::kFailed},
        {"first save, write", {{FaultyFileOps::kWrite, -1, FaultyFileOps::kRefused}}, kNone, Outcome::kFailed,
         0, false},
        {"first save, replace", {{FaultyFileOps::kReplace, -1, FaultyFileOps::kRefused}}, kNone,
         Outcome::kFailed, 0, false},
        // A replace that fails half-way: the new file goes in place when the
        // old one is already gone, and stays where it is when even that fails.
        {"old file removed", {{FaultyFileOps::kReplace, 0, FaultyFileOps::kTargetRemoved}}, kNew,
         Outcome::kDone},
        {"old file moved aside", {{FaultyFileOps::kReplace, 0, FaultyFileOps::kTargetMovedAside}}, kNew,
         Outcome::kDone, 1},
        {"old file removed, then refused",
         {{FaultyFileOps::kReplace, 0, FaultyFileOps::kTargetRemoved}, {FaultyFileOps::kReplace, 1, FaultyFileOps::kRefused}},
         kNone, Outcome::kFailed, 1},
    };
    for (const Case& c : cases) {
        FaultyFileOps files;
        SaveUnder(c, files);
    }
}

// Each call of each operation of a save failing in turn.
TEST(OldOrNew, EachCallFailingInTurn)
{
    FaultyFileOps counting;
    SaveUnder(Case{"counting", {}, kNew, Outcome::kDone}, counting);
    for (const Op op : {FaultyFileOps::kCreateNew, FaultyFileOps::kWrite, FaultyFileOps::kFlush, FaultyFileOps::kClose,
                        FaultyFileOps::kReplace}) {
        ASSERT_GT(counting.Count(op), 0) << kOpNames[op] << " is never called";
        for (int call = 0; call < counting.Count(op); ++call) {
            FaultyFileOps failing;
            SaveUnder(Case{std::string(kOpNames[op]) + " call " + std::to_string(call),
                     {{op, call, FaultyFileOps::kRefused}}, kOldOrNew, Outcome::kDone},
                failing);
        }
    }
}

}  // namespace
