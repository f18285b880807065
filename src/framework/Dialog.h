// The dialog base of the pages: initialisation, control binding and the
// dialog-procedure side of the message map.
#pragma once

#include "framework/Wnd.h"

// Binding only: the controls hold the values, so there is no direction.
class CDataExchange {
public:
    explicit CDataExchange(CWnd* dialog) : m_pDlgWnd(dialog) {}

    CWnd* m_pDlgWnd;
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

protected:
    virtual void DoDataExchange(CDataExchange* dx);

    // A dialog-procedure answer for a message of an initialised dialog:
    // WM_INITDIALOG and the message map. Control-colour brushes are returned
    // directly; other results go to DWLP_MSGRESULT.
    INT_PTR HandleDialogMessage(UINT message, WPARAM wParam, LPARAM lParam);
};
