// The Option page inside the real sheet: its template as built, its boxes
// mirroring commandFlags, one switch per click, and the tooltips.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "resource.h"
#include "settings/SettingNames.h"
#include "win32/UiHarness.h"

namespace {

using namespace ui_test;

// The caption of each box is the key of its tooltip.
const char* Key(int k)
{
    return GetSettingName(kNameFirstCommandTip + k);
}

class OptionPageTest : public UiTest {
protected:
    LRESULT Check(int k) const { return SendMessageA(m_window.CommandBox(k), BM_GETCHECK, 0, 0); }

    SetupSheetWindow m_window;
};

TEST_F(OptionPageTest, BoxesMirrorTheSwitchesWhenFirstShown)
{
    for (int k = 0; k < kCommandCount; ++k)
        Record().commandFlags[k] = (k % 3 == 0) ? 1 : 0;
    ASSERT_NE(m_window.Open(), nullptr);
    m_window.ShowOptionTab();
    for (int k = 0; k < kCommandCount; ++k) {
        ASSERT_NE(m_window.CommandBox(k), nullptr) << Key(k);
        EXPECT_EQ(Check(k), Record().commandFlags[k]) << Key(k);
    }
}

TEST_F(OptionPageTest, EachClickFlipsOnlyItsOwnSwitch)
{
    ASSERT_NE(m_window.Open(), nullptr);
    m_window.ShowOptionTab();
    for (int k = 0; k < kCommandCount; ++k) {
        const std::vector<int32_t> before = Scalars(Record());
        const int32_t old = Record().commandFlags[k];
        Click(m_window.CommandBox(k));
        EXPECT_EQ(Record().commandFlags[k], 1 - old) << Key(k);
        EXPECT_EQ(Record().commandFlags[k], Check(k)) << Key(k);
        Record().commandFlags[k] = old;
        EXPECT_EQ(Scalars(Record()), before) << Key(k) << " changed another setting";
        Record().commandFlags[k] = 1 - old;
        Click(m_window.CommandBox(k));
        EXPECT_EQ(Record().commandFlags[k], old) << "a second click restores " << Key(k);
    }
}

TEST_F(OptionPageTest, ToolTipsCarryTheMessageOfEachCommand)
{
    // Every key but "lightmap", whose tool then has no text.
    std::string script;
    for (int k = 0; k + 1 < kCommandCount; ++k)
        script += std::string("SetupMSG['") + Key(k) + "'] = 'about " + Key(k) + "'\n";
    WriteMessageScript(*m_game, script);
    ASSERT_NE(m_window.Open(), nullptr);
    m_window.ShowOptionTab();
    const std::vector<Tool> tools = ToolsOf(m_window.option.m_toolTip.m_hWnd);
    ASSERT_EQ(tools.size(), static_cast<size_t>(kCommandCount));
    for (int k = 0; k < kCommandCount; ++k) {
        const std::string expected = k + 1 < kCommandCount ? std::string("about ") + Key(k) : "";
        EXPECT_EQ(tools[k].window, m_window.CommandBox(k)) << k;
        EXPECT_EQ(tools[k].parent, m_window.option.m_hWnd) << k;
        EXPECT_EQ(tools[k].flags & (TTF_IDISHWND | TTF_SUBCLASS), static_cast<UINT>(TTF_IDISHWND)) << k;
        EXPECT_EQ(tools[k].text, expected) << Key(k);
    }
}

TEST_F(OptionPageTest, MouseMessagesReachTheToolTipThroughThePage)
{
    // The sheet's loop hands every message to the page first, which relays
    // it to the tooltip: a mouse move over a box ends in that box's tip.
    ASSERT_NE(m_window.Open(), nullptr);
    m_window.ShowOptionTab();
    SetForegroundWindow(m_window.sheet.m_hWnd);
    SetActiveWindow(m_window.sheet.m_hWnd);
    HWND fog = m_window.OptionItem(IDC_CMD_FOG);
    HWND tooltip = m_window.option.m_toolTip.m_hWnd;
    POINT screen = {4, 4};
    ClientToScreen(fog, &screen);
    SetCursorPos(screen.x, screen.y);
    MSG move = {fog, WM_MOUSEMOVE, 0, MAKELPARAM(4, 4), GetTickCount(), screen};
    m_window.sheet.PreTranslateMessage(&move);

    TTTOOLINFOA info = {};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    const DWORD deadline = GetTickCount() + 10000;
    while (!IsWindowVisible(tooltip) && GetTickCount() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        Pump(m_window.sheet);
    }
    ASSERT_TRUE(IsWindowVisible(tooltip)) << "the tip pops up after the relayed move";
    ASSERT_TRUE(SendMessageA(tooltip, TTM_GETCURRENTTOOLA, 0, reinterpret_cast<LPARAM>(&info)));
    EXPECT_EQ(reinterpret_cast<HWND>(info.uId), fog);
}

}  // namespace
