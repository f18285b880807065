// The setup sheet, created for real and driven by messages: its button row,
// its tabs, DEFAULT, OK with the confirmation, and the ways out without it.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
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

RECT Shifted(RECT rect, int dx)
{
    OffsetRect(&rect, dx, 0);
    return rect;
}

::testing::AssertionResult SameRect(const RECT& a, const RECT& b)
{
    if (EqualRect(&a, &b))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << a.left << "," << a.top << "," << a.right << "," << a.bottom
                                         << ") vs (" << b.left << "," << b.top << "," << b.right << ","
                                         << b.bottom << ")";
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

TEST_F(SheetTest, ButtonRowIsOkCancelDefaultTenPixelsLeftOfThePlatformRow)
{
    // The platform's own row, with Help, for the same pages and flags.
    CPropertyPage plainSystem(IDD_SYSTEM_PAGE);
    CPropertyPage plainOption(IDD_OPTION_PAGE);
    CPropertySheet plain("Kestrune Setup");
    plain.AddPage(&plainSystem);
    plain.AddPage(&plainOption);
    plain.m_psh.dwFlags |= PSH_NOAPPLYNOW;
    ASSERT_NE(plain.Create(), nullptr);
    HWND plainHelp = GetDlgItem(plain.m_hWnd, IDHELP);
    ASSERT_NE(plainHelp, nullptr) << "the application's ID_HELP route gives a Help button";
    const RECT okPlace = ClientRectOf(plain.m_hWnd, GetDlgItem(plain.m_hWnd, IDOK));
    const RECT cancelPlace = ClientRectOf(plain.m_hWnd, GetDlgItem(plain.m_hWnd, IDCANCEL));
    const RECT helpPlace = ClientRectOf(plain.m_hWnd, plainHelp);
    const LOGFONTA helpFont = FontOf(plainHelp);

    SetupSheetWindow window;
    ASSERT_NE(window.Open(), nullptr);
    HWND sheet = window.sheet.m_hWnd;
    const std::vector<HWND> buttons = ButtonsOf(sheet);
    ASSERT_EQ(buttons.size(), 3u);
    EXPECT_EQ(TextOf(buttons[0]), "OK");
    EXPECT_EQ(TextOf(buttons[1]), "CANCEL");
    EXPECT_EQ(TextOf(buttons[2]), "DEFAULT");
    EXPECT_EQ(buttons[0], GetDlgItem(sheet, IDOK));
    EXPECT_EQ(buttons[1], GetDlgItem(sheet, IDCANCEL));
    EXPECT_EQ(buttons[2], GetDlgItem(sheet, IDC_DEFAULT));
    EXPECT_EQ(GetDlgItem(sheet, IDHELP), nullptr);
    EXPECT_EQ(GetDlgItem(sheet, ID_APPLY_NOW), nullptr);

    EXPECT_TRUE(SameRect(ClientRectOf(sheet, buttons[0]), Shifted(okPlace, -10)));
    EXPECT_TRUE(SameRect(ClientRectOf(sheet, buttons[1]), Shifted(cancelPlace, -10)));
    EXPECT_TRUE(SameRect(ClientRectOf(sheet, buttons[2]), Shifted(helpPlace, -10)));

    const LOGFONTA defaultFont = FontOf(buttons[2]);
    EXPECT_STREQ(defaultFont.lfFaceName, helpFont.lfFaceName);
    EXPECT_EQ(defaultFont.lfHeight, helpFont.lfHeight);
    EXPECT_EQ(defaultFont.lfWeight, helpFont.lfWeight);

    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(buttons[2], GWL_STYLE)), static_cast<DWORD>(WS_CHILD | WS_VISIBLE));
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

TEST_F(SheetTest, ColourAnswerIsBlackOnWhiteWithTheDefaultBrush)
{
    SetupSheetWindow window;
    ASSERT_NE(window.Open(), nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, RGB(9, 9, 9));
    SetBkColor(dc, RGB(9, 9, 9));
    const LRESULT brush = SendMessageA(window.sheet.m_hWnd, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(window.SheetItem(IDOK)));
    EXPECT_EQ(brush, 0);
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
    EXPECT_EQ(GetBkColor(dc), RGB(255, 255, 255));
    DeleteDC(dc);
}

// DEFAULT refreshes a page only where it is of its kind: pages in the other
// order are reset in the record but left showing what they showed.
TEST_F(SheetTest, DefaultSkipsAPageOfAnotherKind)
{
    CSetupCMD option;
    CSetupOption system;
    CSetupSheet sheet("swapped");
    sheet.AddPage(&option);
    sheet.AddPage(&system);
    ASSERT_NE(sheet.Create(), nullptr);
    SendMessageA(sheet.m_hWnd, PSM_SETCURSEL, 1, 0);
    ASSERT_TRUE(system.m_bInitialized);
    Click(GetDlgItem(system.m_hWnd, IDC_CHK_FULLSCREEN));
    ASSERT_EQ(Record().fullScreen, 1);
    SendMessageA(sheet.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_DEFAULT, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(sheet.m_hWnd, IDC_DEFAULT)));
    EXPECT_EQ(Record().fullScreen, 0);
    EXPECT_EQ(SendMessageA(GetDlgItem(system.m_hWnd, IDC_CHK_FULLSCREEN), BM_GETCHECK, 0, 0), BST_CHECKED);
}

}  // namespace
