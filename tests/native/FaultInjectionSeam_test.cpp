// Every file operation of a save failing in turn, through the file seam: the
// option file afterwards holds its old bytes or the whole new file, and no
// temporary file is left behind.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "common/FileOps.h"
#include "settings/Registry.h"
#include "support/SaveCheck.h"
#include "support/TempDir.h"

namespace {

const char kOptionFile[] = "SaveData/OptionInfo.lua";

enum Op { kCreate, kWrite, kFlush, kClose, kReplace, kOpCount };
const char* const kOpNames[kOpCount] = {"create", "write", "flush", "close", "replace"};

// The platform's operations, except that call number `failAt` (from 1) of
// `failing` fails. A failing write first writes half its bytes, as on a disk
// that fills up; a failing close still releases the handle.
class FailingFileOps : public IFileOps {
public:
    FailingFileOps(Op failing, int failAt) : m_failing(failing), m_failAt(failAt) {}

    int Calls(Op op) const { return m_calls[op]; }

    bool ReadAll(const std::string& path, std::string& bytes) override { return m_real.ReadAll(path, bytes); }
    Handle Create(const std::string& path) override
    {
        return Fails(kCreate) ? nullptr : m_real.Create(path);
    }
    bool Write(Handle file, const void* data, size_t size) override
    {
        if (!Fails(kWrite))
            return m_real.Write(file, data, size);
        m_real.Write(file, data, size / 2);
        return false;
    }
    bool Flush(Handle file) override { return !Fails(kFlush) && m_real.Flush(file); }
    bool Close(Handle file) override
    {
        const bool failed = Fails(kClose);
        return m_real.Close(file) && !failed;
    }
    bool Replace(const std::string& source, const std::string& target) override
    {
        return !Fails(kReplace) && m_real.Replace(source, target);
    }
    bool Remove(const std::string& path) override { return m_real.Remove(path); }

private:
    bool Fails(Op op) { return ++m_calls[op] == m_failAt && op == m_failing; }

    IFileOps& m_real = FileSeam::Platform();
    Op m_failing;
    int m_failAt;
    int m_calls[kOpCount] = {};
};

const std::vector<std::string> kForeign = {"GameWindowX = 12", "-- a comment of the launcher",
                                           "OptionInfoList[\"CHATSIZE\"] = 3", "Last = 1"};

std::string OldFile()
{
    std::string text = "GameWindowX = 12\r\n-- a comment of the launcher\r\n";
    text += "OptionInfoList[\"WIDTH\"] = 800\r\nOptionInfoList[\"CHATSIZE\"] = 3\r\n\r\n";
    text += "CmdOnOffList[\"/fog\"] = 0\r\nLast = 1";
    return text;
}

struct SaveResult {
    std::string file;
    std::string expectedNew;
    bool treeUnchanged;
};

// One start-up read and a confirmed save in a fresh game folder, with `ops`
// in place for the save.
SaveResult SaveThrough(IFileOps& ops)
{
    TempGameDir dir;
    dir.CopyExampleScripts();
    dir.WriteFile(kOptionFile, OldFile());
    CRegistry& record = ReadSettingsLikeStartUp();
    EditSettings(record);
    SaveResult result;
    result.expectedNew = ExpectedOptionFile(record.preservedLines, record);
    const std::set<std::string> before = ListTree(dir.Path());
    {
        FileSeam::Override scope(ops);
        SaveConfirmed();
    }
    result.file = dir.ReadFile(kOptionFile);
    result.treeUnchanged = before == ListTree(dir.Path());
    CRegistry::DestroyInstance();
    return result;
}

TEST(FaultInjectionSeam, CleanSaveKeepsForeignLinesAndWritesEveryLine)
{
    FailingFileOps counting(kOpCount, 0);
    const SaveResult result = SaveThrough(counting);
    EXPECT_EQ(result.expectedNew, result.file);
    EXPECT_TRUE(result.treeUnchanged);
    EXPECT_EQ(std::string::npos, result.file.find("800"));
    for (const std::string& line : kForeign)
        EXPECT_NE(std::string::npos, result.file.find(line + "\r\n")) << line;
}

TEST(FaultInjectionSeam, EachOperationFailingInTurnLeavesOldOrNewFile)
{
    FailingFileOps counting(kOpCount, 0);
    SaveThrough(counting);
    int cases = 0;
    for (int op = 0; op < kOpCount; ++op) {
        ASSERT_GT(counting.Calls(static_cast<Op>(op)), 0) << kOpNames[op] << " is never called";
        for (int call = 1; call <= counting.Calls(static_cast<Op>(op)); ++call) {
            SCOPED_TRACE(std::string(kOpNames[op]) + " call " + std::to_string(call));
            FailingFileOps failing(static_cast<Op>(op), call);
            const SaveResult result = SaveThrough(failing);
            EXPECT_TRUE(result.file == OldFile() || result.file == result.expectedNew)
                << "in between:\n" << result.file;
            EXPECT_TRUE(result.treeUnchanged) << "a temporary file was left behind";
            ++cases;
        }
    }
    // Each kept line and each of the tool's lines is at least one write.
    EXPECT_GE(cases, static_cast<int>(kForeign.size()) + 35);
}

// A failure while the kept lines are written is retried with the whole file;
// one later on cannot be, and must leave the old file.
TEST(FaultInjectionSeam, WhichFailuresKeepTheOldFile)
{
    FailingFileOps counting(kOpCount, 0);
    SaveThrough(counting);
    struct Case {
        Op op;
        int call;  // 0: the last call of a clean save
        bool expectNew;
    };
    const Case cases[] = {
        {kCreate, 1, true}, {kWrite, 1, true},    {kWrite, 0, false},
        {kFlush, 1, false}, {kClose, 1, false},   {kReplace, 1, false},
    };
    for (const Case& c : cases) {
        const int call = c.call ? c.call : counting.Calls(c.op);
        SCOPED_TRACE(std::string(kOpNames[c.op]) + " call " + std::to_string(call));
        FailingFileOps failing(c.op, call);
        const SaveResult result = SaveThrough(failing);
        EXPECT_EQ(c.expectNew ? result.expectedNew : OldFile(), result.file);
    }
}

}  // namespace
