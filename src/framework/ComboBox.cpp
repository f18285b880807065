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
