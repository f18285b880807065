// The dialog base of the pages: initialisation, control binding and the
// dialog-procedure side of the message map.
#pragma once

#include "framework/Wnd.h"

class CDataExchange {
public:
    CDataExchange(CWnd* dialog, BOOL saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}

    CWnd* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
};

// Binds `control` to the dialog's child `id` the first time; later calls keep
// the binding.
void DDX_Control(CDataExchange* dx, int id, CWnd& control);

class CDialog : public CWnd {
public:
    static const CRuntimeClass runtimeClass;
    const CRuntimeClass* GetRuntimeClass() const override;

    // Runs DoDataExchange; TRUE lets the system set the focus.
    virtual BOOL OnInitDialog();
    // Nothing of its own: the sheet's loop does the dialog keyboard handling.
    virtual BOOL PreTranslateMessage(MSG* msg);

    BOOL UpdateData(BOOL saveAndValidate = TRUE);

protected:
    virtual void DoDataExchange(CDataExchange* dx);

    // A dialog-procedure answer for a message of an initialised dialog:
    // WM_INITDIALOG and the message map. Control-colour brushes are returned
    // directly; other results go to DWLP_MSGRESULT.
    INT_PTR HandleDialogMessage(UINT message, WPARAM wParam, LPARAM lParam);
};
