#include "framework/TextFit.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Between a check box's box and its caption, and between neighbours.
constexpr int kCheckGap = 6;
constexpr int kNeighbourGap = 2;

enum class TextKind { kNone, kStatic, kCheck, kGroup };

TextKind KindOf(HWND control)
{
    char name[16] = {};
    GetClassNameA(control, name, sizeof name);
    const LONG style = GetWindowLongA(control, GWL_STYLE);
    if (lstrcmpiA(name, "Static") == 0) {
        switch (style & SS_TYPEMASK) {
        case SS_LEFT: case SS_CENTER: case SS_RIGHT: case SS_SIMPLE: case SS_LEFTNOWORDWRAP:
            return TextKind::kStatic;
        default:
            return TextKind::kNone;
        }
    }
    if (lstrcmpiA(name, "Button") != 0 || (style & BS_PUSHLIKE))
        return TextKind::kNone;
    switch (style & BS_TYPEMASK) {
    case BS_CHECKBOX: case BS_AUTOCHECKBOX: case BS_RADIOBUTTON: case BS_AUTORADIOBUTTON:
    case BS_3STATE: case BS_AUTO3STATE:
        return TextKind::kCheck;
    case BS_GROUPBOX:
        return TextKind::kGroup;
    default:
        return TextKind::kNone;
    }
}

RECT RectIn(HWND dialog, HWND control)
{
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool Contains(const RECT& outer, const RECT& inner)
{
    return outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right &&
           outer.bottom >= inner.bottom;
}

// What a static text or check box needs to show its caption on one line in its
// own font, in pixels; zero for any other control. Measured in `dc`, a memory
// context: a window's own context costs a round trip to the display server
// under some platforms.
SIZE TextNeeds(HDC dc, HWND control)
{
    const TextKind kind = KindOf(control);
    if (kind != TextKind::kStatic && kind != TextKind::kCheck)
        return SIZE{0, 0};
    const int length = GetWindowTextLengthA(control);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    GetWindowTextA(control, &text[0], length + 1);
    text.resize(static_cast<size_t>(length));

    HFONT font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    HGDIOBJ previous = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
    RECT box = {0, 0, 0, 0};
    UINT format = DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS;
    if (kind == TextKind::kStatic && (GetWindowLongA(control, GWL_STYLE) & SS_NOPREFIX))
        format |= DT_NOPREFIX;
    DrawTextA(dc, text.empty() ? " " : text.c_str(), -1, &box, format);
    SelectObject(dc, previous);

    SIZE needs = {box.right - box.left, box.bottom - box.top};
    if (kind == TextKind::kCheck)
        needs.cx += GetSystemMetrics(SM_CXMENUCHECK) + kCheckGap;
    return needs;
}

}  // namespace

void AfxWidenCutTexts(HWND dialog)
{
    // Every child is an obstacle, shown or not; only shown ones are widened.
    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    RECT page;
    GetClientRect(dialog, &page);
    HDC dc = CreateCompatibleDC(nullptr);
    for (HWND control : children) {
        // The page itself is still hidden while it initialises: ask the style.
        const LONG style = GetWindowLongA(control, GWL_STYLE);
        if (!(style & WS_VISIBLE))
            continue;
        RECT client;
        GetClientRect(control, &client);
        const SIZE needs = TextNeeds(dc, control);
        // A text with room for more than one line wraps as it was meant to.
        const bool multiline = KindOf(control) == TextKind::kCheck ? (style & BS_MULTILINE) != 0
                                                                   : client.bottom >= 2 * needs.cy;
        if (needs.cx <= client.right || multiline)
            continue;
        const RECT rect = RectIn(dialog, control);
        LONG limit = page.right;
        for (HWND other : children) {
            if (other == control)
                continue;
            const RECT theirs = RectIn(dialog, other);
            if (KindOf(other) == TextKind::kGroup && Contains(theirs, rect)) {
                limit = std::min(limit, theirs.right - kNeighbourGap);
                continue;
            }
            const bool beside = theirs.top < rect.bottom && theirs.bottom > rect.top;
            if (beside && theirs.right > rect.right)
                limit = std::min(limit, theirs.left - kNeighbourGap);
        }
        const LONG right = std::min(rect.left + (rect.right - rect.left - client.right) + needs.cx, limit);
        if (right > rect.right)
            SetWindowPos(control, nullptr, 0, 0, right - rect.left, rect.bottom - rect.top,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    DeleteDC(dc);
}
