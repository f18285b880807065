// Registry operations failing during start-up and the save, on the memory
// double: nothing crashes, every key opened is closed, the values that could
// be stored are stored whole, and the option file is saved regardless.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "settings/MemoryRegistry.h"
#include "settings/Registry.h"
#include "settings/RegistryStore.h"
#include "support/SaveCheck.h"
#include "support/TempDir.h"

namespace {

// {name: (type, bytes)} of the settings key.
using Values = std::map<std::string, std::pair<uint32_t, std::string>>;

class FaultInjectionRegistry : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.CopyExampleScripts();
        dir.WriteFile("SaveData/OptionInfo.lua", "GameWindowX = 12\r\nOptionInfoList[\"WIDTH\"] = 800\r\n");
    }

    void TearDown() override
    {
        ShutDown();
    }

    // Start-up and a confirmed save with the registry as the test set it up;
    // what the registry write reported.
    long StartUpAndSave(bool keysClose = true)
    {
        EditSettings(tool.StartUp());
        const std::string expectedFile = ComposeOptionFile(*CRegistry::Instance());
        const SaveResult save = tool.Save();
        EXPECT_EQ(Outcome::kDone, save.optionFile.kind);
        if (keysClose)
            EXPECT_EQ(0u, registry.OpenHandles()) << "a key was left open";
        EXPECT_EQ(expectedFile, dir.ReadFile("SaveData/OptionInfo.lua"));
        EXPECT_EQ(std::set<std::string>{"OptionInfo.lua"}, ListTree(dir.Path() + "/SaveData")) << "a stray file";
        return static_cast<long>(save.registry.code);
    }

    Values Stored() const
    {
        Values values;
        for (const MemoryRegistry::SetCall& call : registry.SetCalls())
            if (const MemoryRegistry::Value* value = registry.Get(kSettingsKey, call.name))
                values[call.name] = {value->type, value->bytes};
        return values;
    }

    // What start-up and a save store with no fault, the registry emptied after.
    Values FaultFree()
    {
        StartUpAndSave();
        const Values values = Stored();
        registry = MemoryRegistry();
        EXPECT_EQ(8u, values.size());
        return values;
    }

    TempGameDir dir;
    SaveRun tool;
    MemoryRegistry& registry = tool.registry;
};

TEST_F(FaultInjectionRegistry, KeyNotCreatableStoresNothingAndSavesTheFile)
{
    registry.Fail(MemoryRegistry::kCreate);
    EXPECT_EQ(kRegAccessDenied, StartUpAndSave());
    EXPECT_FALSE(registry.HasKey(kSettingsKey));
    EXPECT_TRUE(registry.SetCalls().empty());
}

TEST_F(FaultInjectionRegistry, KeyNotOpenableStillWritesEveryValueOnSave)
{
    const Values whole = FaultFree();
    registry.Fail(MemoryRegistry::kOpen);
    EXPECT_EQ(kRegSuccess, StartUpAndSave());
    EXPECT_EQ(whole, Stored());
}

TEST_F(FaultInjectionRegistry, UnreadableValuesKeepDefaults)
{
    registry.AddKey(kSettingsKey);
    registry.Put(kSettingsKey, "SOUNDMODE", kRegDword, std::string("\0\0\0\0", 4));
    registry.Fail(MemoryRegistry::kQuery, kRegMoreData);
    StartUpAndSave();
    EXPECT_EQ(1, CRegistry::Instance()->soundMode);
    EXPECT_EQ('\0', CRegistry::Instance()->deviceName[39]);
}

TEST_F(FaultInjectionRegistry, EachValueFailingInTurnLeavesTheOthersStored)
{
    const Values whole = FaultFree();
    for (const auto& failing : whole) {
        SCOPED_TRACE(failing.first);
        registry = MemoryRegistry();
        registry.Fail(MemoryRegistry::kSet, kRegAccessDenied, failing.first);
        EXPECT_EQ(kRegAccessDenied, StartUpAndSave());
        Values others = whole;
        others.erase(failing.first);
        EXPECT_EQ(others, Stored());
    }
}

// Two values failing with different codes: the one stored first is told.
TEST_F(FaultInjectionRegistry, TheFirstFailureIsTold)
{
    class FailingValues : public MemoryRegistry {
    public:
        std::map<std::string, long> codes;
        long SetValue(RegKey key, const char* name, uint32_t type, const void* data, uint32_t size) override
        {
            const auto code = codes.find(name);
            return code != codes.end() ? code->second : MemoryRegistry::SetValue(key, name, type, data, size);
        }
    };
    const struct {
        std::map<std::string, long> codes;
        long told;
    } cases[] = {
        {{{"GUIDDEVICE", kRegAccessDenied}, {"PROVIDERNAME", 112}}, kRegAccessDenied},
        {{{"SOUNDMODE", 112}, {"DIGITALBITSTYPE", kRegAccessDenied}}, 112},
    };
    EditSettings(tool.StartUp());
    for (const auto& c : cases) {
        FailingValues failing;
        failing.codes = c.codes;
        EXPECT_EQ(c.told, static_cast<long>(WriteRegistry(*CRegistry::Instance(), failing).code));
    }
}

TEST_F(FaultInjectionRegistry, CloseFailingNeitherCrashesNorStopsTheSave)
{
    const Values whole = FaultFree();
    registry.Fail(MemoryRegistry::kClose);
    EXPECT_EQ(kRegSuccess, StartUpAndSave(false)) << "a key that did not close still holds its values";
    EXPECT_EQ(whole, Stored());
}

}  // namespace
