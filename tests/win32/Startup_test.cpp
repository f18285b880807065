// The application's own steps: nothing is saved without confirmation, a
// callback's failure is not hidden behind a clean exit, and the tool finds
// and enters its game folder.
#include <gtest/gtest.h>

#include <string>

#include "app/SetupApp.h"
#include "common/ErrorText.h"
#include "framework/Afx.h"
#include "ui/SetupOption.h"
#include "display/DeviceTable.h"
#include "settings/MemoryRegistry.h"
#include "settings/Registry.h"
#include "settings/RegistryStore.h"
#include "support/ScriptedDisplay.h"
#include "support/TempDir.h"

namespace {

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.CopyExampleScripts();
        dir.WriteFile("SaveData/OptionInfo.lua", "GameWindowX = 12\r\n");
        source.drivers = {Primary({{640, 480, 16}, {800, 600, 16}}, {Hardware("First HAL", 1), Hardware("Second HAL", 2)})};
        ResetModeList();
    }

    void TearDown() override
    {
        CSetupApp::ShutDown();
        saveConfirmed = false;
    }

    // One run of the tool: start-up, `edit` as the pages would, the saves.
    template <typename Edit>
    SaveResult Run(bool confirmed, Edit edit)
    {
        if (!CSetupApp::StartUp()) {
            ADD_FAILURE() << "no settings record";
            return SaveResult();
        }
        edit(*CRegistry::Instance());
        saveConfirmed = confirmed;
        const SaveResult saved = CSetupApp::SaveIfConfirmed();
        saveConfirmed = false;
        CSetupApp::ShutDown();
        return saved;
    }

    std::string File() const { return dir.ReadFile("SaveData/OptionInfo.lua"); }

    TempGameDir dir;
    ScriptedDisplaySource source;
    ScopedDisplaySource displays{source};
    MemoryRegistry registry;
    RegistrySeam::Override scope{registry};
};

TEST_F(StartupTest, UnconfirmedSheetSavesNothing)
{
    Run(false, [](CRegistry& r) {
        r.width = 1024;
        r.soundMode = 0;
    });
    EXPECT_EQ("GameWindowX = 12\r\n", File());
    // Only the first start's own store of the defaults reached the registry.
    EXPECT_EQ(8u, registry.SetCalls().size());
}

// The system's own words for a failure: a text, not a bare code, with
// nothing trailing that would show in the box.
TEST(ErrorTextWin32, IsTheSystemsMessage)
{
    for (const std::string& text : {FileErrorText(ERROR_ACCESS_DENIED), RegistryErrorText(ERROR_ACCESS_DENIED)}) {
        EXPECT_FALSE(text.empty());
        EXPECT_EQ(std::string::npos, text.find("error 5")) << text;
        EXPECT_EQ(std::string::npos, std::string(" \r\n\t").find(text.back())) << text;
    }
}

// An exception a window callback caught is not hidden behind a clean exit.
TEST_F(StartupTest, CaughtCallbackFailureMakesTheExitNonZero)
{
    CSetupApp app;
    AfxNoteCallbackFailure();
    EXPECT_EQ(CSetupApp::kExitWindowFault, app.ExitInstance());
}

// Where the tool works. A shortcut with an empty "Start in" starts it in the
// system folder; it must then work in its own folder, even one whose name
// does not fit the ANSI code page, and say so when neither is a game folder.
TEST(GameFolder, CurrentFirstThenTheExecutablesThenNone)
{
    TempGameDir dir;
    const std::wstring top = [&] {
        std::wstring wide(dir.Path().begin(), dir.Path().end());
        return wide;
    }();
    const std::wstring game = top + L"\\\uac8c\uc784 \u0436";
    const std::wstring elsewhere = top + L"\\elsewhere";
    for (const std::wstring& folder : {game, game + L"\\System", game + L"\\System\\LuaFiles514", elsewhere})
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    dir.WriteFile("elsewhere/System", "a file, not the folder");
    dir.WriteFile("System/LuaFiles514/OptionInfo.lua", "");

    struct Case {
        std::wstring start, own;
        bool found;
        std::wstring after;
    } cases[] = {
        {top, game, true, top},             // the current folder is a game folder
        {elsewhere, game, true, game},      // the executable's is
        {elsewhere, elsewhere, false, elsewhere},
        {elsewhere, L"", false, elsewhere},
        {game + L"\\System", top + L"\\missing", false, game + L"\\System"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(SetCurrentDirectoryW(c.start.c_str()));
        const CSetupApp::FolderSearch search = CSetupApp::EnterGameFolder(c.own);
        wchar_t now[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, now);
        EXPECT_EQ(c.found, search.found) << std::string(c.own.begin(), c.own.end());
        EXPECT_EQ(c.after, now);
        if (!search.found) {
            const std::wstring text = CSetupApp::NoGameFolderText(search);
            EXPECT_NE(text.find(L"must be run from the game folder"), std::wstring::npos);
            EXPECT_NE(text.find(c.start), std::wstring::npos) << "it names the current folder";
            EXPECT_NE(text.find(c.own.empty() ? L"(unknown)" : c.own), std::wstring::npos) << "and its own";
        }
    }

    // A game folder deeper than Windows lets a current directory be (Wine
    // lets it): entered where the system can, else told as one that cannot
    // be entered, not as no game folder.
    std::wstring deep = L"\\\\?\\" + game;
    while (deep.size() < MAX_PATH + 20) {
        deep += L"\\deeper folder";
        ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
    }
    for (const wchar_t* data : {L"\\System", L"\\System\\LuaFiles514"})
        ASSERT_TRUE(CreateDirectoryW((deep + data).c_str(), nullptr));
    deep.erase(0, 4);
    const bool enterable = SetCurrentDirectoryW(deep.c_str()) != FALSE;
    const unsigned long error = enterable ? 0 : GetLastError();
    ASSERT_TRUE(SetCurrentDirectoryW(elsewhere.c_str()));
    CSetupApp::FolderSearch search = CSetupApp::EnterGameFolder(deep);
    EXPECT_EQ(enterable, search.found);
    EXPECT_EQ(error, search.enterError);
    search.enterError = ERROR_FILENAME_EXCED_RANGE;
    EXPECT_EQ(L"Kestrune Setup cannot start: its own folder holds the game, but it could not be entered: it lies "
              L"deeper than Windows lets a program work in:\n\n" + deep,
              CSetupApp::NoGameFolderText(search));
    SetCurrentDirectoryA(dir.Path().c_str());
}

}  // namespace
