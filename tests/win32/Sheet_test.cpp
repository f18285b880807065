// The setup sheet, created for real and driven by messages: its button row,
// its tabs, DEFAULT, OK with the confirmation, and the ways out without it.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>

#include "resource.h"
#include "win32/UiHarness.h"

namespace {

using namespace ui_test;

RECT ClientRectOf(HWND parent, HWND child)
{
    RECT rect = {};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

LOGFONTA FontOf(HWND window)
{
    LOGFONTA font = {};
    HGDIOBJ handle = reinterpret_cast<HGDIOBJ>(SendMessageA(window, WM_GETFONT, 0, 0));
    if (handle)
        GetObjectA(handle, sizeof(font), &font);
    return font;
}

std::vector<HWND> ButtonsOf(HWND sheet)
{
    std::vector<HWND> buttons;
    for (HWND child : ChildrenOf(sheet)) {
        if (ClassOf(child) == "Button" && IsWindowVisible(child))
            buttons.push_back(child);
    }
    std::sort(buttons.begin(), buttons.end(), [sheet](HWND a, HWND b) {
        return ClientRectOf(sheet, a).left < ClientRectOf(sheet, b).left;
    });
    return buttons;
}

class SheetTest : public UiTest {};

// OK, CANCEL and DEFAULT, visible and enabled, in one evenly spaced row
// inside the sheet, in one font: DEFAULT takes the place of the platform's
// Help button. The check program's sheet verdict is this test's.
TEST_F(SheetTest, ButtonRowIsOkCancelDefault)
{
    SetupSheetWindow window;
    ASSERT_NE(window.Open(), nullptr);
    HWND sheet = window.sheet.m_hWnd;
    const std::vector<HWND> buttons = ButtonsOf(sheet);
    ASSERT_EQ(buttons.size(), 3u);
    EXPECT_EQ(TextOf(buttons[0]), "OK");
    EXPECT_EQ(TextOf(buttons[1]), "CANCEL");
    EXPECT_EQ(TextOf(buttons[2]), "DEFAULT");
    RECT client = {};
    GetClientRect(sheet, &client);
    const RECT ok = ClientRectOf(sheet, buttons[0]);
    const RECT cancel = ClientRectOf(sheet, buttons[1]);
    const RECT reset = ClientRectOf(sheet, buttons[2]);
    EXPECT_TRUE(IsWindowEnabled(buttons[2])) << "DEFAULT can be pressed";
    for (const RECT& other : {cancel, reset}) {
        EXPECT_EQ(other.top, ok.top);
        EXPECT_EQ(other.right - other.left, ok.right - ok.left);
        EXPECT_EQ(other.bottom - other.top, ok.bottom - ok.top);
    }
    EXPECT_LE(std::abs((reset.left - cancel.right) - (cancel.left - ok.right)), 1) << "evenly spaced";
    EXPECT_GT(cancel.left, ok.right);
    EXPECT_LE(reset.right, client.right);
    EXPECT_STREQ(FontOf(buttons[2]).lfFaceName, FontOf(buttons[0]).lfFaceName);
    EXPECT_EQ(FontOf(buttons[2]).lfHeight, FontOf(buttons[0]).lfHeight);
}

TEST_F(SheetTest, TabNeverReachesDefault)
{
    SetupSheetWindow window;
    ASSERT_NE(window.Open(), nullptr);
    HWND sheet = window.sheet.m_hWnd;
    HWND item = window.SheetItem(IDOK);
    std::set<HWND> visited;
    for (int step = 0; step < 80 && item; ++step) {
        visited.insert(item);
        item = GetNextDlgTabItem(sheet, item, FALSE);
    }
    EXPECT_TRUE(visited.count(window.SheetItem(IDCANCEL))) << "the walk covers the row";
    EXPECT_FALSE(visited.count(window.SheetItem(IDC_DEFAULT)));
}

TEST_F(SheetTest, TabsAreSystemThenOptionWithSystemShownFirst)
{
    SetupSheetWindow window;
    ASSERT_NE(window.Open(), nullptr);
    HWND tabs = reinterpret_cast<HWND>(SendMessageA(window.sheet.m_hWnd, PSM_GETTABCONTROL, 0, 0));
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0), 2);
    const char* expected[] = {"System", "Option"};
    for (int i = 0; i < 2; ++i) {
        char text[32] = {};
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        SendMessageA(tabs, TCM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        EXPECT_STREQ(text, expected[i]);
    }
    EXPECT_EQ(SendMessageA(tabs, TCM_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(window.sheet.GetActivePage(), &window.system);
    EXPECT_TRUE(window.system.m_bInitialized);
    EXPECT_FALSE(window.option.m_bInitialized);
    EXPECT_EQ(window.option.m_hWnd, nullptr);
}

// DEFAULT resets the record and refreshes the pages that exist; the Option
// page, made later or not, then shows the defaults too.
TEST_F(SheetTest, DefaultResetsTheRecordAndEveryPageShowsIt)
{
    const std::vector<int32_t> defaults = Scalars(Record());
    for (bool optionOpen : {false, true}) {
        SCOPED_TRACE(optionOpen ? "the Option tab opened first" : "the Option tab not opened yet");
        SetupSheetWindow window;
        ASSERT_NE(window.Open(), nullptr);
        if (optionOpen)
            window.ShowOptionTab();
        Click(window.SystemItem(IDC_CHK_FULLSCREEN));
        SelectLine(window.SystemItem(IDC_COMBO_DEVICE), 1);
        SelectLine(window.SystemItem(IDC_COMBO_MODE), 0);
        for (int k : {0, 7, 20}) {
            if (optionOpen)
                Click(window.CommandBox(k));
            else
                Record().commandFlags[k] = !Record().commandFlags[k];
        }
        Record().bgmVolume = 3;
        ASSERT_NE(Scalars(Record()), defaults);

        Click(window.SheetItem(IDC_DEFAULT));
        EXPECT_EQ(Scalars(Record()), defaults);
        EXPECT_STREQ(Record().deviceName, "First HAL");
        EXPECT_EQ(SendMessageA(window.SystemItem(IDC_CHK_FULLSCREEN), BM_GETCHECK, 0, 0), BST_UNCHECKED);
        EXPECT_EQ(SendMessageA(window.SystemItem(IDC_COMBO_DEVICE), CB_GETCURSEL, 0, 0), 0);
        EXPECT_EQ(Lines(window.SystemItem(IDC_COMBO_MODE)).size(), 3u) << "the first device's list is back";
        EXPECT_EQ(SendMessageA(window.SystemItem(IDC_COMBO_MODE), CB_GETCURSEL, 0, 0), Record().modeIndex);
        EXPECT_EQ(SendMessageA(window.SystemItem(IDC_SLIDER_BGM), TBM_GETPOS, 0, 0), Record().bgmVolume);
        EXPECT_EQ(optionOpen, window.option.m_bInitialized) << "DEFAULT makes no page";
        window.ShowOptionTab();
        for (int k = 0; k < kCommandCount; ++k)
            EXPECT_EQ(SendMessageA(window.CommandBox(k), BM_GETCHECK, 0, 0), Record().commandFlags[k]) << k;
    }
}

TEST_F(SheetTest, OkAsksAndTheAnswerDecides)
{
    struct Case {
        int answer;
        bool confirmed;
        bool folderBefore;
    } cases[] = {
        {IDOK, true, false},
        {IDCANCEL, false, false},
        {IDOK, true, true},
    };
    for (const Case& c : cases) {
        RemoveDirectoryA("savedata");
        if (c.folderBefore)
            m_game->WriteFile("savedata/keep.txt", "kept");
        saveConfirmed = !c.confirmed;
        SetupSheetWindow window;
        ASSERT_NE(window.Open(), nullptr);
        MessageBoxAnswer answer(c.answer);
        Click(window.SheetItem(IDOK));
        ASSERT_TRUE(answer.answered) << "OK asks before closing";
        EXPECT_EQ(answer.caption, "Setup");
        EXPECT_EQ(answer.text, "Save the settings and close Setup?");
        EXPECT_TRUE(answer.hadCancel);
        EXPECT_EQ(answer.owner, window.sheet.m_hWnd) << "owned by the page's top-level window";
        EXPECT_EQ(saveConfirmed, c.confirmed);
        EXPECT_FALSE(window.sheet.IsOpen()) << "the sheet closes whatever the answer";
        const DWORD attributes = GetFileAttributesA("savedata");
        const bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
        EXPECT_EQ(folder, c.confirmed || c.folderBefore);
        if (c.folderBefore) {
            EXPECT_EQ(m_game->ReadFile("savedata/keep.txt"), "kept");
            DeleteFileA("savedata\\keep.txt");
        }
    }
}

TEST_F(SheetTest, CancelEscapeAndCloseBoxAskNothing)
{
    enum Way { kCancel, kEscape, kCloseBox };
    for (Way way : {kCancel, kEscape, kCloseBox}) {
        SetupSheetWindow window;
        ASSERT_NE(window.Open(), nullptr);
        Click(window.SystemItem(IDC_CHK_FULLSCREEN));
        MessageBoxAnswer answer(IDOK);
        switch (way) {
        case kCancel:
            Click(window.SheetItem(IDCANCEL));
            break;
        case kEscape:
            SetFocus(window.SystemItem(IDC_CHK_FULLSCREEN));
            PostMessageA(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
            PostMessageA(GetFocus(), WM_KEYUP, VK_ESCAPE, 0);
            Pump(window.sheet);
            break;
        case kCloseBox:
            SendMessageA(window.sheet.m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        }
        Pump(window.sheet);
        EXPECT_FALSE(window.sheet.IsOpen()) << way;
        EXPECT_FALSE(answer.answered) << way;
        EXPECT_FALSE(saveConfirmed) << way;
        EXPECT_EQ(GetFileAttributesA("savedata"), INVALID_FILE_ATTRIBUTES) << way;
    }
}

TEST_F(SheetTest, ButtonsKeepThePlatformsBrush)
{
    SetupSheetWindow window;
    ASSERT_NE(window.Open(), nullptr);
    // No brush of its own: the buttons stand on the platform's face colour.
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SendMessageA(window.sheet.m_hWnd, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc),
                           reinterpret_cast<LPARAM>(window.SheetItem(IDOK))),
              0);
    DeleteDC(dc);
}

// DEFAULT refreshes a page only where it is of its kind, which the run-time
// class tells: the class itself or a base, never a sibling.
TEST(RunTimeClass, KindIsTheClassOrABase)
{
    CSetupCMD option;
    EXPECT_TRUE(option.IsKindOf(&CSetupCMD::runtimeClass));
    EXPECT_TRUE(option.IsKindOf(&CPropertyPage::runtimeClass));
    EXPECT_FALSE(option.IsKindOf(&CSetupOption::runtimeClass));
}

}  // namespace
