// The sheet as a player sees it in the states that are easy to get wrong:
// after DEFAULT, after a device change, with a long device name and with no
// usable device. Each state's picture is kept in artifacts/look.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "resource.h"
#include "win32/UiHarness.h"

namespace {

using namespace ui_test;

// Saves the window and the pop-ups over it as they are on screen, as a
// 24-bit BMP.
void KeepPicture(HWND window, const std::string& name)
{
    CreateDirectoryA(KES_ARTIFACTS, nullptr);
    CreateDirectoryA(KES_ARTIFACTS "\\look", nullptr);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    // Let the X server catch up with the painting before the copy.
    for (int i = 0; i < 10; ++i) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(20);
    }
    RECT rect;
    GetWindowRect(window, &rect);
    rect.bottom += 120;  // room for an open list below the sheet's lower controls
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, previous);
    BITMAPINFOHEADER info = {sizeof info, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    const DWORD row = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    std::string pixels(row * static_cast<DWORD>(height), '\0');
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), &pixels[0], reinterpret_cast<BITMAPINFO*>(&info),
              DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    BITMAPFILEHEADER file = {0x4D42, static_cast<DWORD>(sizeof file + sizeof info + pixels.size()), 0, 0,
                             sizeof file + sizeof info};
    if (FILE* out = std::fopen((std::string(KES_ARTIFACTS "\\look\\") + name + ".bmp").c_str(), "wb")) {
        std::fwrite(&file, sizeof file, 1, out);
        std::fwrite(&info, sizeof info, 1, out);
        std::fwrite(pixels.data(), 1, pixels.size(), out);
        std::fclose(out);
    }
}

class SheetLook : public UiTest {
protected:
    HWND Item(int id) const { return m_window.SystemItem(id); }
    SetupSheetWindow m_window;
};

TEST_F(SheetLook, AfterADeviceChange)
{
    ASSERT_NE(m_window.Open(), nullptr);
    SelectLine(Item(IDC_COMBO_DEVICE), 1);
    Pump(m_window.sheet);
    KeepPicture(m_window.sheet.m_hWnd, "after-device-change");
    EXPECT_EQ(TextOf(Item(IDC_COMBO_DEVICE)), "Second Card");
    EXPECT_EQ(TextOf(Item(IDC_COMBO_MODE)), "640 x 480 x 16") << "the same line of the new list";
}

TEST_F(SheetLook, LongDeviceName)
{
    std::vector<ScriptedDriver> drivers = TwoHardwareDevices();
    drivers[0].devices[1].name = "Very Long Display Adapter Name With T&L";
    UseDrivers(drivers);
    ASSERT_NE(m_window.Open(), nullptr);
    SendMessageA(Item(IDC_COMBO_DEVICE), CB_SHOWDROPDOWN, TRUE, 0);
    Pump(m_window.sheet);
    KeepPicture(m_window.sheet.m_hWnd, "long-device-name");
    HWND combo = Item(IDC_COMBO_DEVICE);
    COMBOBOXINFO info = {sizeof info};
    ASSERT_TRUE(GetComboBoxInfo(combo, &info));
    RECT list;
    GetClientRect(info.hwndList, &list);
    HDC dc = GetDC(info.hwndList);
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(combo, WM_GETFONT, 0, 0)));
    SIZE name = {};
    GetTextExtentPoint32A(dc, drivers[0].devices[1].name.c_str(), static_cast<int>(drivers[0].devices[1].name.size()),
                          &name);
    SelectObject(dc, previous);
    ReleaseDC(info.hwndList, dc);
    EXPECT_GE(list.right, name.cx) << "the open list shows the whole name";
    SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
}

TEST_F(SheetLook, NoUsableDevice)
{
    UseDrivers({SoftwareOnlyDriver()});
    ASSERT_NE(m_window.Open(), nullptr);
    KeepPicture(m_window.sheet.m_hWnd, "no-usable-device");
    for (int id : {IDC_COMBO_DEVICE, IDC_COMBO_MODE}) {
        EXPECT_EQ(TextOf(Item(id)), "") << id;
        EXPECT_TRUE(IsWindowEnabled(Item(id))) << id << ": blank, not disabled";
    }
}

}  // namespace
