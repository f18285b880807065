// A message box that needs no common controls. With the common controls 6.0
// in the manifest, the system's box asks comctl32 for its static text and
// buttons; where comctl32 cannot be loaded that box never shows. These two
// window classes of our own paint themselves.
#include "framework/Afx.h"

namespace {

const char kTextClass[] = "KestrunePlainText";
const char kButtonClass[] = "KestrunePlainButton";
const char kBoxClass[] = "KestrunePlainBox";

HFONT MessageFont()
{
    // Built for XP, so without Vista's padded border: the size every Windows takes.
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0))
        return CreateFontIndirectA(&metrics.lfMessageFont);
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void PaintText(HWND hwnd, UINT format, bool frame)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    RECT rect;
    GetClientRect(hwnd, &rect);
    if (frame)
        DrawEdge(dc, &rect, EDGE_RAISED, BF_RECT | BF_MIDDLE);
    char text[1024] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(GetWindowLongPtrA(GetParent(hwnd), GWLP_USERDATA)));
    SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, text, -1, &rect, format);
    SelectObject(dc, old);
    EndPaint(hwnd, &paint);
}

LRESULT CALLBACK TextProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        PaintText(hwnd, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX, false);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        PaintText(hwnd, DT_CENTER | DT_VCENTER | DT_SINGLELINE, true);
        return 0;
    case WM_LBUTTONUP:
        PostMessageA(GetParent(hwnd), WM_CLOSE, 0, 0);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK BoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_KEYDOWN:
        if (wParam == VK_RETURN || wParam == VK_ESCAPE || wParam == VK_SPACE)
            PostMessageA(hwnd, WM_CLOSE, 0, 0);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

bool Register(const char* name, WNDPROC proc, int background)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = AfxGetInstanceHandle();
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512) /* IDC_ARROW */);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(background + 1));
    wc.lpszClassName = name;
    return RegisterClassA(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

void AfxPlainMessageBox(const char* caption, const char* text)
{
    if (!Register(kTextClass, TextProc, COLOR_BTNFACE) || !Register(kButtonClass, ButtonProc, COLOR_BTNFACE) ||
        !Register(kBoxClass, BoxProc, COLOR_BTNFACE))
        return;
    HFONT font = MessageFont();
    // About 60 characters to a line, the way the system's box wraps.
    const int unit = LOWORD(GetDialogBaseUnits());
    const int width = 64 * unit, textHeight = 64, buttonWidth = 18 * unit, buttonHeight = 24;
    RECT frame = {0, 0, width + 24, textHeight + buttonHeight + 36};
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME);
    const int w = frame.right - frame.left, h = frame.bottom - frame.top;
    HWND box = CreateWindowExA(WS_EX_DLGMODALFRAME | WS_EX_TOPMOST, kBoxClass, caption, style,
                               (GetSystemMetrics(SM_CXSCREEN) - w) / 2, (GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h,
                               nullptr, nullptr, AfxGetInstanceHandle(), nullptr);
    if (!box) {
        DeleteObject(font);
        return;
    }
    SetWindowLongPtrA(box, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(font));
    CreateWindowExA(0, kTextClass, text, WS_CHILD | WS_VISIBLE, 12, 12, width, textHeight, box, nullptr,
                    AfxGetInstanceHandle(), nullptr);
    CreateWindowExA(0, kButtonClass, "OK", WS_CHILD | WS_VISIBLE, 12 + (width - buttonWidth) / 2, textHeight + 24,
                    buttonWidth, buttonHeight, box, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK)),
                    AfxGetInstanceHandle(), nullptr);
    ShowWindow(box, SW_SHOW);
    SetForegroundWindow(box);
    SetFocus(box);
    MessageBeep(MB_ICONERROR);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    DeleteObject(font);
}
