#include "ui/PageSkin.h"

#include <vector>

#include "framework/Afx.h"
#include "script/LuaHost.h"
#include "settings/SettingNames.h"

namespace {
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// The dialog base units of the layout the pictures were drawn for, the
// sheet's font (Tahoma 8) at 96 DPI: tools/mkart.cpp keeps the illustrations
// clear of the controls there. Another font or DPI moves the controls, and
// the pictures follow at the same scale.
constexpr int kArtUnitX = 6;
constexpr int kArtUnitY = 13;
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
    // 4 x 8 dialog units are exactly one base unit each way.
    RECT units = {0, 0, 4, 8};
    if (m_bmpBack.m_hObject && ::MapDialogRect(m_hWnd, &units) &&
        (units.right != kArtUnitX || units.bottom != kArtUnitY))
        ScaleBackground(units.right, units.bottom);
}

void CPageSkin::ScaleBackground(int unitX, int unitY)
{
    m_scaledX = MulDiv(m_style.bitmapX, unitX, kArtUnitX);
    m_scaledWidth = MulDiv(m_bmpWidth, unitX, kArtUnitX);
    m_scaledHeight = MulDiv(m_bmpHeight, unitY, kArtUnitY);
    CClientDC screen(this);
    CDC source;
    CDC target;
    if (!source.CreateCompatibleDC(&screen) || !target.CreateCompatibleDC(&screen) ||
        !m_bmpScaled.CreateCompatibleBitmap(&screen, m_scaledWidth, m_scaledHeight))
        return;
    HGDIOBJ oldSource = source.SelectObject(m_bmpBack.m_hObject);
    HGDIOBJ oldTarget = target.SelectObject(m_bmpScaled.m_hObject);
    // HALFTONE averages the source pixels; it needs the brush origin reset.
    target.SetStretchBltMode(HALFTONE);
    target.SetBrushOrg(0, 0);
    const BOOL drawn =
        target.StretchBlt(0, 0, m_scaledWidth, m_scaledHeight, &source, 0, 0, m_bmpWidth, m_bmpHeight, SRCCOPY);
    source.SelectObject(oldSource);
    target.SelectObject(oldTarget);
    if (!drawn)
        m_bmpScaled.DeleteObject();
}

void CPageSkin::SetupToolTips()
{
    m_toolTip.Create(this);
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
    HGDIOBJ previous = nullptr;
    if (m_bmpScaled.m_hObject) {
        previous = memory.SelectObject(m_bmpScaled.m_hObject);
        dc.BitBlt(m_scaledX, 0, m_scaledWidth, m_scaledHeight, &memory, 0, 0, SRCCOPY);
    } else {
        previous = m_bmpBack.m_hObject ? memory.SelectObject(m_bmpBack.m_hObject) : nullptr;
        dc.BitBlt(m_style.bitmapX, 0, m_bmpWidth, m_bmpHeight, &memory, 0, 0, SRCCOPY);
    }
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
