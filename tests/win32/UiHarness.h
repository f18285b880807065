// Shared set-up for the window tests: a game folder with the example scripts,
// a scripted display, the settings record with its defaults, the application
// object (whose message map gives sheets their Help button), and helpers that
// drive controls the way a user does.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/SetupApp.h"
#include "display/DeviceTable.h"
#include "framework/Afx.h"
#include "resource.h"
#include "script/LuaHost.h"
#include "settings/Registry.h"
#include "settings/SettingNames.h"
#include "support/SaveCheck.h"
#include "support/ScriptedDisplay.h"
#include "support/TempDir.h"
#include "ui/SetupCMD.h"
#include "ui/SetupOption.h"
#include "ui/SetupSheet.h"

namespace ui_test {

// One primary driver: a software device and a hardware one, and a second
// driver with one hardware device. Offered modes of the first hardware
// device: 640 x 480, 800 x 600, 1024 x 768 (all 16 bits); of the second:
// 640 x 480 only.
inline std::vector<ScriptedDriver> TwoHardwareDevices()
{
    return {Primary({{320, 240, 16}, {640, 480, 8}, {640, 480, 16}, {800, 600, 16}, {800, 600, 32}, {1024, 768, 16},
                     {1024, 768, 32}},
                    {Software("RGB Emulation", 0x11), Hardware("First HAL", 0x22)}),
            Secondary(0x44, "Second Card", {{640, 480, 16}, {800, 600, 32}}, {Hardware("Second HAL", 0x33)})};
}

// One driver whose only device renders in software: no usable device.
inline ScriptedDriver SoftwareOnlyDriver()
{
    return Primary({{800, 600, 16}}, {Software("RGB Emulation", 0x11)});
}

// The record's numeric settings, to check that a handler changed only one.
inline std::vector<int32_t> Scalars(const CRegistry& r)
{
    std::vector<int32_t> values = {r.fullScreen, r.width, r.height, r.bitsPerPixel, r.deviceIndex,
                                   r.modeIndex, r.spriteMode, r.textureMode, r.soundMode, r.speakerType,
                                   r.digitalRateType, r.digitalBitsType, r.bgmVolume, r.effectVolume,
                                   r.bgmOn, r.soundOn, r.mouseExclusive};
    values.insert(values.end(), r.commandFlags, r.commandFlags + kCommandCount);
    return values;
}

inline std::string ClassOf(HWND hwnd)
{
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof(name));
    return name;
}

inline std::string TextOf(HWND hwnd)
{
    char text[256] = {};
    GetWindowTextA(hwnd, text, sizeof(text));
    return text;
}

// The direct children of a window, in z-order (template order for pages).
inline std::vector<HWND> ChildrenOf(HWND parent)
{
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

// Replaces the message script with `lines` of Lua source.
inline void WriteMessageScript(const TempGameDir& game, const std::string& lines)
{
    game.WriteFile("System/LuaFiles514/MsgString.lua", "SetupMSG = {}\n" + lines);
}

// The tools of a tooltip control in registration order: the tool's window
// and the text the control holds for it.
struct Tool {
    HWND window;
    HWND parent;
    UINT flags;
    std::string text;
};

inline std::vector<Tool> ToolsOf(HWND tooltip)
{
    std::vector<Tool> tools;
    const int count = static_cast<int>(SendMessageA(tooltip, TTM_GETTOOLCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        TTTOOLINFOA info = {};
        info.cbSize = TTTOOLINFOA_V2_SIZE;
        if (!SendMessageA(tooltip, TTM_ENUMTOOLSA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&info)))
            break;
        char text[256] = {};
        info.lpszText = text;
        SendMessageA(tooltip, TTM_GETTEXTA, sizeof(text), reinterpret_cast<LPARAM>(&info));
        tools.push_back(Tool{reinterpret_cast<HWND>(info.uId), info.hwnd, info.uFlags, text});
    }
    return tools;
}

// Handles the messages waiting for this thread as the sheet's loop would.
inline void Pump(CPropertySheet& sheet)
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!sheet.PreTranslateMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

inline void Click(HWND button)
{
    SendMessageA(button, BM_CLICK, 0, 0);
}

// Selects a line as the user would: the selection, then the notification.
inline void SelectLine(HWND combo, int line)
{
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(line), 0);
    SendMessageA(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
}

inline std::vector<std::string> Lines(HWND combo)
{
    std::vector<std::string> lines;
    const int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[128] = {};
        SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        lines.push_back(text);
    }
    return lines;
}

