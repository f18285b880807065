// The page skin on both pages: the background bitmap, where it is painted,
// and the answer each page gives to control-colour requests.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "framework/PageTemplate.h"
#include "resource.h"
#include "win32/UiHarness.h"

namespace {

using namespace ui_test;

// Top-down 24-bit pixels of a bitmap.
class Pixels {
public:
    explicit Pixels(HBITMAP bitmap)
    {
        BITMAP info = {};
        GetObjectA(bitmap, sizeof(info), &info);
        m_width = info.bmWidth;
        m_height = info.bmHeight;
        BITMAPINFO header = {};
        header.bmiHeader.biSize = sizeof(header.bmiHeader);
        header.bmiHeader.biWidth = m_width;
        header.bmiHeader.biHeight = -m_height;
        header.bmiHeader.biPlanes = 1;
        header.bmiHeader.biBitCount = 32;
        header.bmiHeader.biCompression = BI_RGB;
        m_bits.resize(static_cast<size_t>(m_width) * static_cast<size_t>(m_height));
        HDC dc = GetDC(nullptr);
        GetDIBits(dc, bitmap, 0, static_cast<UINT>(m_height), m_bits.data(), &header, DIB_RGB_COLORS);
        ReleaseDC(nullptr, dc);
    }
    COLORREF At(int x, int y) const
    {
        const DWORD bgr = m_bits[static_cast<size_t>(y) * static_cast<size_t>(m_width) + static_cast<size_t>(x)];
        return RGB((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF);
    }

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<DWORD> m_bits;
};

struct SkinCase {
    const char* name;
    bool optionPage;
};

const SkinCase kSkins[] = {{"System", false}, {"Option", true}};

class SkinTest : public UiTest, public ::testing::WithParamInterface<SkinCase> {
protected:
    CPageSkin& Page() { return GetParam().optionPage ? static_cast<CPageSkin&>(m_window.option) : m_window.system; }

    void OpenPage()
    {
        ASSERT_NE(m_window.Open(), nullptr);
        if (GetParam().optionPage)
            m_window.ShowOptionTab();
        ASSERT_NE(Page().m_hWnd, nullptr);
    }

    SetupSheetWindow m_window;
};

TEST_P(SkinTest, BrushFromTheStartBitmapWithTheWindow)
{
    EXPECT_NE(Page().m_brushBack.m_hObject, nullptr) << "created with the page, before any window";
    LOGBRUSH brush = {};
    GetObjectA(Page().m_brushBack.m_hObject, sizeof(brush), &brush);
    EXPECT_EQ(brush.lbStyle, static_cast<UINT>(BS_SOLID));
    EXPECT_EQ(brush.lbColor, RGB(255, 255, 255));
    EXPECT_EQ(Page().m_bmpBack.m_hObject, nullptr);
    EXPECT_FALSE(Page().m_bInitialized);

    OpenPage();
    EXPECT_TRUE(Page().m_bInitialized);
    EXPECT_NE(Page().m_bmpBack.m_hObject, nullptr);
    BITMAP loaded = {};
    GetObjectA(Page().m_bmpBack.m_hObject, sizeof loaded, &loaded);
    EXPECT_EQ(Page().m_bmpWidth, loaded.bmWidth);
    EXPECT_EQ(Page().m_bmpHeight, loaded.bmHeight);
    EXPECT_GT(loaded.bmWidth * loaded.bmHeight, 0);
}

TEST_P(SkinTest, ControlColourAnswer)
{
    OpenPage();
    for (UINT message : {WM_CTLCOLORSTATIC, WM_CTLCOLORBTN, WM_CTLCOLORDLG, WM_CTLCOLORLISTBOX}) {
        HDC dc = CreateCompatibleDC(nullptr);
        SetTextColor(dc, RGB(9, 9, 9));
        SetBkColor(dc, RGB(9, 9, 9));
        SetBkMode(dc, OPAQUE);
        const LRESULT brush = SendMessageA(Page().m_hWnd, message, reinterpret_cast<WPARAM>(dc),
                                           reinterpret_cast<LPARAM>(Page().m_hWnd));
        EXPECT_EQ(reinterpret_cast<HGDIOBJ>(brush), Page().m_brushBack.m_hObject) << message;
        EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0)) << message;
        // Black on white as the player sees it: a white cell, or none over the white page.
        EXPECT_TRUE(GetBkMode(dc) == TRANSPARENT || GetBkColor(dc) == RGB(255, 255, 255)) << message;
        DeleteDC(dc);
    }
}

