#include "framework/ComboBox.h"

std::string CComboBox::GetLBText(int index) const
{
    const LRESULT length = SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
    if (length == CB_ERR || length < 0)
        return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const LRESULT copied = SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(copied == CB_ERR || copied < 0 ? 0 : static_cast<size_t>(copied));
    return text;
}

void CComboBox::FitDroppedWidth()
{
    const int count = static_cast<int>(SendMessage(CB_GETCOUNT));
    HDC dc = ::GetDC(m_hWnd);
    HGDIOBJ previous = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessage(WM_GETFONT)));
    int widest = 0;
    for (int i = 0; i < count; ++i) {
        const std::string text = GetLBText(i);
        SIZE size = {0, 0};
        ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
        widest = size.cx > widest ? size.cx : widest;
    }
    ::SelectObject(dc, previous);
    ::ReleaseDC(m_hWnd, dc);
    // Room for the list's margins and a scroll bar.
    const int wanted = widest + 2 * ::GetSystemMetrics(SM_CXEDGE) + ::GetSystemMetrics(SM_CXVSCROLL) + 6;
    if (wanted > static_cast<int>(SendMessage(CB_GETDROPPEDWIDTH)))
        SendMessage(CB_SETDROPPEDWIDTH, static_cast<WPARAM>(wanted));
}