// Presses the trackbar's thumb and drags it to the right end of the channel.
inline void DragThumbToEnd(HWND slider)
{
    RECT thumb = {};
    SendMessageA(slider, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    RECT client = {};
    GetClientRect(slider, &client);
    const int y = (thumb.top + thumb.bottom) / 2;
    SendMessageA(slider, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM((thumb.left + thumb.right) / 2, y));
    SendMessageA(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(client.right - 1, y));
    SendMessageA(slider, WM_LBUTTONUP, 0, MAKELPARAM(client.right - 1, y));
}

// Answers the next message box of this thread from a timer, which fires in
// the box's own modal loop, and keeps what the box showed.
class MessageBoxAnswer {
public:
    explicit MessageBoxAnswer(int button) : m_button(button)
    {
        s_active = this;
        m_timer = SetTimer(nullptr, 0, 20, &OnTimer);
    }
    ~MessageBoxAnswer()
    {
        KillTimer(nullptr, m_timer);
        s_active = nullptr;
    }
    MessageBoxAnswer(const MessageBoxAnswer&) = delete;
    MessageBoxAnswer& operator=(const MessageBoxAnswer&) = delete;

    bool answered = false;
    std::string caption;
    std::string text;
    HWND owner = nullptr;
    bool hadCancel = false;

private:
    static BOOL CALLBACK FindBox(HWND hwnd, LPARAM found)
    {
        if (ClassOf(hwnd) == "#32770" && GetWindow(hwnd, GW_OWNER) && IsWindowVisible(hwnd)) {
            *reinterpret_cast<HWND*>(found) = hwnd;
            return FALSE;
        }
        return TRUE;
    }

    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD)
    {
        MessageBoxAnswer* self = s_active;
        if (!self || self->answered)
            return;
        HWND box = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), &FindBox, reinterpret_cast<LPARAM>(&box));
        if (!box)
            return;
        self->answered = true;
        self->caption = TextOf(box);
        self->text = TextOf(GetDlgItem(box, 0xFFFF));
        self->owner = GetWindow(box, GW_OWNER);
        self->hadCancel = GetDlgItem(box, IDCANCEL) != nullptr;
        Click(GetDlgItem(box, self->m_button));
    }

    static inline MessageBoxAnswer* s_active = nullptr;
    int m_button;
    UINT_PTR m_timer;
};

// The world the pages read: call UseDrivers before the record is needed.
class UiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_game = std::make_unique<TempGameDir>();
        m_game->CopyExampleScripts();
        saveConfirmed = false;
        m_failuresBefore = AfxGetCallbackFailureCount();
        UseDrivers(TwoHardwareDevices());
    }

    void TearDown() override
    {
        EXPECT_EQ(AfxGetCallbackFailureCount(), m_failuresBefore) << "a callback swallowed an exception";
        CRegistry::DestroyInstance();
        m_scope.reset();
        m_game.reset();
    }

    // The tool's start-up over `drivers`, the game folder and a registry in
    // memory, on a fresh record.
    void UseDrivers(std::vector<ScriptedDriver> drivers)
    {
        m_scope.reset();
        m_source = std::make_unique<ScriptedDisplaySource>();
        m_source->drivers = std::move(drivers);
        m_scope = std::make_unique<ScopedDisplaySource>(*m_source);
        ShutDown();
        ResetModeList();
        m_registry = MemoryRegistry();
        ASSERT_NE(StartUp(SetupParts{m_registry, FileSeam::Current(), *m_source, CLuaHost::Instance()}), nullptr);
    }

    static CRegistry& Record() { return *CRegistry::Instance(); }

    CSetupApp m_app;
    MemoryRegistry m_registry;
    std::unique_ptr<TempGameDir> m_game;
    std::unique_ptr<ScriptedDisplaySource> m_source;
    std::unique_ptr<ScopedDisplaySource> m_scope;
    unsigned m_failuresBefore = 0;
};

// The product's sheet with its two pages, created modeless.
struct SetupSheetWindow {
    CSetupOption system;
    CSetupCMD option;
    CSetupSheet sheet{"Kestrune Setup", nullptr, 0};

    HWND Open()
    {
        sheet.AddPage(&system);
        sheet.AddPage(&option);
        sheet.m_psh.dwFlags |= PSH_NOAPPLYNOW;
        return sheet.Create();
    }
    void ShowOptionTab()
    {
        SendMessageA(sheet.m_hWnd, PSM_SETCURSEL, 1, 0);
        Pump(sheet);
    }
    HWND SheetItem(int id) const { return GetDlgItem(sheet.m_hWnd, id); }
    HWND SystemItem(int id) const { return GetDlgItem(system.m_hWnd, id); }
    HWND OptionItem(int id) const { return GetDlgItem(option.m_hWnd, id); }
    // The Option page's box of commandFlags[k], found by its caption, the
    // switch's key: not by a copy of the page's ids.
    HWND CommandBox(int k) const
    {
        return FindWindowExA(option.m_hWnd, nullptr, "Button", GetSettingName(kNameFirstCommandTip + k));
    }
};

}  // namespace ui_test
