// The look both setup pages share: a background bitmap on white, black text,
// and tooltips fed by the page's own PreTranslateMessage.
#pragma once

#include <cstdint>

#include "framework/Gdi.h"
#include "framework/PropertyPage.h"
#include "framework/ToolTipCtrl.h"

// A control of a page and the message key of its tooltip, an index into
// settingNames.
struct ToolTipEntry {
    int controlId;
    int nameIndex;
};

// What differs between the pages' skins.
struct PageSkinStyle {
    UINT bitmapId;
    int bitmapX;          // where the bitmap's left edge is painted
    bool opaqueText;      // white text cells, or text drawn transparently
    const ToolTipEntry* toolTips;  // in registration order
    int toolTipCount;
};

class CPageSkin : public CPropertyPage {
public:
    // Relays every message to the tooltip control, then the dialog's own
    // pre-translation.
    BOOL PreTranslateMessage(MSG* msg) override;
    // Creates m_toolTip and registers every control of the page's table with
    // the text of its message.
    void SetupToolTips();

    CBitmap m_bmpBack;
    int32_t m_bmpWidth = 0;
    int32_t m_bmpHeight = 0;
    CBrush m_brushBack;
    CToolTipCtrl m_toolTip;
    bool m_bInitialized = false;

protected:
    CPageSkin(UINT templateId, const PageSkinStyle& style);

    // The start of both pages: the dialog's own set-up, the background, the
    // controls from the record (`refresh`), the tooltips, and last the flag
    // that lets DEFAULT refresh the page.
    template <class Page>
    BOOL InitPage(Page& page, void (Page::*refresh)())
    {
        CPropertyPage::OnInitDialog();
        LoadBackground();
        (page.*refresh)();
        SetupToolTips();
        m_bInitialized = true;
        return TRUE;
    }

    // Loads the page's bitmap and its size, and scales it to the page once;
    // without it the page stays white.
    void LoadBackground();

    void OnPaint();
    HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT kind);

private:
    // A copy of m_bmpBack at the page's scale, made when the page opens;
    // none at the scale the pictures were drawn for, which paints m_bmpBack.
    void ScaleBackground(int unitX, int unitY);

    const PageSkinStyle m_style;
    CBitmap m_bmpScaled;
    int m_scaledX = 0;
    int m_scaledWidth = 0;
    int m_scaledHeight = 0;
};
