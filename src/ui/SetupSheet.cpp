#include "ui/SetupSheet.h"

#include "framework/Gdi.h"
#include "resource.h"
#include "display/DeviceTable.h"
#include "script/LuaHost.h"
#include "settings/Registry.h"
#include "ui/SetupCMD.h"
#include "ui/SetupOption.h"

namespace {

constexpr int kButtonShift = -10;

// The page at `index` if it is of class T.
template <class T>
T* PageOf(const CPropertySheet& sheet, int index)
{
    CPropertyPage* page = sheet.GetPage(index);
    return page && page->IsKindOf(&T::runtimeClass) ? static_cast<T*>(page) : nullptr;
}

// Child helpers; a missing child is ignored (and has an empty rectangle).
void OffsetChild(CWnd& sheet, int id, int dx, int dy)
{
    HWND child = sheet.GetDlgItem(id);
    if (!child)
        return;
    RECT screen;
    ::GetWindowRect(child, &screen);
    POINT topLeft = {screen.left, screen.top};
    sheet.ScreenToClient(&topLeft);
    ::MoveWindow(child, topLeft.x + dx, topLeft.y + dy, screen.right - screen.left, screen.bottom - screen.top, TRUE);
}

RECT GetChildRect(const CWnd& sheet, int id)
{
    HWND child = sheet.GetDlgItem(id);
    if (!child)
        return RECT{0, 0, 0, 0};
    RECT screen;
    ::GetWindowRect(child, &screen);
    POINT topLeft = {screen.left, screen.top};
    sheet.ScreenToClient(&topLeft);
    return RECT{topLeft.x, topLeft.y, topLeft.x + (screen.right - screen.left),
                topLeft.y + (screen.bottom - screen.top)};
}

void DestroyChild(CWnd& sheet, int id)
{
    if (HWND child = sheet.GetDlgItem(id))
        ::DestroyWindow(child);
}

}  // namespace

const CRuntimeClass CSetupSheet::runtimeClass = {"CSetupSheet", nullptr, &CPropertySheet::runtimeClass};

const AFX_MSGMAP_ENTRY CSetupSheet::messageEntries[] = {
    OnCtlColorEntry<&CSetupSheet::OnCtlColor>(),
    OnCommandEntry<&CSetupSheet::OnDefault>(BN_CLICKED, IDC_DEFAULT),
};

const AFX_MSGMAP CSetupSheet::messageMap = AfxMakeMessageMap(&CPropertySheet::messageMap, messageEntries);

CSetupSheet::CSetupSheet(const char* caption, CWnd* parent, UINT selectPage)
    : CPropertySheet(caption, parent, selectPage)
{
}

CSetupSheet::~CSetupSheet() = default;

const CRuntimeClass* CSetupSheet::GetRuntimeClass() const
{
    return &runtimeClass;
}

const AFX_MSGMAP* CSetupSheet::GetMessageMap() const
{
    return &messageMap;
}

void CSetupSheet::OnInitDialog()
{
    CPropertySheet::OnInitDialog();
    for (int id : {IDOK, IDCANCEL, IDHELP})
        OffsetChild(*this, id, kButtonShift, 0);
    SetDlgItemText(IDOK, "OK");
    SetDlgItemText(IDCANCEL, "CANCEL");

    // DEFAULT takes the Help button's place and font; it is no tab stop. The
    // sheet has that button only because the application routes ID_HELP.
    const RECT place = GetChildRect(*this, IDHELP);
    m_btnDefault.Create("DEFAULT", WS_CHILD | WS_VISIBLE, place, this, IDC_DEFAULT);
    HWND help = GetDlgItem(IDHELP);
    HFONT font = help ? reinterpret_cast<HFONT>(::SendMessageA(help, WM_GETFONT, 0, 0)) : nullptr;
    if (help)
        m_btnDefault.SetFont(font, TRUE);

    DestroyChild(*this, IDHELP);
    DestroyChild(*this, ID_APPLY_NOW);
}

HBRUSH CSetupSheet::OnCtlColor(CDC* dc, CWnd* /*wnd*/, UINT /*kind*/)
{
    dc->SetTextColor(RGB(0, 0, 0));
    dc->SetBkColor(RGB(255, 255, 255));
    // No brush: the platform's default background stays.
    return nullptr;
}

void CSetupSheet::OnDefault()
{
    if (CRegistry* record = CRegistry::Instance())
        record->SetDefaults(CLuaHost::Instance(), GetStoredDevices());
    if (CSetupOption* system = PageOf<CSetupOption>(*this, 0)) {
        if (system->m_bInitialized)
            system->RefreshControls();
    }
    if (CSetupCMD* option = PageOf<CSetupCMD>(*this, 1)) {
        if (option->m_bInitialized)
            option->RefreshChecks();
    }
}
