// Libraries from the system folder where the secure search is missing (XP,
// Vista, 7 without KB2533623): with a copy of each library planted beside
// the executable, as a player could plant one in the game folder, every
// load the tool makes, and every load by name a system library makes after
// start-up, still gives the system folder's copy.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "system/SystemLibrary.h"

namespace {

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return text;
}

std::string ModulePath(HMODULE module)
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    return Lower(std::string(path, length < MAX_PATH ? length : 0));
}

std::string FolderOf(const std::string& path)
{
    return path.substr(0, path.find_last_of('\\') + 1);
}

std::string SystemFolder()
{
    char path[MAX_PATH] = {};
    GetSystemDirectoryA(path, MAX_PATH);
    return Lower(std::string(path) + "\\");
}

// Planted copies beside the test executable, preferred over Wine's own
// (as Windows prefers the executable's folder) for as long as they exist.
class Planted {
public:
    explicit Planted(const std::vector<std::string>& names) : names_(names)
    {
        folder_ = FolderOf(ModulePath(nullptr));
        RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\DllOverrides", 0, nullptr, 0, KEY_SET_VALUE | KEY_QUERY_VALUE,
                        nullptr, &overrides_, nullptr);
        for (const std::string& name : names_) {
            CopyFileA(KES_PLANTED, (folder_ + name).c_str(), FALSE);
            const std::string base = name.substr(0, name.size() - 4);
            RegSetValueExA(overrides_, base.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>("native,builtin"), 15);
        }
    }
    ~Planted()
    {
        for (const std::string& name : names_) {
            RegDeleteValueA(overrides_, name.substr(0, name.size() - 4).c_str());
            DeleteFileA((folder_ + name).c_str());
            DeleteFileA((folder_ + name + ".ran").c_str());
        }
        RegCloseKey(overrides_);
    }
    const std::string& Folder() const { return folder_; }

private:
    std::vector<std::string> names_;
    std::string folder_;
    HKEY overrides_ = nullptr;
};

TEST(SystemLibrary, WithoutSecureSearchNoLoadTakesThePlantedCopy) {
    // System libraries this process has not loaded yet, which the system's
    // own libraries load by name; one the tool loads itself.
    std::vector<std::string> fresh;
    for (const char* name : {"dwmapi.dll", "d3dim700.dll", "setupapi.dll", "uxtheme.dll", "msimg32.dll"}) {
        if (!GetModuleHandleA(name))
            fresh.push_back(name);
    }
    ASSERT_FALSE(fresh.empty()) << "every library is loaded already: nothing to plant";
    Planted planted(fresh);

    // The planted copies are what a plain search finds first.
    for (const std::string& name : fresh) {
        HMODULE module = LoadLibraryA(name.c_str());
        ASSERT_NE(module, nullptr) << name;
        EXPECT_EQ(ModulePath(module), planted.Folder() + name) << "the plant is not in the way of " << name;
        FreeLibrary(module);
        ASSERT_EQ(GetModuleHandleA(name.c_str()), nullptr) << name << " stayed loaded";
    }

    // A kernel without SetDefaultDllDirectories, as on XP.
    EXPECT_FALSE(RestrictLibrarySearch(GetModuleHandleA("ntdll.dll")));
    for (const std::string& name : fresh) {
        HMODULE byName = LoadLibraryA(name.c_str());
        EXPECT_EQ(ModulePath(byName), SystemFolder() + name) << "a load by name after start-up";
        HMODULE own = LoadSystemLibrary(name.c_str());
        EXPECT_EQ(ModulePath(own), SystemFolder() + name) << "the tool's own load";
        FreeLibrary(own);
        FreeLibrary(byName);
    }
    HMODULE ddraw = LoadSystemLibrary("ddraw.dll");
    EXPECT_EQ(ModulePath(ddraw), SystemFolder() + "ddraw.dll");
    // comctl32 by name: the manifest's side-by-side version 6.
    const std::string controls = ModulePath(LoadCommonControlsLibrary());
    EXPECT_NE(controls.find("microsoft.windows.common-controls_6595b64144ccf1df_6."), std::string::npos) << controls;

    EXPECT_TRUE(RestrictLibrarySearch(GetModuleHandleA("kernel32.dll")));
    EXPECT_EQ(ModulePath(LoadSystemLibrary("ddraw.dll")), SystemFolder() + "ddraw.dll");
}

}  // namespace
