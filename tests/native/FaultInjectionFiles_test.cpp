// Saves that meet a broken file system for real: the option file afterwards
// holds its old bytes or the whole new file, and nothing else is left behind.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "common/FileOps.h"
#include "settings/Registry.h"
#include "settings/SaveData.h"
#include "support/SaveCheck.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

const char kOptionFile[] = "SaveData/OptionInfo.lua";

std::vector<std::string> ForeignLines(size_t bytes)
{
    std::vector<std::string> lines;
    size_t total = 0;
    for (int i = 0; total < bytes; ++i) {
        lines.push_back("GameWindowState" + std::to_string(i) + " = " + std::to_string(i % 97));
        total += lines.back().size() + 2;
    }
    return lines;
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

// Reads the game folder `root` (the current folder) as start-up does, edits
// and saves: the option file is then the old one or the complete new one,
// and the tree gains nothing but the option file.
void SaveAndCheckTree(const std::string& root, const std::vector<std::string>& kept)
{
    const fs::path optionFile = fs::path(root) / kOptionFile;
    const std::string old = ReadBytes(optionFile);
    const std::set<std::string> before = ListTree(root);
    SaveRun tool;
    CRegistry& record = tool.StartUp();
    EXPECT_EQ(kept, record.preservedLines);
    EditSettings(record);
    const std::string expectedNew = ComposeOptionFile(record);
    tool.Save();
    const std::string file = ReadBytes(optionFile);
    EXPECT_TRUE(file == old || file == expectedNew)
        << "the option file is neither the old one nor the complete new one (" << file.size() << " bytes):\n"
        << file;
    std::set<std::string> after = ListTree(root);
    if (!before.count(kOptionFile))
        after.erase(kOptionFile);
    EXPECT_EQ(before, after) << "a save left a file behind or removed one";
    CRegistry::DestroyInstance();
}

class FaultInjectionFiles : public ::testing::Test {
protected:
    void SetUp() override { dir.CopyExampleScripts(); }
    void TearDown() override { CRegistry::DestroyInstance(); }

    TempGameDir dir;
};

// No savedata folder, savedata a plain file, the option file a folder: the
// save writes nothing and changes nothing there, kept lines or not.
TEST_F(FaultInjectionFiles, WrongLayoutsStayAsTheyWere)
{
    const struct {
        const char* entry;  // made before the save; null: none
        const char* bytes;
    } cases[] = {{nullptr, ""}, {"SaveData", "not a folder\r\n"}, {"SaveData/OptionInfo.lua/inside", "kept"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry ? c.entry : "no savedata");
        fs::remove_all(fs::path(dir.Path()) / "SaveData");
        if (c.entry)
            dir.WriteFile(c.entry, c.bytes);
        SaveAndCheckTree(dir.Path(), {});
        EXPECT_EQ(c.entry ? std::string(c.bytes) : std::string(), c.entry ? dir.ReadFile(c.entry) : std::string());
        EXPECT_EQ(c.entry != nullptr, dir.Exists("SaveData"));
    }
}

// What the file system refuses reaches the caller with errno's value.
TEST_F(FaultInjectionFiles, FailuresCarryTheSystemsCode)
{
    IFileOps& files = FileSeam::Platform();
    dir.WriteFile(kOptionFile, "x");
    std::string bytes;
    std::vector<std::string> names{"stale"};
    const Outcome read = files.ReadAll("SaveData/Absent.lua", bytes);
    const Outcome removed = files.Remove("SaveData/Absent.lua");
    const Outcome listedFile = files.List(kOptionFile, names);
    EXPECT_EQ(Outcome::kMissing, read.kind);
    EXPECT_EQ(static_cast<unsigned long>(ENOENT), read.code);
    EXPECT_EQ(Outcome::kFailed, removed.kind);
    EXPECT_EQ(static_cast<unsigned long>(ENOENT), removed.code);
    EXPECT_EQ(Outcome::kFailed, listedFile.kind);
    EXPECT_EQ(static_cast<unsigned long>(ENOTDIR), listedFile.code);
    EXPECT_TRUE(names.empty());
    EXPECT_TRUE(files.List("SaveData", names));
    EXPECT_EQ(1, std::count(names.begin(), names.end(), "OptionInfo.lua"));
}

// A 64 KiB tmpfs as the game folder, filled up before the save. Mounting
// needs root; elsewhere these cases are skipped and the seam tests cover them.
class FaultInjectionFullDisk : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        mountPoint = (fs::path(outer.Path()) / "small").string();
        fs::create_directory(mountPoint);
        if (mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0)
            GTEST_SKIP() << "cannot mount a small tmpfs: " << std::strerror(errno);
        mounted = true;
        fs::current_path(mountPoint);
        fs::copy(fs::path(KES_EXAMPLE_GAME) / "System", "System", fs::copy_options::recursive);
    }

    void TearDown() override
    {
        CRegistry::DestroyInstance();
        fs::current_path(outer.Path());
        if (mounted)
            umount(mountPoint.c_str());
    }

    // Fills the disk in page-sized files, then frees `pages` of them.
    void FillLeavingPages(int pages)
    {
        std::vector<std::string> fillers;
        const std::string page(4096, 'x');
        for (int i = 0;; ++i) {
            const std::string name = "filler" + std::to_string(i);
            std::FILE* file = std::fopen(name.c_str(), "wb");
            if (!file)
                break;
            const bool whole = std::fwrite(page.data(), 1, page.size(), file) == page.size();
            const bool closed = std::fclose(file) == 0;
            if (!whole || !closed) {
                std::remove(name.c_str());
                break;
            }
            fillers.push_back(name);
        }
        ASSERT_GE(static_cast<int>(fillers.size()), pages);
        for (int i = 0; i < pages; ++i)
            std::remove(fillers[fillers.size() - 1 - i].c_str());
    }

    TempGameDir outer;
    std::string mountPoint;
    bool mounted = false;
};

TEST_P(FaultInjectionFullDisk, OldFileOrCompleteNewOne)
{
    // The old file fits one page; the new one, with the tool's lines added,
    // needs two. Written in place it would be cut after the first page.
    const std::vector<std::string> kept = ForeignLines(3500);
    fs::create_directory("SaveData");
    std::ofstream(kOptionFile, std::ios::binary) << Joined(kept);
    FillLeavingPages(GetParam());

    SaveAndCheckTree(".", kept);
}

INSTANTIATE_TEST_SUITE_P(FreePages, FaultInjectionFullDisk, ::testing::Values(0, 1, 2));

}  // namespace
