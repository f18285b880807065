#include "framework/PropertyPage.h"

#include "framework/Afx.h"
#include "framework/TextFit.h"
#include "framework/WinApp.h"

const CRuntimeClass CPropertyPage::runtimeClass = {"CPropertyPage", nullptr, &CDialog::runtimeClass};

CPropertyPage::CPropertyPage(UINT templateId) : m_psp{}
{
    m_psp.dwSize = sizeof(m_psp);
    m_psp.dwFlags = PSP_DEFAULT;
    if (AfxHelpEnabled())
        m_psp.dwFlags |= PSP_HASHELP;
    m_psp.pszTemplate = MAKEINTRESOURCEA(templateId);
    m_psp.hInstance = AfxFindResourceHandle(m_psp.pszTemplate, RT_DIALOG);
    m_psp.pfnDlgProc = &PageProc;
    m_psp.lParam = reinterpret_cast<LPARAM>(this);
}

CPropertyPage::~CPropertyPage()
{
    if (IsWindow())
        SetWindowLongPtrA(m_hWnd, DWLP_USER, 0);
}

const CRuntimeClass* CPropertyPage::GetRuntimeClass() const
{
    return &runtimeClass;
}

void CPropertyPage::OnOK() {}

bool CPropertyPage::OnPageNotify(const NMHDR& header, LRESULT* result)
{
    if (header.hwndFrom != GetParent() || header.code != PSN_APPLY)
        return false;
    OnOK();
    *result = PSNRET_NOERROR;
    return true;
}

INT_PTR CALLBACK CPropertyPage::PageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    try {
        CPropertyPage* page;
        if (message == WM_INITDIALOG) {
            const PROPSHEETPAGEA* psp = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
            page = reinterpret_cast<CPropertyPage*>(psp->lParam);
            SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(page));
            page->m_hWnd = hwnd;
        } else {
            page = reinterpret_cast<CPropertyPage*>(GetWindowLongPtrA(hwnd, DWLP_USER));
        }
        if (!page)
            return FALSE;  // messages before WM_INITDIALOG
        if (message == WM_NCDESTROY) {
            SetWindowLongPtrA(hwnd, DWLP_USER, 0);
            page->m_hWnd = nullptr;
            return FALSE;
        }
        if (message == WM_NOTIFY && lParam) {
            LRESULT result = 0;
            if (page->OnPageNotify(*reinterpret_cast<const NMHDR*>(lParam), &result)) {
                SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
                return TRUE;
            }
        }
        const INT_PTR handled = page->HandleDialogMessage(message, wParam, lParam);
        // The page shows the sheet's font, in which a caption may no longer fit.
        if (message == WM_INITDIALOG)
            AfxWidenCutTexts(hwnd);
        return handled;
    } catch (...) {
        AfxNoteCallbackFailure();
        return FALSE;
    }
}
