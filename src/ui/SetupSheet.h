// The setup sheet: the two pages under the button row OK, CANCEL, DEFAULT.
#pragma once

#include "framework/Button.h"
#include "framework/PropertySheet.h"

class CSetupSheet : public CPropertySheet {
public:
    static const CRuntimeClass runtimeClass;
    static const AFX_MSGMAP messageMap;

    const CRuntimeClass* GetRuntimeClass() const override;
    explicit CSetupSheet(const char* caption, CWnd* parent = nullptr, UINT selectPage = 0);
    ~CSetupSheet() override;
    const AFX_MSGMAP* GetMessageMap() const override;
    // Replaces the platform's Help and Apply with DEFAULT.
    void OnInitDialog() override;

    HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT kind);
    // Resets every setting and refreshes the pages whose windows exist.
    void OnDefault();

    CButton m_btnDefault;

protected:
    static const AFX_MSGMAP_ENTRY messageEntries[];
};
