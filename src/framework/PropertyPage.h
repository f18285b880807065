// A page of a property sheet, built from a dialog template when its tab is
// first selected.
#pragma once

#include <windows.h>
#include <prsht.h>

#include "framework/Dialog.h"

class CPropertyPage : public CDialog {
public:
    static const CRuntimeClass runtimeClass;
    const CRuntimeClass* GetRuntimeClass() const override;

    // The tab caption is the template's title unless `captionId` names a
    // string resource.
    explicit CPropertyPage(UINT templateId, UINT captionId = 0);
    // A window that outlives its page ignores the messages that still come.
    ~CPropertyPage() override;

    // Page notifications from the sheet, translated once in PageProc.
    virtual BOOL OnSetActive();
    virtual BOOL OnKillActive();
    // The sheet's OK; the default applies nothing.
    virtual void OnOK();
    virtual void OnCancel();
    virtual BOOL OnApply();
    virtual void OnReset();
    virtual BOOL OnQueryCancel();

    PROPSHEETPAGEA m_psp;

private:
    static INT_PTR CALLBACK PageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Handles PSN_* from the sheet; false for anything else.
    bool OnPageNotify(const NMHDR& header, LRESULT* result);
};