// The pictures keep clear of the controls: under every one the page paints
// white, wherever and at whatever size it puts its bitmap.
TEST_P(SkinTest, EveryControlStandsOnWhite)
{
    OpenPage();
    HWND page = Page().m_hWnd;
    std::vector<std::pair<HWND, RECT>> controls;
    for (HWND child : ChildrenOf(page)) {
        RECT rect = {};
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&rect), 2);
        if (ClassOf(child) == "ComboBox")
            rect.bottom = rect.top + 20;  // not the opened list
        controls.emplace_back(child, rect);
        ShowWindow(child, SW_HIDE);
    }
    RedrawWindow(page, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    RECT client = {};
    GetClientRect(page, &client);
    HDC window = GetDC(page);
    HDC copy = CreateCompatibleDC(window);
    HBITMAP shot = CreateCompatibleBitmap(window, client.right, client.bottom);
    HGDIOBJ old = SelectObject(copy, shot);
    BitBlt(copy, 0, 0, client.right, client.bottom, window, 0, 0, SRCCOPY);
    SelectObject(copy, old);
    DeleteDC(copy);
    ReleaseDC(page, window);
    const Pixels painted(shot);
    int pictured = 0;  // the shot holds the page's pictures, not a blank window
    for (int y = 0; y < client.bottom; y += 2)
        for (int x = 0; x < client.right; x += 2)
            pictured += painted.At(x, y) != RGB(255, 255, 255);
    EXPECT_GT(pictured, 1000);
    for (const auto& [child, rect] : controls) {
        int coloured = 0;
        for (int y = std::max(0L, rect.top); y < std::min(client.bottom, rect.bottom); ++y)
            for (int x = std::max(0L, rect.left); x < std::min(client.right, rect.right); ++x)
                coloured += painted.At(x, y) != RGB(255, 255, 255);
        EXPECT_EQ(coloured, 0) << TextOf(child) << " " << GetDlgCtrlID(child);
        ShowWindow(child, SW_SHOWNA);
    }
    DeleteObject(shot);
}

TEST_P(SkinTest, PageUsesTheSheetFontSoEveryControlFits)
{
    OpenPage();
    HWND page = Page().m_hWnd;
    LOGFONTA font = {};
    GetObjectA(reinterpret_cast<HGDIOBJ>(SendMessageA(page, WM_GETFONT, 0, 0)), sizeof(font), &font);
    char face[LF_FACESIZE] = {};
    WideCharToMultiByte(CP_ACP, 0, AfxGetPropSheetFont().face.c_str(), -1, face, sizeof(face), nullptr, nullptr);
    EXPECT_STREQ(font.lfFaceName, face);
    RECT client = {};
    GetClientRect(page, &client);
    for (HWND child : ChildrenOf(page)) {
        RECT rect = {};
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&rect), 2);
        if (ClassOf(child) == "ComboBox")
            rect.bottom = rect.top + 1;  // the height is that of the opened list
        EXPECT_LE(rect.right, client.right) << TextOf(child);
        EXPECT_LE(rect.bottom, client.bottom) << TextOf(child);
    }
}

// Every static text and check box shows its caption whole in the font the
// page really uses, and no control covers another.
TEST_P(SkinTest, EveryCaptionIsWhole)
{
    OpenPage();
    HWND page = Page().m_hWnd;
    const std::vector<HWND> children = ChildrenOf(page);
    const auto rectOf = [page](HWND child) {
        RECT rect = {};
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    };
    int measured = 0;
    for (HWND child : children) {
        const std::string cls = ClassOf(child);
        const LONG style = GetWindowLongA(child, GWL_STYLE);
        const bool check = cls == "Button" && (style & BS_TYPEMASK) == BS_AUTOCHECKBOX;
        if (!(cls == "Static" && (style & SS_TYPEMASK) <= SS_RIGHT) && !check)
            continue;
        HDC dc = GetDC(child);
        HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(child, WM_GETFONT, 0, 0)));
        RECT client = {};
        GetClientRect(child, &client);
        if (check)
            client.right -= GetSystemMetrics(SM_CXMENUCHECK) + 4;  // the box and the gap before the text
        RECT text = client;
        // Laid out as the control lays it out: a text too wide wraps onto a line below.
        DrawTextA(dc, TextOf(child).c_str(), -1, &text, DT_CALCRECT | DT_WORDBREAK | (check ? DT_SINGLELINE : 0));
        SelectObject(dc, previous);
        ReleaseDC(child, dc);
        EXPECT_LE(text.right, client.right) << '"' << TextOf(child) << "\" is cut on the right";
        EXPECT_LE(text.bottom, client.bottom) << '"' << TextOf(child) << "\" is cut at the bottom";
        ++measured;
        const RECT mine = rectOf(child);
        for (HWND other : children) {
            RECT overlap = {};
            const RECT theirs = rectOf(other);
            // Template rectangles that meet may share a pixel once scaled.
            if (other != child && IntersectRect(&overlap, &mine, &theirs) && overlap.right - overlap.left > 1 &&
                overlap.bottom - overlap.top > 1)
                ADD_FAILURE() << '"' << TextOf(child) << "\" covers \"" << TextOf(other) << '"';
        }
    }
    EXPECT_GE(measured, 11);
}

INSTANTIATE_TEST_SUITE_P(BothPages, SkinTest, ::testing::ValuesIn(kSkins),
                         [](const ::testing::TestParamInfo<SkinCase>& info) { return std::string(info.param.name); });

}  // namespace
