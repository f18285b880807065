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

    // The tab caption is the template's title.
    explicit CPropertyPage(UINT templateId);
    // A window that outlives its page ignores the messages that still come.
    ~CPropertyPage() override;

    // The sheet's OK (PSN_APPLY); the default applies nothing. The other page
    // notifications get the platform's default answer.
    virtual void OnOK();

    PROPSHEETPAGEA m_psp;

private:
    static INT_PTR CALLBACK PageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Handles PSN_APPLY from the sheet; false for anything else.
    bool OnPageNotify(const NMHDR& header, LRESULT* result);
};
