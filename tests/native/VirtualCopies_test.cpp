// The game's virtual copies of the option file and the settings key, planted
// where Windows would put them: start-up shows what the game reads, and a
// confirmed save reaches the game and leaves one copy.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/ErrorText.h"
#include "settings/RegistryStore.h"
#include "support/FaultyFileOps.h"
#include "support/SaveCheck.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

TEST(VirtualMirror, IsThePathWithoutItsDriveUnderAProtectedFolder)
{
    const std::vector<std::wstring> protectedFolders = {L"C:\\Windows", L"C:\\Program Files (x86)\\",
                                                        L"c:\\programdata"};
    const struct {
        const wchar_t* folder;
        const wchar_t* mirror;
    } cases[] = {
        {L"C:\\Program Files (x86)\\Kestrune", L"VirtualStore\\Program Files (x86)\\Kestrune"},
        {L"c:\\PROGRAM FILES (X86)\\Kestrune\\", L"VirtualStore\\PROGRAM FILES (X86)\\Kestrune"},
        {L"\\\\?\\C:\\Windows\\Games\\K", L"VirtualStore\\Windows\\Games\\K"},
        {L"C:\\ProgramData", L"VirtualStore\\ProgramData"},
        {L"C:\\Program Files (x86)2\\Kestrune", L""},  // only a folder inside counts
        {L"C:\\Program Files\\Kestrune", L""},
        {L"D:\\Windows\\Kestrune", L""},
        {L"\\\\server\\share\\Windows", L""},
        {L"Windows\\Kestrune", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.mirror, VirtualMirror(c.folder, protectedFolders)) << std::string(c.folder, c.folder + wcslen(c.folder));
}

// What the system would tell: a folder's final path, the player signed in,
// and that player's store where it can be had.
class ScriptedSystem : public ISystemFolders {
public:
    std::wstring finalPath;
    PlayerAccount player;
    std::wstring profile;
    MemoryRegistry own, players;
    bool hiveLoaded = true;
    int storeLookups = 0;

    std::wstring FinalPath(const std::wstring&) override { return finalPath; }
    std::vector<std::wstring> ProtectedFolders() override { return {L"\\\\?\\C:\\Windows", L"C:\\Program Files (x86)"}; }
    PlayerAccount Player() override { return player; }
    std::wstring OwnLocalAppData() override { return ++storeLookups, L"C:\\Users\\admin\\AppData\\Local"; }
    IRegistryApi* OwnVirtualRegistry() override { return &own; }
    std::wstring ProfileFolder(const std::string& sid) override
    {
        return ++storeLookups, sid == player.sid ? profile : std::wstring();
    }
    IRegistryApi* PlayerVirtualRegistry(const std::string& sid) override
    {
        return hiveLoaded && sid == player.sid ? &players : nullptr;
    }
};

// The copies of whoever is signed in: the setup's own account, or a
// standard player's for whom an administrator typed the password; the
// mirror is named after the final path, however the folder was spelt.
TEST(FindVirtualCopies, AreThoseOfThePlayerSignedInAfterTheFinalPath)
{
    const PlayerAccount kid{true, "HOME\\kid", "S-1-5-21-1-2-3-1001"};
    const std::wstring final = L"\\\\?\\C:\\Program Files (x86)\\Kestrune";
    const std::wstring mirror = L"VirtualStore\\Program Files (x86)\\Kestrune";
    const struct {
        const char* name;
        std::wstring finalPath;
        PlayerAccount player;
        std::wstring profile;
        bool hiveLoaded;
        std::wstring anchor, mirror;
        int registry;  // 0 none, 1 the setup's own, 2 the player's
        std::string unavailable;
        int storeLookups;
    } cases[] = {
        {"same account, short name", final, {}, L"", true, L"C:\\Users\\admin\\AppData\\Local", mirror, 1, "", 1},
        {"same account, outside", L"\\\\?\\D:\\Games\\Kestrune", {}, L"", true, L"", L"", 1, "", 0},
        {"another account", final, kid, L"C:\\Users\\kid", true, L"C:\\Users\\kid",
         L"AppData\\Local\\" + mirror, 2, "", 1},
        {"another account, outside", L"D:\\Games\\Kestrune", kid, L"C:\\Users\\kid", true, L"", L"", 2, "", 0},
        {"another account, no store", final, kid, L"", false, L"", L"", 0,
         "the part of the registry that holds their settings is not loaded, and their profile folder is not known", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedSystem system;
        system.finalPath = c.finalPath;
        system.player = c.player;
        system.profile = c.profile;
        system.hiveLoaded = c.hiveLoaded;
        const VirtualCopies copies = FindVirtualCopies(system, L"C:\\PROGRA~2\\Kestrune");
        EXPECT_EQ(c.anchor, copies.anchor);
        EXPECT_EQ(c.mirror, copies.mirror);
        IRegistryApi* const registries[] = {nullptr, &system.own, &system.players};
        EXPECT_EQ(registries[c.registry], copies.registry);
        EXPECT_EQ(c.player.name, copies.player);
        EXPECT_EQ(c.unavailable, copies.unavailable);
        EXPECT_EQ(c.storeLookups, system.storeLookups) << "a store looked up only for a protected game folder";
    }
}

std::string Line(const char* key, int value)
{
    return std::string("OptionInfoList[\"") + key + "\"] = " + std::to_string(value) + "\r\n";
}

std::wstring Wide(const std::string& path)
{
    return std::wstring(path.begin(), path.end());
}

class VirtualCopyTest : public ::testing::Test {
public:
    void SetUp() override
    {
        dir.CopyExampleScripts();
        dir.WriteFile("SaveData/OptionInfo.lua", "RealLine = 2\r\n" + Line("Bgm_Volume", 50));
        fs::create_directories(Mirror() + "/savedata");
        tool.virtualCopies = VirtualCopies{Wide(local.Path()), L"VirtualStore\\Program Files\\Kestrune", &virtualKey};
    }
    void TearDown() override { ShutDown(); }

    std::string Mirror() const { return local.Path() + "/VirtualStore/Program Files/Kestrune"; }
    std::string CopyPath() const { return Mirror() + "/savedata/OptionInfo.lua"; }
    void PlantCopy(const std::string& bytes) const { local.WriteFile("VirtualStore/Program Files/Kestrune/savedata/OptionInfo.lua", bytes); }
    bool CopyThere() const { return fs::is_symlink(CopyPath()) || fs::exists(CopyPath()); }

    TempGameDir local;  // %LOCALAPPDATA%; made first, so the game folder is the current one
    TempGameDir dir;
    MemoryRegistry virtualKey;
    SaveRun tool;
};

// Where a copy exists the game reads it, so its values and its kept lines
// are the ones shown and saved; a copy the setup may not or cannot read is
// neither used nor removed, and the player is told.
TEST_F(VirtualCopyTest, StartUpShowsWhatTheGameReadsAndTheSaveLeavesOneCopy)
{
    const std::string notRemoved = "The game's own copy of savedata\\OptionInfo.lua in VirtualStore, which it reads "
                                   "first, was not removed: ";
    const struct {
        const char* name;
        std::function<void(VirtualCopyTest&)> plant;
        bool readFails;
        int bgm;
        std::string kept;
        std::string told;
        bool copyStays;
    } cases[] = {
        {"no copy", [](VirtualCopyTest&) {}, false, 50, "RealLine = 2", "", false},
        {"a copy", [](VirtualCopyTest& t) { t.PlantCopy("GameLine = 1\r\n" + Line("Bgm_Volume", 17)); }, false, 17,
         "GameLine = 1", "", false},
        // Cut short, it does not run: the game then has only its defaults.
        {"a copy cut short", [](VirtualCopyTest& t) { t.PlantCopy("GameLine = 1\r\nOptionInfoList[\"Bgm_Volume\"] = "); },
         false, 100, "GameLine = 1", "", false},
        {"a copy that links out",
         [](VirtualCopyTest& t) {
             t.local.WriteFile("outside.lua", "Secret = 1\r\n" + Line("Bgm_Volume", 99));
             fs::create_symlink(t.local.Path() + "/outside.lua", t.CopyPath());
         },
         false, 50, "RealLine = 2", notRemoved + "it leads outside the game's VirtualStore folder", true},
        // A mirror that leads into the game folder would have the real file
        // removed (it is spelt "SaveData" there, so no copy shows below).
        {"a mirror that links elsewhere",
         [](VirtualCopyTest& t) {
             fs::remove_all(t.Mirror());
             fs::create_directory_symlink(t.dir.Path(), t.Mirror());
         },
         false, 50, "RealLine = 2", notRemoved + "it leads outside the game's VirtualStore folder", false},
        {"a copy that cannot be read", [](VirtualCopyTest& t) { t.PlantCopy("GameLine = 1\r\n"); }, true, 50,
         "RealLine = 2", notRemoved + "it could not be read whole when the setup started, so it was left as it was",
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dir.WriteFile("SaveData/OptionInfo.lua", "RealLine = 2\r\n" + Line("Bgm_Volume", 50));
        if (fs::is_symlink(Mirror()))
            fs::remove(Mirror());
        fs::create_directories(Mirror() + "/savedata");
        fs::remove(CopyPath());
        c.plant(*this);
        FaultyFileOps files;
        if (c.readFails)
            files.Fail(FaultyFileOps::kReadAll, 1);  // the real file's read is the first
        tool.files = &files;
        const CRegistry& record = tool.StartUp();
        EXPECT_EQ(c.bgm, record.bgmVolume);
        EXPECT_EQ(std::vector<std::string>{c.kept}, record.preservedLines);
        const std::string told = FailedSaveText(tool.Save());
        EXPECT_EQ(c.told.empty() ? "" : "The settings were saved, but the game may not see them.\n\n" + c.told, told);
        EXPECT_EQ(0u, dir.ReadFile("SaveData/OptionInfo.lua").find(c.kept + "\r\n" + Line("Bgm_Volume", c.bgm)));
        EXPECT_EQ(c.copyStays, CopyThere());
        EXPECT_TRUE(fs::equivalent(fs::current_path(), dir.Path())) << "a refused mirror leaves the game folder current";
        tool.files = nullptr;
    }
    EXPECT_EQ("Secret = 1\r\n" + Line("Bgm_Volume", 99), local.ReadFile("outside.lua"));
}

// The game reads the newer of copy and real file, and of virtual and real
// key: one run as administrator since reads the real ones. Equal times or a
// missing real one: the copy. Either way the save removes the copy, so the
// game reads the save.
TEST_F(VirtualCopyTest, TheNewerOfCopyAndRealIsShownAndTheCopyGoes)
{
    const auto now = fs::file_time_type::clock::now();
    const struct {
        const char* name;
        int copyAge, realAge;  // seconds; -1: the real one is missing
        bool copyShown;
    } cases[] = {
        {"copy newer", 10, 20, true},
        {"real newer", 20, 10, false},
        {"equal", 10, 10, true},
        {"real missing", 10, -1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string real = dir.Path() + "/SaveData/OptionInfo.lua";
        dir.WriteFile("SaveData/OptionInfo.lua", "RealLine = 2\r\n" + Line("Bgm_Volume", 50));
        PlantCopy("GameLine = 1\r\n" + Line("Bgm_Volume", 17));
        fs::last_write_time(CopyPath(), now - std::chrono::seconds(c.copyAge));
        tool.registry = MemoryRegistry();
        virtualKey.Put(kSettingsKey, "SOUNDMODE", kRegDword, std::string("\0\0\0\0", 4));
        virtualKey.SetWritten(kSettingsKey, 1000 - c.copyAge);
        if (c.realAge < 0) {
            fs::remove(real);
        } else {
            fs::last_write_time(real, now - std::chrono::seconds(c.realAge));
            tool.registry.Put(kSettingsKey, "SOUNDMODE", kRegDword, std::string("\1\0\0\0", 4));
            tool.registry.SetWritten(kSettingsKey, 1000 - c.realAge);
        }
        const CRegistry& record = tool.StartUp();
        EXPECT_EQ(c.copyShown ? 17 : 50, record.bgmVolume);
        EXPECT_EQ(std::vector<std::string>{c.copyShown ? "GameLine = 1" : "RealLine = 2"}, record.preservedLines);
        EXPECT_EQ(c.copyShown ? 0 : 1, record.soundMode);
        EXPECT_EQ("", FailedSaveText(tool.Save()));
        EXPECT_FALSE(CopyThere());
        EXPECT_EQ(nullptr, virtualKey.Get(kSettingsKey, "SOUNDMODE"));
    }
}

// Another player's copies that cannot be had: the save lands as ever, and the
// box says whose game may not see it, and why.
TEST_F(VirtualCopyTest, APlayersStoreOutOfReachIsTold)
{
    tool.virtualCopies = VirtualCopies{};
    tool.virtualCopies.player = "HOME\\kid";
    tool.virtualCopies.unavailable = "their profile folder is not known";
    tool.StartUp();
    EXPECT_EQ("The settings were saved, but the game may not see them.\n\nThe game of HOME\\kid, who is signed in, "
              "reads that player's own copies of the settings first, and the setup, running as another account, could "
              "not reach them: their profile folder is not known.",
              FailedSaveText(tool.Save()));
    EXPECT_TRUE(dir.Exists("SaveData/OptionInfo.lua"));
}

TEST_F(VirtualCopyTest, VirtualValuesAreShownAndOnlyTheSetupsAreRemoved)
{
    // A copy of every value the setup stores, as the game would leave them.
    SaveRun first;
    first.StartUp();
    first.Save();
    for (const MemoryRegistry::SetCall& call : first.registry.SetCalls())
        virtualKey.Put(kSettingsKey, call.name, call.type, call.bytes);
    virtualKey.Put(kSettingsKey, "SOUNDMODE", kRegDword, std::string("\0\0\0\0", 4));
    virtualKey.Put(kSettingsKey, "DEVICENAME", kRegSz, std::string("Virtual HAL\0", 12));
    virtualKey.Put(kSettingsKey, "GAMEVALUE", kRegDword, std::string("\7\0\0\0", 4));
    const CRegistry& record = tool.StartUp();
    EXPECT_EQ(0, record.soundMode);
    EXPECT_STREQ("Virtual HAL", record.deviceName);
    EXPECT_EQ("", FailedSaveText(tool.Save()));
    EXPECT_EQ(std::string("\0\0\0\0", 4), tool.registry.Get(kSettingsKey, "SOUNDMODE")->bytes) << "the shown value saved";
    for (const MemoryRegistry::SetCall& call : first.registry.SetCalls())
        EXPECT_EQ(nullptr, virtualKey.Get(kSettingsKey, call.name)) << call.name;
    ASSERT_NE(nullptr, virtualKey.Get(kSettingsKey, "GAMEVALUE")) << "the game's own value stays";
}

// A copy goes only once the real one is whole; a copy that stays is told.
TEST_F(VirtualCopyTest, CopiesGoOnlyAfterTheRealOnesAndAFailedRemovalIsTold)
{
    const struct {
        const char* name;
        bool registryFails, deleteFails;
        FaultyFileOps::Op fileFault;  // kOpCount: none
        bool valueStays, copyStays;
        std::string told;  // the box's last line
    } cases[] = {
        {"the real key not written", true, false, FaultyFileOps::kOpCount, true, false,
         "HKEY_LOCAL_MACHINE\\Software\\Morvane Soft\\Kestrune:\ncould not write it: " + RegistryErrorText(kRegAccessDenied)},
        {"the real file not written", false, false, FaultyFileOps::kReplace, false, true,
         "savedata\\OptionInfo.lua: could not replace it: " + FileErrorText(FaultyFileOps::kFaultCode)},
        {"a value not removed", false, true, FaultyFileOps::kOpCount, true, false,
         "The game's own copy of the registry settings, which it reads first, was not removed from\n"
         "HKEY_CURRENT_USER\\Software\\Classes\\VirtualStore:\ncould not remove them: " +
             RegistryErrorText(kRegAccessDenied)},
        {"the copy not removed", false, false, FaultyFileOps::kRemove, false, true,
         "The game's own copy of savedata\\OptionInfo.lua in VirtualStore, which it reads first, was not removed: "
         "could not remove it: " + FileErrorText(FaultyFileOps::kFaultCode)},
        // All else landed: the one step that did not is told.
        {"savedata not opened to the players", false, false, FaultyFileOps::kOpenToPlayers, false, false,
         "savedata: could not let the players change it: " + FileErrorText(FaultyFileOps::kFaultCode) +
             "\nThe game may then keep its own copy of it again."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PlantCopy("GameLine = 1\r\n");
        virtualKey.ClearFailures();
        virtualKey.Put(kSettingsKey, "SOUNDMODE", kRegDword, std::string("\0\0\0\0", 4));
        tool.registry.ClearFailures();
        if (c.registryFails)
            tool.registry.Fail(MemoryRegistry::kSet, kRegAccessDenied, "SOUNDMODE");
        if (c.deleteFails)
            virtualKey.Fail(MemoryRegistry::kDelete, kRegAccessDenied);
        FaultyFileOps files;
        if (c.fileFault != FaultyFileOps::kOpCount)
            files.Fail(c.fileFault);
        tool.files = &files;
        tool.StartUp();
        const std::string told = FailedSaveText(tool.Save());
        EXPECT_EQ(told.size() - c.told.size(), told.rfind(c.told)) << told;
        EXPECT_EQ(c.valueStays, virtualKey.Get(kSettingsKey, "SOUNDMODE") != nullptr);
        EXPECT_EQ(c.copyStays, CopyThere());
        tool.files = nullptr;
    }
}

// In a protected game folder savedata is opened to every user, so the game's
// next write lands in the real file; never through a link out of the folder.
TEST_F(VirtualCopyTest, SavedataIsOpenedToPlayersOnlyWhereItIsTheGameFolders)
{
    const auto others = [](const std::string& path) {
        struct stat st {};
        lstat(path.c_str(), &st);
        return st.st_mode & (S_IWGRP | S_IWOTH);
    };
    fs::permissions(dir.Path() + "/SaveData", fs::perms::owner_all);
    const VirtualCopies protectedFolder = tool.virtualCopies;
    tool.virtualCopies = VirtualCopies{};
    tool.StartUp();
    tool.Save();
    EXPECT_EQ(0u, others(dir.Path() + "/SaveData")) << "not in a protected folder: as today";

    tool.virtualCopies = protectedFolder;
    tool.StartUp();
    EXPECT_EQ("", FailedSaveText(tool.Save()));
    EXPECT_EQ(static_cast<unsigned>(S_IWGRP | S_IWOTH), others(dir.Path() + "/SaveData"));

    fs::create_directories(local.Path() + "/elsewhere");
    fs::permissions(local.Path() + "/elsewhere", fs::perms::owner_all);
    fs::remove_all(dir.Path() + "/SaveData");
    fs::create_directory_symlink(local.Path() + "/elsewhere", dir.Path() + "/savedata");
    tool.StartUp();
    const std::string told = FailedSaveText(tool.Save());
    EXPECT_NE(std::string::npos, told.find("savedata\\OptionInfo.lua: it leads outside the game folder")) << told;
    EXPECT_EQ(0u, others(local.Path() + "/elsewhere")) << "no grant through the link";
}

}  // namespace
