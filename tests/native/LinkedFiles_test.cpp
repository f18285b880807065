// Links in the game folder, for real: what leads out of it is neither read nor
// written, created, renamed or removed through; what stays inside it works.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/FileOps.h"
#include "common/Path.h"
#include "settings/Registry.h"
#include "settings/SettingNames.h"
#include "support/SaveCheck.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

void Write(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// Every entry under `root`: a link by its target, a file by its mode, link
// count and bytes, anything else by its mode.
std::map<std::string, std::string> Snapshot(const fs::path& root)
{
    std::map<std::string, std::string> entries;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        struct stat st;
        EXPECT_EQ(0, lstat(it->path().c_str(), &st));
        std::string& entry = entries[fs::relative(it->path(), root).string()];
        entry = std::to_string(st.st_mode);
        if (S_ISLNK(st.st_mode))
            entry += " to " + fs::read_symlink(it->path()).string();
        else if (S_ISREG(st.st_mode))
            entry += " x" + std::to_string(st.st_nlink) + " " + ReadBytes(it->path());
    }
    return entries;
}

// The game folder "game" and, beside it, "game2" with a file only its owner
// may read: the folder a link leads out to.
struct Layout {
    fs::path game, outside, secret;
    std::string leftover;  // a temporary file name the sweep would take as left behind
    std::string wholeSave;

    void LinkOut(const std::string& relative) const { fs::create_symlink(secret, game / relative); }
    void HardLinkOut(const std::string& relative) const { fs::create_hard_link(secret, game / relative); }
    void Remove(const std::string& relative) const { fs::remove(game / relative); }
    void Fifo(const std::string& relative) const { EXPECT_EQ(0, mkfifo((game / relative).c_str(), 0666)); }
    void SavedataLinkTo(const fs::path& target) const
    {
        fs::remove(game / "savedata");
        fs::create_directory_symlink(target, game / "savedata");
    }
};

const char kSecret[] = "Secret = 42\r\n";
const char kCustom[] = "Custom = 1\r\n";

TEST(LinkedFiles, NothingThroughALinkOutOfTheGameFolder)
{
    struct Case {
        const char* name;
        std::function<void(const Layout&)> make;
        const char* probe;  // read through the seam first
        Outcome::Kind read;
        const char* refusal;  // the save's reason in the player's box; null when it saves
        std::vector<std::string> kept;
    };
    const char* option = "SaveData\\OptionInfo.lua";
    const char* messages = "System\\LuaFiles514\\MsgString.lua";
    const char* kOut = "it leads outside the game folder";
    const Case cases[] = {
        {"option file a symbolic link out", [](const Layout& l) { l.LinkOut("savedata/OptionInfo.lua"); }, option,
         Outcome::kRefused, kOut, {}},
        {"option file a hard link out", [](const Layout& l) { l.HardLinkOut("savedata/OptionInfo.lua"); }, option,
         Outcome::kRefused, "it has more than one name", {}},
        {"script a FIFO",
         [](const Layout& l) {
             l.Remove("System/LuaFiles514/MsgString.lua");
             l.Fifo("System/LuaFiles514/MsgString.lua");
         },
         messages, Outcome::kRefused, nullptr, {}},
        {"option file a FIFO", [](const Layout& l) { l.Fifo("savedata/OptionInfo.lua"); }, option,
         Outcome::kRefused, "it is not a plain file", {}},
        {"savedata a symbolic link out, holding only a whole leftover",
         [](const Layout& l) {
             Write(l.outside / "savedata" / l.leftover, l.wholeSave);
             l.SavedataLinkTo(l.outside / "savedata");
         },
         option, Outcome::kMissing, kOut, {}},
        {"savedata a symbolic link out, holding an option file and a leftover",
         [](const Layout& l) {
             Write(l.outside / "savedata/OptionInfo.lua", kSecret);
             Write(l.outside / "savedata" / l.leftover, l.wholeSave);
             l.SavedataLinkTo(l.outside / "savedata");
         },
         option, Outcome::kRefused, kOut, {}},
        {"option file a link inside",
         [](const Layout& l) {
             Write(l.game / "profile/OptionInfo.lua", kCustom);
             fs::create_symlink("../profile/OptionInfo.lua", l.game / "savedata/OptionInfo.lua");
         },
         option, Outcome::kDone, nullptr, {"Custom = 1"}},
        {"savedata a link inside, holding a leftover",
         [](const Layout& l) {
             Write(l.game / "profile/OptionInfo.lua", kCustom);
             Write(l.game / "profile" / l.leftover, l.wholeSave);
             l.SavedataLinkTo("profile");
         },
         option, Outcome::kDone, nullptr, {"Custom = 1"}},
        // The tool is then started in "via", a link to the game folder.
        {"game folder entered through a link",
         [](const Layout& l) {
             Write(l.game / "savedata/OptionInfo.lua", kCustom);
             fs::create_directory_symlink(l.game, l.game.parent_path() / "via");
         },
         option, Outcome::kDone, nullptr, {"Custom = 1"}},
    };

    const CRegistry* fresh = StartFreshRecord();
    ASSERT_NE(fresh, nullptr);
    const std::string wholeSave = ComposeOptionFile(*fresh);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempGameDir root;
        Layout l{fs::path(root.Path()) / "game", fs::path(root.Path()) / "game2",
                 fs::path(root.Path()) / "game2/secret.lua",
                 "OptionInfo.lua." + std::to_string(FileSeam::Current().ProcessId()) + "-0.tmp", wholeSave};
        fs::create_directories(l.game / "savedata");
        fs::copy(fs::path(KES_EXAMPLE_GAME) / "System", l.game / "System", fs::copy_options::recursive);
        Write(l.secret, kSecret);
        fs::permissions(l.secret, fs::perms::owner_read | fs::perms::owner_write);
        c.make(l);
        const fs::path via = l.game.parent_path() / "via";
        fs::current_path(fs::is_symlink(via) ? via : l.game);
        const auto outsideBefore = Snapshot(l.outside);
        const auto gameBefore = Snapshot(l.game);

        std::string bytes;
        EXPECT_EQ(c.read, FileSeam::Current().ReadAll(NativePath(c.probe), bytes).kind);
        SaveRun tool;
        CRegistry& record = tool.StartUp();
        EXPECT_EQ(c.kept, record.preservedLines);
        EditSettings(record);
        const SaveResult saved = tool.Save();

        EXPECT_EQ(c.refusal ? Outcome::kRefused : Outcome::kDone, saved.optionFile.kind);
        if (c.refusal)
            EXPECT_NE(std::string::npos, FailedSaveText(saved).find(std::string("savedata\\OptionInfo.lua: ") + c.refusal))
                << FailedSaveText(saved);
        EXPECT_EQ(outsideBefore, Snapshot(l.outside));
        if (!c.refusal) {
            EXPECT_EQ(ComposeOptionFile(record), ReadBytes(l.game / "savedata/OptionInfo.lua"));
            for (const auto& entry : Snapshot(l.game))
                EXPECT_EQ(std::string::npos, entry.first.find(".tmp")) << entry.first;
        } else {
            EXPECT_EQ(gameBefore, Snapshot(l.game));
        }
    }
    CRegistry::DestroyInstance();
}

}  // namespace
