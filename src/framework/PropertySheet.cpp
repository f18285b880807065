#include "framework/PropertySheet.h"

#include <commctrl.h>

#include "framework/Afx.h"
#include "framework/PageTemplate.h"
#include "framework/WinApp.h"

namespace {

// The sheet whose window PropertySheetA is making: the sheet callback carries
// no data of its own.
CPropertySheet* g_creating = nullptr;
// Until the sheet's window is found: every window and focus change after it
// would cost a trip through the hook chain.
HHOOK g_creationHook = nullptr;
// Where the sheet's first window procedure is kept if it cannot be put back.
constexpr char kCreationProcProp[] = "KestruneSheetProc";

}  // namespace

const CRuntimeClass CPropertySheet::runtimeClass = {"CPropertySheet", nullptr, &CWnd::runtimeClass};

CPropertySheet::CPropertySheet(const char* caption, CWnd* parent, UINT selectPage)
    : m_psh{}, m_caption(caption ? caption : ""), m_pParentWnd(parent)
{
    m_psh.dwSize = sizeof(m_psh);
    m_psh.dwFlags = PSH_PROPSHEETPAGE;
    if (AfxHelpEnabled())
        m_psh.dwFlags |= PSH_HASHELP;
    m_psh.nStartPage = selectPage;
}

CPropertySheet::~CPropertySheet()
{
    if (IsWindow())
        DestroyWindow();
}

const CRuntimeClass* CPropertySheet::GetRuntimeClass() const
{
    return &runtimeClass;
}

void CPropertySheet::AddPage(CPropertyPage* page)
{
    if (page)
        m_pages.push_back(page);
}

CPropertyPage* CPropertySheet::GetPage(int index) const
{
    if (index < 0 || index >= GetPageCount())
        return nullptr;
    return m_pages[static_cast<size_t>(index)];
}

CPropertyPage* CPropertySheet::GetActivePage() const
{
    if (!IsWindow())
        return nullptr;
    HWND current = reinterpret_cast<HWND>(SendMessage(PSM_GETCURRENTPAGEHWND));
    if (!current)
        return nullptr;
    for (CPropertyPage* page : m_pages) {
        if (page->m_hWnd == current)
            return page;
    }
    return nullptr;
}

bool CPropertySheet::IsOpen() const
{
    // A modeless sheet reports no current page once OK or Cancel ended it.
    return IsWindow() && SendMessage(PSM_GETCURRENTPAGEHWND) != 0;
}

BOOL CPropertySheet::PreTranslateMessage(MSG* msg)
{
    if (CPropertyPage* page = GetActivePage()) {
        if (page->PreTranslateMessage(msg))
            return TRUE;
    }
    return IsWindow() && SendMessage(PSM_ISDIALOGMESSAGE, 0, reinterpret_cast<LPARAM>(msg)) != FALSE;
}

void CPropertySheet::OnInitDialog() {}

HWND CPropertySheet::Create()
{
    return CreateSheetWindow(m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr);
}

INT_PTR CPropertySheet::DoModal()
{
    HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (!CreateSheetWindow(owner))
        return -1;
    const bool ownerDisabled = owner && !EnableWindow(owner, FALSE);
    RunModalLoop();
    // Positive once a page applied, that is, after OK.
    const INT_PTR outcome = IsWindow() ? SendMessage(PSM_GETRESULT) : 0;
    if (ownerDisabled)
        EnableWindow(owner, TRUE);
    DestroyWindow();
    return outcome > 0 ? IDOK : IDCANCEL;
}

