// GDI objects owned by their wrappers, and device contexts.
#pragma once

#include <windows.h>

class CDC;

// Owns one GDI object and deletes it on destruction.
class CGdiObject {
public:
    CGdiObject() = default;
    ~CGdiObject() { DeleteObject(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    // Takes ownership; an object held before is deleted first.
    void Attach(HGDIOBJ object);
    BOOL DeleteObject();

    HGDIOBJ m_hObject = nullptr;
};

class CBitmap : public CGdiObject {
public:
    // GetObjectA on the bitmap; 0 when there is none.
    int GetBitmap(BITMAP* info) const;
    BOOL CreateCompatibleBitmap(const CDC* dc, int width, int height);
};

class CBrush : public CGdiObject {
public:
    BOOL CreateSolidBrush(COLORREF colour);
    operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
};

// Wraps a device context; deletes it only if it created it.
class CDC {
public:
    CDC() = default;
    explicit CDC(HDC dc) : m_hDC(dc) {}
    ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    BOOL CreateCompatibleDC(const CDC* other);
    BOOL DeleteDC();
    HGDIOBJ SelectObject(HGDIOBJ object) { return ::SelectObject(m_hDC, object); }
    BOOL BitBlt(int x, int y, int width, int height, const CDC* source, int srcX, int srcY, DWORD rop)
    {
        return ::BitBlt(m_hDC, x, y, width, height, source ? source->m_hDC : nullptr, srcX, srcY, rop);
    }
    BOOL StretchBlt(int x, int y, int width, int height, const CDC* source, int srcX, int srcY, int srcWidth,
                    int srcHeight, DWORD rop)
    {
        return ::StretchBlt(m_hDC, x, y, width, height, source ? source->m_hDC : nullptr, srcX, srcY, srcWidth,
                            srcHeight, rop);
    }
    // 0 on error.
    int SetStretchBltMode(int mode) { return ::SetStretchBltMode(m_hDC, mode); }
    BOOL SetBrushOrg(int x, int y) { return ::SetBrushOrgEx(m_hDC, x, y, nullptr); }
    COLORREF SetTextColor(COLORREF colour) { return ::SetTextColor(m_hDC, colour); }
    COLORREF SetBkColor(COLORREF colour) { return ::SetBkColor(m_hDC, colour); }
    int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }

    HDC m_hDC = nullptr;

private:
    bool m_owned = false;
};

class CWnd;

// GetDC on construction, ReleaseDC on destruction.
class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* wnd);
    ~CClientDC();

private:
    HWND m_hWnd;
};

// BeginPaint on construction, EndPaint on destruction.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* wnd);
    ~CPaintDC();

    PAINTSTRUCT m_ps{};

private:
    HWND m_hWnd;
};
