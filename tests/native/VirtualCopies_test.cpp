// The game's virtual copies of the option file and the settings key, planted
// where Windows would put them: start-up shows what the game reads, and a
// confirmed save reaches the game and leaves one copy.
#include <gtest/gtest.h>

#include <sys/stat.h>

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
        tool.files = nullptr;
    }
    EXPECT_EQ("Secret = 1\r\n" + Line("Bgm_Volume", 99), local.ReadFile("outside.lua"));
}

TEST_F(VirtualCopyTest, VirtualValuesAreShownAndOnlyTheSetupsAreRemoved)
{
    virtualKey.Put(kSettingsKey, "SOUNDMODE", kRegDword, std::string("\0\0\0\0", 4));
    virtualKey.Put(kSettingsKey, "DEVICENAME", kRegSz, std::string("Virtual HAL\0", 12));
    virtualKey.Put(kSettingsKey, "GAMEVALUE", kRegDword, std::string("\7\0\0\0", 4));
    const CRegistry& record = tool.StartUp();
    EXPECT_EQ(0, record.soundMode);
    EXPECT_STREQ("Virtual HAL", record.deviceName);
    EXPECT_EQ("", FailedSaveText(tool.Save()));
    EXPECT_EQ(std::string("\0\0\0\0", 4), tool.registry.Get(kSettingsKey, "SOUNDMODE")->bytes) << "the shown value saved";
    EXPECT_EQ(nullptr, virtualKey.Get(kSettingsKey, "SOUNDMODE"));
    EXPECT_EQ(nullptr, virtualKey.Get(kSettingsKey, "DEVICENAME"));
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
         "HKEY_LOCAL_MACHINE\\Software\\Morvane Soft\\Kestrune: " + RegistryErrorText(kRegAccessDenied)},
        {"the real file not written", false, false, FaultyFileOps::kReplace, false, true,
         "savedata\\OptionInfo.lua: " + FileErrorText(FaultyFileOps::kFaultCode)},
        {"a value not removed", false, true, FaultyFileOps::kOpCount, true, false,
         "The game's own copy of the registry settings (HKEY_CURRENT_USER\\Software\\Classes\\VirtualStore), which it "
         "reads first, could not be removed: " + RegistryErrorText(kRegAccessDenied)},
        {"the copy not removed", false, false, FaultyFileOps::kRemove, false, true,
         "The game's own copy of savedata\\OptionInfo.lua in VirtualStore, which it reads first, was not removed: " +
             FileErrorText(FaultyFileOps::kFaultCode)},
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
