// The start-up steps and the saves together, run the way the application runs
// them: settings survive a confirmed save and the next start, and nothing is
// saved without confirmation.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/SetupApp.h"
#include "ui/SetupOption.h"
#include "display/DeviceTable.h"
#include "settings/MemoryRegistry.h"
#include "settings/Registry.h"
#include "settings/RegistryStore.h"
#include "support/FaultyFileOps.h"
#include "support/ScriptedDisplay.h"
#include "support/TempDir.h"

namespace {

// The 34 script-backed fields in the order of setting names 0 to 33.
int32_t& ScriptField(CRegistry& r, int index)
{
    int32_t* const options[] = {&r.bgmVolume,    &r.effectVolume, &r.mouseExclusive, &r.fullScreen,
                                &r.width,        &r.height,       &r.bitsPerPixel,   &r.deviceIndex,
                                &r.modeIndex,    &r.spriteMode,   &r.textureMode,    &r.bgmOn,
                                &r.soundOn};
    return index < 13 ? *options[index] : r.commandFlags[index - 13];
}

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.CopyExampleScripts();
        dir.WriteFile("SaveData/OptionInfo.lua", "GameWindowX = 12\r\n");
        ScriptedDriver driver;
        driver.description = "Primary";
        driver.modes = {{640, 480, 16}, {800, 600, 16}};
        driver.devices = {{"First HAL", kHardwareDevice, kAllDepths, MakeGuid(1)},
                          {"Second HAL", kHardwareDevice, kAllDepths, MakeGuid(2)}};
        source.drivers = {driver};
        ResetModeList();
    }

    void TearDown() override
    {
        CSetupApp::ShutDown();
        saveConfirmed = false;
    }

    // One run of the tool: start-up, `edit` as the pages would, the saves.
    template <typename Edit>
    void Run(bool confirmed, Edit edit)
    {
        ASSERT_TRUE(CSetupApp::StartUp());
        edit(*CRegistry::Instance());
        saveConfirmed = confirmed;
        CSetupApp::SaveIfConfirmed();
        saveConfirmed = false;
        CSetupApp::ShutDown();
    }

    std::string File() const { return dir.ReadFile("SaveData/OptionInfo.lua"); }

    TempGameDir dir;
    ScriptedDisplaySource source;
    ScopedDisplaySource displays{source};
    MemoryRegistry registry;
    RegistrySeam::Override scope{registry};
};

TEST_F(StartupTest, EverySettingSurvivesASaveAndTheNextStart)
{
    const GUID second = MakeGuid(2);
    Run(true, [&](CRegistry& r) {
        for (int i = 0; i < 34; ++i)
            ScriptField(r, i) = 7 * i - 40;
        r.soundMode = 0;
        std::strcpy(r.deviceName, "Second HAL");
        r.deviceGuid = second;
    });
    const std::string saved = File();

    ASSERT_TRUE(CSetupApp::StartUp());
    CRegistry& r = *CRegistry::Instance();
    for (int i = 0; i < 34; ++i)
        EXPECT_EQ(7 * i - 40, ScriptField(r, i)) << "setting " << i;
    EXPECT_EQ(0, r.soundMode);
    EXPECT_STREQ("Second HAL", r.deviceName);
    EXPECT_EQ(0, std::memcmp(&second, &r.deviceGuid, sizeof second));
    EXPECT_EQ(std::vector<std::string>{"GameWindowX = 12"}, r.preservedLines);
    CSetupApp::ShutDown();

    Run(true, [](CRegistry&) {});
    EXPECT_EQ(saved, File()) << "a save without changes gives the same bytes";
}

TEST_F(StartupTest, UnconfirmedSheetSavesNothing)
{
    Run(false, [](CRegistry& r) {
        r.width = 1024;
        r.soundMode = 0;
    });
    EXPECT_EQ("GameWindowX = 12\r\n", File());
    // Only the first start's own store of the defaults reached the registry.
    EXPECT_EQ(8u, registry.SetCalls().size());
    EXPECT_EQ(std::string("\1\0\0\0", 4), registry.Get(kSettingsKey, "SOUNDMODE")->bytes);
}

