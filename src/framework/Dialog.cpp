#include "framework/Dialog.h"

const CRuntimeClass CDialog::runtimeClass = {"CDialog", nullptr, &CWnd::runtimeClass};

void DDX_Control(CDataExchange* dx, int id, CWnd& control)
{
    if (!control.m_hWnd)
        control.Attach(dx->m_pDlgWnd->GetDlgItem(id));
}

const CRuntimeClass* CDialog::GetRuntimeClass() const
{
    return &runtimeClass;
}

BOOL CDialog::OnInitDialog()
{
    CDataExchange dx(this);
    DoDataExchange(&dx);
    return TRUE;
}

BOOL CDialog::PreTranslateMessage(MSG* /*msg*/)
{
    return FALSE;
}

void CDialog::DoDataExchange(CDataExchange* /*dx*/) {}

INT_PTR CDialog::HandleDialogMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
        return OnInitDialog();
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        return FALSE;
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC)
        return static_cast<INT_PTR>(result);
    SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}
