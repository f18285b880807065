#include "ui/PageSkin.h"

#include <vector>

#include "framework/Afx.h"
#include "script/LuaHost.h"
#include "settings/SettingNames.h"

namespace {
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
}  // namespace

CPageSkin::CPageSkin(UINT templateId, const PageSkinStyle& style) : CPropertyPage(templateId), m_style(style)
{
    m_brushBack.CreateSolidBrush(kWhite);
}

void CPageSkin::LoadBackground()
{
    LPCSTR name = MAKEINTRESOURCEA(m_style.bitmapId);
    m_bmpBack.Attach(LoadBitmapA(AfxFindResourceHandle(name, RT_BITMAP), name));
    BITMAP info = {};
    if (m_bmpBack.GetBitmap(&info)) {
        m_bmpWidth = info.bmWidth;
        m_bmpHeight = info.bmHeight;
    }
}

void CPageSkin::SetupToolTips()
{
    m_toolTip.Create(this, 0);
    // Every text from one run of the message script.
    std::vector<CLuaHost::Key> texts;
    for (int i = 0; i < m_style.toolTipCount; ++i)
        texts.push_back(CLuaHost::Key::Text(GetSettingName(kNameMessageTable), GetSettingName(m_style.toolTips[i].nameIndex)));
    CLuaHost::Instance().LookupValues(GetSettingName(kNameMessageScript), texts.data(), texts.size());
    for (int i = 0; i < m_style.toolTipCount; ++i)
        m_toolTip.AddTool(GetDlgItem(m_style.toolTips[i].controlId), texts[i].text.c_str());
}

BOOL CPageSkin::PreTranslateMessage(MSG* msg)
{
    if (m_toolTip.m_hWnd)
        m_toolTip.RelayEvent(msg);
    return CPropertyPage::PreTranslateMessage(msg);
}

void CPageSkin::OnPaint()
{
    CPaintDC dc(this);
    CDC memory;
    memory.CreateCompatibleDC(&dc);
    HGDIOBJ previous = m_bmpBack.m_hObject ? memory.SelectObject(m_bmpBack.m_hObject) : nullptr;
    dc.BitBlt(m_style.bitmapX, 0, m_bmpWidth, m_bmpHeight, &memory, 0, 0, SRCCOPY);
    if (previous)
        memory.SelectObject(previous);
    memory.DeleteDC();
    // The dialog's own painting has nothing left to do: BeginPaint validated
    // the whole page.
}

HBRUSH CPageSkin::OnCtlColor(CDC* dc, CWnd* /*wnd*/, UINT /*kind*/)
{
    dc->SetTextColor(kBlack);
    if (m_style.opaqueText)
        dc->SetBkColor(kWhite);
    else
        dc->SetBkMode(TRANSPARENT);
    return m_brushBack;
}