TEST_F(StartupTest, FirstStartFindsDefaultsFromTheGameScripts)
{
    ASSERT_TRUE(CSetupApp::StartUp());
    CRegistry& r = *CRegistry::Instance();
    EXPECT_EQ(100, r.bgmVolume);
    EXPECT_EQ(1, r.commandFlags[7]);
    EXPECT_STREQ("First HAL", r.deviceName);
    EXPECT_EQ(std::string("First HAL") + std::string(31, '\0'), registry.Get(kSettingsKey, "DEVICENAME")->bytes);
}

// A confirmed save that did not land is kept for the box after the sheet,
// whose text names the file or the key and the system's words for the code.
TEST_F(StartupTest, FailedSaveIsKeptAndExplained)
{
    char system[256] = {};
    ASSERT_GT(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_ACCESS_DENIED,
                             0, system, sizeof system, nullptr),
              0u);
    const std::string words = std::string(system).substr(0, std::string(system).find_first_of("\r\n"));
    const std::string file = "savedata\\OptionInfo.lua: " + words;
    const std::string key = "HKEY_LOCAL_MACHINE\\Software\\Morvane Soft\\Kestrune: " + words;

    FaultyFileOps files;
    files.Fail(FaultyFileOps::kReplace, -1, FaultyFileOps::kRefused, ERROR_ACCESS_DENIED);
    {
        FileSeam::Override fileScope(files);
        Run(true, [](CRegistry& r) { r.width = 1024; });
    }
    EXPECT_EQ("GameWindowX = 12\r\n", File());
    EXPECT_EQ(SaveOutcome::kFailed, CSetupApp::optionFileSave.kind);
    EXPECT_EQ(static_cast<unsigned long>(ERROR_ACCESS_DENIED), CSetupApp::optionFileSave.code);
    EXPECT_EQ(kRegSuccess, CSetupApp::registrySave);
    EXPECT_EQ("The settings were not saved.\n\n" + file,
              CSetupApp::FailedSaveText(CSetupApp::registrySave, CSetupApp::optionFileSave));

    registry.Fail(MemoryRegistry::kSet, ERROR_ACCESS_DENIED, "SOUNDMODE");
    Run(true, [](CRegistry& r) { r.soundMode = 0; });
    EXPECT_EQ(SaveOutcome::kSaved, CSetupApp::optionFileSave.kind);
    EXPECT_EQ(ERROR_ACCESS_DENIED, CSetupApp::registrySave);
    EXPECT_EQ("The settings were not saved.\n\n" + key,
              CSetupApp::FailedSaveText(CSetupApp::registrySave, CSetupApp::optionFileSave));
    EXPECT_EQ("The settings were not saved.\n\n" + key + "\n" + file,
              CSetupApp::FailedSaveText(ERROR_ACCESS_DENIED, SaveOutcome{SaveOutcome::kFailed, ERROR_ACCESS_DENIED}));

    registry.ClearFailures();
    Run(true, [](CRegistry&) {});
    EXPECT_EQ(kRegSuccess, CSetupApp::registrySave);
    for (const SaveOutcome::Kind quiet : {SaveOutcome::kSaved, SaveOutcome::kNotReadWhole, SaveOutcome::kRefused})
        EXPECT_EQ("", CSetupApp::FailedSaveText(kRegSuccess, SaveOutcome{quiet, 0})) << quiet;
}

// A record that already exists makes CrateInstance fail, as running out of
// memory would.
TEST_F(StartupTest, FailedCrateInstanceRunsNoOtherStep)
{
    ASSERT_TRUE(CRegistry::CrateInstance());
    CRegistry* record = CRegistry::Instance();
    record->width = 1234;
    EXPECT_FALSE(CSetupApp::StartUp());
    EXPECT_EQ(record, CRegistry::Instance());
    EXPECT_EQ(1234, record->width) << "no defaults";
    EXPECT_EQ(0u, GetEnumeratedDeviceCount()) << "no enumeration";
    EXPECT_TRUE(registry.AccessLog().empty());
    EXPECT_TRUE(record->preservedLines.empty()) << "the option file is not read";
}

}  // namespace
