// Start-up and the confirmed save as the tool runs them, on the doubles: what
// the player is told after the sheet about each part that did not land.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "common/ErrorText.h"
#include "settings/SaveData.h"
#include "support/FaultyFileOps.h"
#include "script/LuaHost.h"
#include "support/SaveCheck.h"
#include "support/ScriptedDisplay.h"
#include "support/TempDir.h"

namespace {

const char kOld[] = "Kept = 1\r\n";
const std::string kFileLine = "\nsavedata\\OptionInfo.lua: ";
const std::string kKeyLine = "\nHKEY_LOCAL_MACHINE\\Software\\Morvane Soft\\Kestrune:\ncould not write it: ";

TEST(SequenceTest, TheBoxNamesEachPartThatDidNotLand)
{
    const std::string notSaved = "The settings were not saved.\n";
    const std::string fileOnly = "The settings were saved in the registry, but not in savedata\\OptionInfo.lua.\n";
    const std::string registryOnly = "The settings were saved in savedata\\OptionInfo.lua, but not in the registry.\n";
    const struct {
        const char* name;
        bool registryFails;
        FaultyFileOps::Op fileFault;  // kOpCount: none
        bool refuseReads;
        std::string text;
    } cases[] = {
        {"everything landed", false, FaultyFileOps::kOpCount, false, ""},
        {"the registry only", true, FaultyFileOps::kOpCount, false,
         registryOnly + kKeyLine + RegistryErrorText(kRegAccessDenied)},
        {"the file only", false, FaultyFileOps::kReplace, false,
         fileOnly + kFileLine + "could not replace it: " + FileErrorText(FaultyFileOps::kFaultCode)},
        {"both", true, FaultyFileOps::kWrite, false,
         notSaved + kKeyLine + RegistryErrorText(kRegAccessDenied) + kFileLine +
             "could not write the temporary file: " + FileErrorText(FaultyFileOps::kFaultCode)},
        {"the file read in part at start", false, FaultyFileOps::kReadAll, false,
         fileOnly + kFileLine + "it could not be read whole when the setup started, so it was left as it was"},
        {"the file's location unknown", false, FaultyFileOps::kOpCount, true,
         fileOnly + kFileLine + "its location could not be checked"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempGameDir dir;
        dir.CopyExampleScripts();
        dir.WriteFile("SaveData/OptionInfo.lua", kOld);
        FaultyFileOps files;
        files.refuseReads = c.refuseReads;
        if (c.fileFault != FaultyFileOps::kOpCount)
            files.Fail(c.fileFault);
        FileSeam::Override scope(files);
        SaveRun tool;
        if (c.registryFails)
            tool.registry.Fail(MemoryRegistry::kSet, kRegAccessDenied, "SOUNDMODE");
        EditSettings(tool.StartUp());
        const SaveResult saved = tool.Save();
        EXPECT_EQ(c.text, FailedSaveText(saved));
        const bool fileLanded = c.text.empty() || c.text == registryOnly + kKeyLine + RegistryErrorText(kRegAccessDenied);
        EXPECT_EQ(fileLanded, dir.ReadFile("SaveData/OptionInfo.lua") != kOld);
        ShutDown();
    }
}

// The confirmed save clears the leftovers, writes the registry, then puts the
// option file in place.
TEST(SequenceTest, TheSavesRunInTheirOrder)
{
    std::vector<std::string> log;
    const auto note = [&log](const char* step) {
        if (log.empty() || log.back() != step)
            log.push_back(step);
    };
    class LoggedRegistry : public MemoryRegistry {
    public:
        std::function<void(const char*)> note;
        long SetValue(RegKey key, const char* name, uint32_t type, const void* data, uint32_t size) override
        {
            note("registry");
            return MemoryRegistry::SetValue(key, name, type, data, size);
        }
    };
    class LoggedFiles : public FaultyFileOps {
    public:
        std::function<void(const char*)> note;
        Outcome Remove(const std::string& path) override
        {
            note("remove");
            return FaultyFileOps::Remove(path);
        }
        Outcome Replace(const std::string& source, const std::string& target) override
        {
            note("replace");
            return FaultyFileOps::Replace(source, target);
        }
    };
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    ASSERT_GT(child, 0);
    waitpid(child, nullptr, 0);
    TempGameDir dir;
    dir.CopyExampleScripts();
    dir.WriteFile("SaveData/OptionInfo.lua", kOld);
    dir.WriteFile("SaveData/OptionInfo.lua." + std::to_string(child) + "-0.tmp", "left by a kill");
    LoggedRegistry registry;
    LoggedFiles files;
    ScriptedDisplaySource displays;
    registry.note = note;
    files.note = note;
    const SetupParts parts{registry, files, displays, CLuaHost::Instance()};
    CRegistry* record = StartUp(parts);
    ASSERT_NE(nullptr, record);
    log.clear();
    SaveConfirmed(*record, parts);
    EXPECT_EQ((std::vector<std::string>{"remove", "registry", "replace"}), log);
    ShutDown();
}

// A record that already exists makes CrateInstance fail, as running out of
// memory would: then start-up reads and writes nothing.
TEST(SequenceTest, NoRecordNoOtherStep)
{
    TempGameDir dir;
    dir.WriteFile("SaveData/OptionInfo.lua", "GameWindowX = 12\r\n");
    ASSERT_NE(StartFreshRecord(), nullptr);
    CRegistry& record = *CRegistry::Instance();
    record.width = 1234;
    ScriptedDisplaySource displays;
    displays.drivers.resize(1);
    MemoryRegistry registry;
    EXPECT_EQ(nullptr, StartUp(SetupParts{registry, FileSeam::Current(), displays, CLuaHost::Instance()}));
    EXPECT_EQ(&record, CRegistry::Instance());
    EXPECT_EQ(1234, record.width) << "no defaults";
    EXPECT_EQ(0, displays.opened) << "no enumeration";
    EXPECT_TRUE(registry.AccessLog().empty());
    EXPECT_TRUE(record.preservedLines.empty()) << "the option file is not read";
    ShutDown();
    EXPECT_EQ(nullptr, CRegistry::Instance());
}

}  // namespace
