// The System page inside the real sheet: its template as built, its fill
// from the settings record and the display table, every handler's effect on
// the record, bad indices, and its tooltips.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "resource.h"
#include "win32/UiHarness.h"

namespace {

using namespace ui_test;

class SystemPageTest : public UiTest {
protected:
    HWND Item(int id) const { return m_window.SystemItem(id); }
    LRESULT Check(int id) const { return SendMessageA(Item(id), BM_GETCHECK, 0, 0); }
    LRESULT Pos(int id) const { return SendMessageA(Item(id), TBM_GETPOS, 0, 0); }
    LRESULT Selected(int id) const { return SendMessageA(Item(id), CB_GETCURSEL, 0, 0); }
    // The control a player takes for `label`'s: the one captioned so, or the
    // nearest of class `cls` below that caption.
    HWND Labelled(const char* label, const char* cls) const
    {
        HWND page = m_window.system.m_hWnd;
        if (HWND own = FindWindowExA(page, nullptr, cls, label))
            return own;
        RECT at = {};
        GetWindowRect(FindWindowExA(page, nullptr, "Static", label), &at);
        HWND nearest = nullptr;
        long distance = LONG_MAX;
        for (HWND child : ChildrenOf(page)) {
            RECT place = {};
            GetWindowRect(child, &place);
            const long away = (place.top - at.top) + std::labs(place.left - at.left);
            if (ClassOf(child) == cls && place.top > at.top && away < distance) {
                nearest = child;
                distance = away;
            }
        }
        return nearest;
    }

    SetupSheetWindow m_window;
};

TEST_F(SystemPageTest, FillsEveryControlFromTheRecord)
{
    CRegistry& r = Record();
    r.fullScreen = 1;
    r.mouseExclusive = 1;
    r.spriteMode = 1;
    r.textureMode = 0;
    r.bgmVolume = 100;
    r.effectVolume = 27;
    r.bgmOn = 0;
    r.soundOn = 1;
    r.soundMode = 0;
    r.modeIndex = 1;
    ASSERT_NE(m_window.Open(), nullptr);

    EXPECT_EQ(Lines(Item(IDC_COMBO_DEVICE)), (std::vector<std::string>{"First HAL", "Second Card"}))
        << "only the hardware devices, the software one left out";
    EXPECT_EQ(Selected(IDC_COMBO_DEVICE), 0);
    EXPECT_EQ(Lines(Item(IDC_COMBO_MODE)),
              (std::vector<std::string>{"640 x 480 x 16", "800 x 600 x 16", "1024 x 768 x 16"}));
    EXPECT_EQ(Selected(IDC_COMBO_MODE), 1);

    EXPECT_EQ(Check(IDC_CHK_FULLSCREEN), BST_CHECKED);
    EXPECT_EQ(Check(IDC_CHK_MOUSE_EXCLUSIVE), BST_CHECKED);
    EXPECT_EQ(Check(IDC_CHK_BGM_ON), BST_UNCHECKED);
    EXPECT_EQ(Check(IDC_CHK_EFFECT_ON), BST_CHECKED);
    EXPECT_EQ(Check(IDC_CHK_NOSOUND), BST_CHECKED) << "soundMode 0 means no sound";
    EXPECT_EQ(Pos(IDC_SLIDER_SPRITE), 1);
    EXPECT_EQ(Pos(IDC_SLIDER_TEXTURE), 0);
    EXPECT_EQ(Pos(IDC_SLIDER_BGM), 100);
    EXPECT_EQ(Pos(IDC_SLIDER_EFFECT), 27);
}

TEST_F(SystemPageTest, EachCheckBoxStoresItsStateAndNothingElse)
{
    // By what the player reads: "ON" under the volume's caption.
    struct Case {
        const char* label;
        int32_t CRegistry::*field;
        bool inverted;
    } cases[] = {
        {"Full Screen Mode", &CRegistry::fullScreen, false},
        {"Mouse Exclusive", &CRegistry::mouseExclusive, false},
        {"BGM Volume", &CRegistry::bgmOn, false},
        {"Effect Volume", &CRegistry::soundOn, false},
        {"No Sound", &CRegistry::soundMode, true},
    };
    ASSERT_NE(m_window.Open(), nullptr);
    for (const Case& c : cases) {
        HWND box = Labelled(c.label, "Button");
        ASSERT_NE(box, nullptr) << c.label;
        for (int round = 0; round < 2; ++round) {
            const std::vector<int32_t> before = Scalars(Record());
            const int32_t old = Record().*c.field;
            Click(box);
            const int32_t checked = SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
            const int32_t expected = c.inverted ? 1 - checked : checked;
            EXPECT_EQ(Record().*c.field, expected) << c.label << " round " << round;
            EXPECT_NE(expected, old) << c.label << " round " << round;
            // Every other setting as it was.
            Record().*c.field = old;
            EXPECT_EQ(Scalars(Record()), before) << c.label;
            Record().*c.field = expected;
        }
    }
    EXPECT_EQ(Check(IDC_CHK_BGM_ON), Record().bgmOn) << "No Sound leaves the other boxes alone";
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_CHK_BGM_ON)));
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_SLIDER_BGM)));
}

}  // namespace

