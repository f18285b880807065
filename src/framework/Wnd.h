// The window base: a thin wrapper over an HWND with the message-map dispatch.
// A CWnd never destroys its window on destruction; whoever created the window
// owns it.
#pragma once

#include <windows.h>

#include "framework/MsgMap.h"
#include "framework/Object.h"

class CWnd : public CCmdTarget {
public:
    static const CRuntimeClass runtimeClass;

    CWnd() = default;
    const CRuntimeClass* GetRuntimeClass() const override;
    ~CWnd() override;

    void Attach(HWND hwnd) { m_hWnd = hwnd; }
    BOOL IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }

    // Null when there is no such child.
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    void ScreenToClient(POINT* point) const { ::ScreenToClient(m_hWnd, point); }
    void SetDlgItemText(int id, const char* text) { ::SetDlgItemTextA(m_hWnd, id, text); }
    void SetFont(HFONT font, BOOL redraw = TRUE) { SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw); }
    BOOL DestroyWindow();
    // Modal; owned by this window.
    int MessageBox(const char* text, const char* caption, UINT type);
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }

    // Runs the handler the message map names for the message, if any.
    bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

    HWND m_hWnd = nullptr;
};