void CPropertySheet::RunModalLoop()
{
    while (IsOpen()) {
        MSG msg;
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0)
                PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (!PreTranslateMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

HWND CPropertySheet::CreateSheetWindow(HWND owner)
{
    if (IsWindow() || m_pages.empty() || !AfxGetCommonControls().PropertySheetA)
        return nullptr;
    AfxInitCommonControls();

    m_pageHeaders.clear();
    m_pageTemplates.assign(m_pages.size(), std::vector<DWORD>());
    for (size_t i = 0; i < m_pages.size(); ++i) {
        m_pageHeaders.push_back(m_pages[i]->m_psp);
        UseSheetFont(m_pageHeaders.back(), m_pageTemplates[i]);
    }

    PROPSHEETHEADERA header = m_psh;
    header.dwSize = sizeof(header);
    header.dwFlags |= PSH_PROPSHEETPAGE | PSH_MODELESS | PSH_USECALLBACK;
    header.pfnCallback = &SheetCallback;
    header.hwndParent = owner;
    header.hInstance = AfxGetInstanceHandle();
    header.pszCaption = m_caption.c_str();
    header.nPages = static_cast<UINT>(m_pageHeaders.size());
    if (header.nStartPage >= header.nPages)
        header.nStartPage = 0;
    header.ppsp = m_pageHeaders.data();

    m_hWnd = nullptr;
    m_initDone = false;
    m_creationProc = nullptr;
    g_creating = this;
    // Caught at its creation, as the framework the pages are written for
    // does: OnInitDialog then runs once the common controls' own
    // WM_INITDIALOG has returned, whatever order they lay out the buttons in.
    // A hook of this thread alone: no library is loaded for it.
    g_creationHook = SetWindowsHookExA(WH_CBT, &CreationHook, nullptr, GetCurrentThreadId());
    const INT_PTR created = AfxGetCommonControls().PropertySheetA(&header);
    if (g_creationHook)
        UnhookWindowsHookEx(g_creationHook);
    g_creationHook = nullptr;
    g_creating = nullptr;
    // WM_INITDIALOG never passed it.
    LeaveCreationProc();

    if (created == 0 || created == -1) {
        if (IsWindow())
            DestroyWindow();
        m_hWnd = nullptr;
    } else if (IsWindow() && !m_initDone) {
        // Without the hook: still before the sheet has painted anything.
        RunInitDialog();
    }
    return m_hWnd;
}

void CPropertySheet::UseSheetFont(PROPSHEETPAGEA& page, std::vector<DWORD>& storage) const
{
    if (page.dwFlags & PSP_DLGINDIRECT)
        return;
    HRSRC found = FindResourceA(page.hInstance, page.pszTemplate, RT_DIALOG);
    HGLOBAL loaded = found ? LoadResource(page.hInstance, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data || !AfxReplaceTemplateFont(data, SizeofResource(page.hInstance, found), AfxGetPropSheetFont(), storage))
        return;
    page.dwFlags |= PSP_DLGINDIRECT;
    page.pResource = reinterpret_cast<PROPSHEETPAGE_RESOURCE>(storage.data());
}

LRESULT CPropertySheet::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (OnWndMsg(message, wParam, lParam, &result))
        return result;
    return AfxGetCommonControls().DefSubclassProc(m_hWnd, message, wParam, lParam);
}

void CPropertySheet::Subclass(HWND hwnd)
{
    m_hWnd = hwnd;
    AfxGetCommonControls().SetWindowSubclass(hwnd, &SubclassProc, 0, reinterpret_cast<DWORD_PTR>(this));
}

void CPropertySheet::RunInitDialog()
{
    m_initDone = true;
    try {
        OnInitDialog();
    } catch (...) {
        AfxNoteCallbackFailure();
    }
}

LRESULT CALLBACK CPropertySheet::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                              UINT_PTR /*id*/, DWORD_PTR self)
{
    CPropertySheet* sheet = reinterpret_cast<CPropertySheet*>(self);
    if (message == WM_INITDIALOG && !sheet->m_initDone) {
        // The common controls build the buttons and the start page first.
        const LRESULT result = AfxGetCommonControls().DefSubclassProc(hwnd, message, wParam, lParam);
        sheet->RunInitDialog();
        return result;
    }
    if (message == WM_NCDESTROY) {
        const AfxCommonControls& controls = AfxGetCommonControls();
        controls.RemoveWindowSubclass(hwnd, &SubclassProc, 0);
        sheet->m_hWnd = nullptr;
        return controls.DefSubclassProc(hwnd, message, wParam, lParam);
    }
    try {
        return sheet->WindowProc(message, wParam, lParam);
    } catch (...) {
        AfxNoteCallbackFailure();
        return 0;
    }
}

LRESULT CALLBACK CPropertySheet::CreationHook(int code, WPARAM wParam, LPARAM lParam)
{
    // The first top-level dialog made while PropertySheetA runs is the sheet;
    // the pages are child dialogs, the tooltips come after it.
    if (code == HCBT_CREATEWND && g_creating && !g_creating->m_hWnd) {
        const HWND hwnd = reinterpret_cast<HWND>(wParam);
        const CBT_CREATEWNDA* create = reinterpret_cast<const CBT_CREATEWNDA*>(lParam);
        char className[16] = {};
        GetClassNameA(hwnd, className, sizeof className);
        if (create && create->lpcs && !(create->lpcs->style & WS_CHILD) && lstrcmpA(className, "#32770") == 0) {
            g_creating->EnterCreationProc(hwnd);
            const LRESULT next = CallNextHookEx(nullptr, code, wParam, lParam);
            if (g_creationHook && UnhookWindowsHookEx(g_creationHook))
                g_creationHook = nullptr;
            return next;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CPropertySheet::EnterCreationProc(HWND hwnd)
{
    // A plain window procedure until WM_INITDIALOG has returned: the common
    // controls' subclass looks itself up in a window property at every
    // message, and the sheet gets dozens of them while it is being built.
    m_hWnd = hwnd;
    m_creationProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CreationProc)));
    if (!m_creationProc)
        Subclass(hwnd);
}

void CPropertySheet::LeaveCreationProc()
{
    if (!m_creationProc)
        return;
    if (!IsWindow()) {
        m_creationProc = nullptr;
        return;
    }
    if (GetWindowLongPtrA(m_hWnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&CreationProc))
        SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_creationProc));
    else
        // Another subclass lies above it: it stays in the chain, passing on.
        SetPropA(m_hWnd, kCreationProcProp, reinterpret_cast<HANDLE>(m_creationProc));
    m_creationProc = nullptr;
    Subclass(m_hWnd);
}

LRESULT CALLBACK CPropertySheet::CreationProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CPropertySheet* sheet = g_creating && g_creating->m_hWnd == hwnd ? g_creating : nullptr;
    const WNDPROC original = sheet && sheet->m_creationProc
                                 ? sheet->m_creationProc
                                 : reinterpret_cast<WNDPROC>(GetPropA(hwnd, kCreationProcProp));
    if (!original)
        return DefDlgProcA(hwnd, message, wParam, lParam);
    if (sheet && message == WM_INITDIALOG && !sheet->m_initDone) {
        // The common controls build the buttons and the start page first.
        const LRESULT result = CallWindowProcA(original, hwnd, message, wParam, lParam);
        sheet->LeaveCreationProc();
        sheet->RunInitDialog();
        return result;
    }
    if (message == WM_NCDESTROY)
        RemovePropA(hwnd, kCreationProcProp);
    return CallWindowProcA(original, hwnd, message, wParam, lParam);
}

int CALLBACK CPropertySheet::SheetCallback(HWND hwnd, UINT message, LPARAM /*lParam*/)
{
    // Inside the sheet's own WM_INITDIALOG. Only where the creation hook
    // could not be set is the sheet not subclassed yet.
    if (message == PSCB_INITIALIZED && g_creating && !g_creating->m_hWnd)
        g_creating->Subclass(hwnd);
    return 0;
}