namespace {

using namespace ui_test;

class SystemSliderTest : public SystemPageTest {};

// The player sees the value that is saved: every way a trackbar moves
// stores its position at once, and touches no other setting.
TEST_F(SystemSliderTest, EveryMoveIsStoredAtOnce)
{
    // By the caption above each; the range is what the game reads.
    struct Case {
        const char* label;
        int32_t CRegistry::*field;
        int max;
    } cases[] = {
        {"Sprite Detail", &CRegistry::spriteMode, 2},
        {"Texture Detail", &CRegistry::textureMode, 2},
        {"BGM Volume", &CRegistry::bgmVolume, 127},
        {"Effect Volume", &CRegistry::effectVolume, 127},
    };
    // Each input from where the one before left the thumb.
    const struct Input {
        UINT message;
        WPARAM wParam;
        const char* what;
    } inputs[] = {
        {WM_KEYDOWN, VK_END, "End"},         {WM_KEYDOWN, VK_LEFT, "Left"},
        {WM_KEYDOWN, VK_HOME, "Home"},       {WM_KEYDOWN, VK_RIGHT, "Right"},
        {WM_KEYDOWN, VK_NEXT, "Page Down"},  {WM_KEYDOWN, VK_PRIOR, "Page Up"},
        {WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), "wheel"},
    };
    for (const Case& c : cases)
        Record().*c.field = 1;
    ASSERT_NE(m_window.Open(), nullptr);
    for (const Case& c : cases) {
        HWND slider = Labelled(c.label, TRACKBAR_CLASSA);
        ASSERT_NE(slider, nullptr) << c.label;
        const auto pos = [slider] { return SendMessageA(slider, TBM_GETPOS, 0, 0); };
        const std::vector<int32_t> others = Scalars(Record());
        for (const Input& input : inputs) {
            SendMessageA(slider, input.message, input.wParam, 0);
            if (input.message == WM_KEYDOWN)
                SendMessageA(slider, WM_KEYUP, input.wParam, 0);
            EXPECT_EQ(Record().*c.field, pos()) << c.label << " after " << input.what;
        }
        DragThumbToEnd(slider);
        EXPECT_EQ(pos(), c.max);
        EXPECT_EQ(Record().*c.field, c.max) << c.label << " after a drag";
        Record().*c.field = 1;
        EXPECT_EQ(Scalars(Record()), others) << "only " << c.label << "'s own setting changes";
        Record().*c.field = c.max;
    }
}

