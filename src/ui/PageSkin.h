// The look both setup pages share: a background bitmap on white, black text,
// and tooltips fed by the page's own PreTranslateMessage.
#pragma once

#include <cstdint>

#include "framework/Gdi.h"
#include "framework/PropertyPage.h"
#include "framework/ToolTipCtrl.h"

// What differs between the pages' skins.
struct PageSkinStyle {
    UINT bitmapId;
    int bitmapX;          // where the bitmap's left edge is painted
    bool opaqueText;      // white text cells, or text drawn transparently
};

class CPageSkin : public CPropertyPage {
public:
    // Relays every message to the tooltip control, then the dialog's own
    // pre-translation.
    BOOL PreTranslateMessage(MSG* msg) override;

    CBitmap m_bmpBack;
    int32_t m_bmpWidth = 0;
    int32_t m_bmpHeight = 0;
    CBrush m_brushBack;
    CToolTipCtrl m_toolTip;
    bool m_bInitialized = false;

protected:
    CPageSkin(UINT templateId, const PageSkinStyle& style);

    // Loads the page's bitmap and its size; without it the page stays white.
    void LoadBackground();
    // Registers the control `controlId` with m_toolTip, with the text of the
    // message whose key is entry `nameIndex` of settingNames.
    void AddToolTip(int controlId, int nameIndex);

    void OnPaint();
    HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT kind);

private:
    const PageSkinStyle m_style;
};