TEST_F(SystemSliderTest, ValueOutsideTheRangeIsKeptUntilMoved)
{
    Record().bgmVolume = 200;
    Record().spriteMode = -4;
    ASSERT_NE(m_window.Open(), nullptr);
    EXPECT_EQ(Pos(IDC_SLIDER_BGM), 127);
    EXPECT_EQ(Pos(IDC_SLIDER_SPRITE), 0);
    EXPECT_EQ(Record().bgmVolume, 200);
    EXPECT_EQ(Record().spriteMode, -4);
    SendMessageA(Item(IDC_SLIDER_BGM), WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_EQ(Record().bgmVolume, 126);
}

TEST_F(SystemPageTest, PickingAModeCopiesItFromTheModeList)
{
    ASSERT_NE(m_window.Open(), nullptr);
    const std::vector<int32_t> before = Scalars(Record());
    SelectLine(Item(IDC_COMBO_MODE), 2);
    EXPECT_EQ(Record().modeIndex, 2);
    EXPECT_EQ(Record().width, 1024);
    EXPECT_EQ(Record().height, 768);
    EXPECT_EQ(Record().bitsPerPixel, 16);

    // A notification without a selected line has no mode to copy.
    SelectLine(Item(IDC_COMBO_MODE), -1);
    EXPECT_EQ(Record().modeIndex, 2);
    EXPECT_EQ(Record().width, 1024);

    SelectLine(Item(IDC_COMBO_MODE), 0);
    EXPECT_EQ(Scalars(Record()), before);
}

TEST_F(SystemPageTest, ChangingTheDeviceKeepsTheModeLineAndRefillsTheList)
{
    ASSERT_NE(m_window.Open(), nullptr);
    SelectLine(Item(IDC_COMBO_MODE), 2);
    SelectLine(Item(IDC_COMBO_DEVICE), 1);
    EXPECT_EQ(Record().deviceIndex, 1);
    EXPECT_EQ(Record().modeIndex, 2);
    EXPECT_EQ(Lines(Item(IDC_COMBO_MODE)), (std::vector<std::string>{"640 x 480 x 16"}));
    EXPECT_EQ(Selected(IDC_COMBO_MODE), CB_ERR) << "line 2 is not in the shorter list";
    EXPECT_EQ(Record().width, 1024) << "the mode stays until a line is picked";
    EXPECT_EQ(Record().height, 768);
    EXPECT_STREQ(Record().deviceName, "Second Card");
    EXPECT_TRUE(SameGuid(Record().deviceGuid, MakeGuid(0x33)));
    EXPECT_TRUE(SameGuid(Record().driverGuid, MakeGuid(0x44)));
    EXPECT_EQ(modeList[0].width, 640);

    SelectLine(Item(IDC_COMBO_DEVICE), 0);
    EXPECT_EQ(Selected(IDC_COMBO_MODE), 2);
    EXPECT_STREQ(Record().deviceName, "First HAL");
    EXPECT_EQ(modeList[2].width, 1024);
}

TEST_F(SystemPageTest, IndicesOutsideTheListsShowNoSelection)
{
    struct Case {
        int32_t deviceIndex;
        int32_t modeIndex;
        bool deviceFound;
    } cases[] = {{2, 0, false}, {19, 0, false}, {-1, 0, false}, {0, 3, true}, {0, 40, true}, {0, -3, true}};
    for (const Case& c : cases) {
        SetupSheetWindow window;
        std::strcpy(Record().deviceName, "Kept Name");
        Record().deviceIndex = c.deviceIndex;
        Record().modeIndex = c.modeIndex;
        ResetModeList();
        ASSERT_NE(window.Open(), nullptr);
        HWND devices = window.SystemItem(IDC_COMBO_DEVICE);
        HWND modes = window.SystemItem(IDC_COMBO_MODE);
        EXPECT_EQ(Lines(devices).size(), 2u);
        EXPECT_EQ(SendMessageA(devices, CB_GETCURSEL, 0, 0), c.deviceFound ? 0 : CB_ERR) << c.deviceIndex;
        EXPECT_EQ(SendMessageA(modes, CB_GETCURSEL, 0, 0), CB_ERR) << c.modeIndex;
        EXPECT_EQ(Lines(modes).size(), c.deviceFound ? 3u : 0u) << c.deviceIndex;
        EXPECT_STREQ(Record().deviceName, c.deviceFound ? "First HAL" : "Kept Name");
        EXPECT_EQ(Record().deviceIndex, c.deviceIndex);
        EXPECT_EQ(Record().modeIndex, c.modeIndex);
        if (!c.deviceFound)
            EXPECT_EQ(modeList[1].width, 640) << "the mode list is left as it was";
    }
}

TEST_F(SystemPageTest, NoUsableDeviceLeavesBothListsEmpty)
{
    UseDrivers({SoftwareOnlyDriver()});
    std::strcpy(Record().deviceName, "Kept Name");
    Record().deviceGuid = MakeGuid(0x77);
    const std::vector<int32_t> before = Scalars(Record());
    ASSERT_NE(m_window.Open(), nullptr);
    EXPECT_TRUE(Lines(Item(IDC_COMBO_DEVICE)).empty());
    EXPECT_TRUE(Lines(Item(IDC_COMBO_MODE)).empty());
    EXPECT_STREQ(Record().deviceName, "Kept Name");
    EXPECT_TRUE(SameGuid(Record().deviceGuid, MakeGuid(0x77)));
    EXPECT_EQ(modeList[0].width, 640);
    SelectLine(Item(IDC_COMBO_DEVICE), 0);
    SelectLine(Item(IDC_COMBO_MODE), 0);
    EXPECT_EQ(Scalars(Record()), before) << "selecting in empty lists stores nothing";
}

TEST_F(SystemPageTest, ListsAtMostFortyModes)
{
    ScriptedDriver many = Primary({}, {Hardware("Many Modes", 0x55)});
    for (uint32_t k = 0; k < 45; ++k)
        many.modes.push_back({640 + 16 * k, 480 + k, 16});
    UseDrivers({many});
    ASSERT_NE(m_window.Open(), nullptr);
    const std::vector<std::string> lines = Lines(Item(IDC_COMBO_MODE));
    ASSERT_EQ(lines.size(), static_cast<size_t>(kModeListSize));
    EXPECT_EQ(lines[39], "1264 x 519 x 16");
    EXPECT_EQ(modeList[39].width, 1264);
    SelectLine(Item(IDC_COMBO_MODE), 39);
    EXPECT_EQ(Record().width, 1264);
    EXPECT_EQ(Record().height, 519);
}

TEST_F(SystemPageTest, ToolTipsCarryTheMessagesOfTheirControls)
{
    // "NoSound" is missing: its tool has no text.
    WriteMessageScript(*m_game,
                       "SetupMSG.Device = 'tip device'\nSetupMSG.Mode = 'tip mode'\n"
                       "SetupMSG.FullScreen = 'tip full'\nSetupMSG.MouseExclusive = 'tip mouse'\n"
                       "SetupMSG.Sprite = 'tip sprite'\nSetupMSG.Texture = 'tip texture'\n"
                       "SetupMSG.Bgm_Volume = 'tip bgm volume'\nSetupMSG.Effect_Volume = 'tip effect volume'\n"
                       "SetupMSG.bgm = 'tip bgm'\nSetupMSG.sound = 'tip sound'\n");
    ASSERT_NE(m_window.Open(), nullptr);
    const struct {
        int id;
        const char* text;
    } expected[] = {
        {IDC_COMBO_DEVICE, "tip device"},     {IDC_COMBO_MODE, "tip mode"},
        {IDC_CHK_FULLSCREEN, "tip full"},     {IDC_CHK_MOUSE_EXCLUSIVE, "tip mouse"},
        {IDC_SLIDER_SPRITE, "tip sprite"},    {IDC_SLIDER_TEXTURE, "tip texture"},
        {IDC_SLIDER_BGM, "tip bgm volume"},   {IDC_SLIDER_EFFECT, "tip effect volume"},
        {IDC_CHK_BGM_ON, "tip bgm"},          {IDC_CHK_EFFECT_ON, "tip sound"},
        {IDC_CHK_NOSOUND, ""},
    };
    const std::vector<Tool> tools = ToolsOf(m_window.system.m_toolTip.m_hWnd);
    ASSERT_EQ(tools.size(), std::size(expected));
    for (size_t i = 0; i < tools.size(); ++i) {
        EXPECT_EQ(tools[i].window, Item(expected[i].id)) << i;
        EXPECT_EQ(tools[i].parent, m_window.system.m_hWnd) << i;
        EXPECT_EQ(tools[i].flags & (TTF_IDISHWND | TTF_SUBCLASS), static_cast<UINT>(TTF_IDISHWND)) << i;
        EXPECT_EQ(tools[i].text, expected[i].text) << i;
    }
    EXPECT_EQ(GetWindow(m_window.system.m_toolTip.m_hWnd, GW_OWNER), m_window.sheet.m_hWnd)
        << "the tooltip belongs to the page's window";
}

}  // namespace
