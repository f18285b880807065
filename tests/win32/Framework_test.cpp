// The framework layer: message-map lookup, run-time classes, Help routing,
// the sheet's page access and creation, data binding, GDI ownership and the
// catch-all boundary of the callbacks.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "framework/Dialog.h"
#include "framework/Gdi.h"
#include "framework/MsgMap.h"
#include "framework/PageTemplate.h"
#include "framework/PropertySheet.h"
#include "resource.h"
#include "win32/UiHarness.h"

namespace {

using namespace ui_test;

class BaseTarget : public CCmdTarget {
public:
    static const AFX_MSGMAP messageMap;
    static const AFX_MSGMAP_ENTRY entries[];
    const AFX_MSGMAP* GetMessageMap() const override { return &messageMap; }
    void OnBaseClick() { calls += "base;"; }
    void OnShared() { calls += "base-shared;"; }
    std::string calls;
};

class DerivedTarget : public BaseTarget {
public:
    static const AFX_MSGMAP messageMap;
    static const AFX_MSGMAP_ENTRY entries[];
    const AFX_MSGMAP* GetMessageMap() const override { return &messageMap; }
    void OnShared() { calls += "derived-shared;"; }
    void OnFirst() { calls += "first;"; }
    void OnSecond() { calls += "second;"; }
    void OnRelease(NMHDR* header, LRESULT* result) { calls += "release;"; *result = static_cast<LRESULT>(header->idFrom); }
};

const AFX_MSGMAP_ENTRY BaseTarget::entries[] = {
    OnCommandEntry<&BaseTarget::OnBaseClick>(BN_CLICKED, 7),
    OnCommandEntry<&BaseTarget::OnShared>(BN_CLICKED, 8),
};
const AFX_MSGMAP BaseTarget::messageMap = AfxMakeMessageMap(&CCmdTarget::messageMap, entries);

// Two entries for one key: the first one wins.
const AFX_MSGMAP_ENTRY DerivedTarget::entries[] = {
    OnCommandEntry<&DerivedTarget::OnShared>(BN_CLICKED, 8),
    OnCommandEntry<&DerivedTarget::OnFirst>(CBN_SELCHANGE, 9),
    OnCommandEntry<&DerivedTarget::OnSecond>(CBN_SELCHANGE, 9),
    OnNotifyEntry<&DerivedTarget::OnRelease>(NM_RELEASEDCAPTURE, 9),
};
const AFX_MSGMAP DerivedTarget::messageMap = AfxMakeMessageMap(&BaseTarget::messageMap, entries);

std::string Dispatch(DerivedTarget& target, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result = nullptr)
{
    target.calls.clear();
    MsgKey key;
    if (!AfxMessageKey(message, wParam, lParam, key))
        return "unmappable";
    const AFX_MSGMAP_ENTRY* entry = AfxFindMessageEntry(target.GetMessageMap(), key);
    if (!entry)
        return "none";
    const LRESULT r = entry->pfn(target, MsgArgs{nullptr, message, wParam, lParam});
    if (result)
        *result = r;
    return target.calls;
}

TEST(MessageMap, LooksUpOwnEntriesInOrderThenTheBase)
{
    DerivedTarget target;
    struct Case {
        WPARAM wParam;
        const char* expected;
    } cases[] = {
        {MAKEWPARAM(8, BN_CLICKED), "derived-shared;"},
        {MAKEWPARAM(9, CBN_SELCHANGE), "first;"},
        {MAKEWPARAM(7, BN_CLICKED), "base;"},
        {MAKEWPARAM(7, CBN_SELCHANGE), "none"},
        {MAKEWPARAM(10, BN_CLICKED), "none"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Dispatch(target, WM_COMMAND, c.wParam, 0), c.expected) << "wParam " << c.wParam;
}

TEST(MessageMap, NotificationsAreKeyedByCodeAndSenderAndPassTheirResult)
{
    DerivedTarget target;
    NMHDR header = {nullptr, 9, static_cast<UINT>(NM_RELEASEDCAPTURE)};
    LRESULT result = 0;
    EXPECT_EQ(Dispatch(target, WM_NOTIFY, 9, reinterpret_cast<LPARAM>(&header), &result), "release;");
    EXPECT_EQ(result, 9);
    header.idFrom = 8;
    EXPECT_EQ(Dispatch(target, WM_NOTIFY, 8, reinterpret_cast<LPARAM>(&header)), "none");
    EXPECT_EQ(Dispatch(target, WM_NOTIFY, 9, 0), "unmappable");
}

TEST(MessageMap, EveryControlColourRequestSharesOneKey)
{
    for (UINT message = WM_CTLCOLORMSGBOX; message <= WM_CTLCOLORSTATIC; ++message) {
        MsgKey key;
        ASSERT_TRUE(AfxMessageKey(message, 0, 0, key));
        EXPECT_EQ(key.message, WM_CTLCOLOR) << message;
        EXPECT_EQ(key.code, 0u);
        EXPECT_EQ(key.id, 0u);
    }
    MsgKey paint;
    ASSERT_TRUE(AfxMessageKey(WM_PAINT, 1, 2, paint));
    EXPECT_EQ(paint.message, static_cast<UINT>(WM_PAINT));
    EXPECT_EQ(paint.id, 0u);
}

TEST(HelpRouting, FollowsTheApplicationMessageMap)
{
    {
        EXPECT_FALSE(AfxHelpEnabled()) << "no application object";
        CPropertySheet sheet("plain");
        CPropertyPage page(IDD_SYSTEM_PAGE);
        EXPECT_EQ(sheet.m_psh.dwFlags & PSH_HASHELP, 0u);
        EXPECT_EQ(page.m_psp.dwFlags & PSP_HASHELP, 0u);
    }
    CWinApp plainApp;
    EXPECT_FALSE(AfxHelpEnabled()) << "the framework's own map routes no Help";
    {
        CSetupApp app;
        EXPECT_TRUE(AfxHelpEnabled());
        CPropertySheet sheet("plain");
        CPropertyPage page(IDD_SYSTEM_PAGE);
        EXPECT_NE(sheet.m_psh.dwFlags & PSH_HASHELP, 0u);
        EXPECT_NE(page.m_psp.dwFlags & PSP_HASHELP, 0u);
    }
}

TEST(SheetBase, PagesByIndexAreCheckedAgainstTheCount)
{
    CPropertySheet sheet("plain");
    CPropertyPage first(IDD_SYSTEM_PAGE);
    CPropertyPage second(IDD_OPTION_PAGE);
    EXPECT_EQ(sheet.GetPage(0), nullptr);
    sheet.AddPage(&first);
    sheet.AddPage(&second);
    EXPECT_EQ(sheet.GetPageCount(), 2);
    EXPECT_EQ(sheet.GetPage(0), &first);
    EXPECT_EQ(sheet.GetPage(1), &second);
    EXPECT_EQ(sheet.GetPage(2), nullptr);
    EXPECT_EQ(sheet.GetPage(-1), nullptr);
}

TEST(SheetBase, WithoutPagesNoWindowIsMade)
{
    CPropertySheet sheet("empty");
    EXPECT_EQ(sheet.Create(), nullptr);
    EXPECT_EQ(sheet.DoModal(), -1);
}

// A page whose initialisation throws: the exception stops at the dialog
// procedure and is counted; the sheet still opens.
class ThrowingPage : public CPropertyPage {
public:
    ThrowingPage() : CPropertyPage(IDD_OPTION_PAGE) {}
    BOOL OnInitDialog() override { throw std::runtime_error("page set-up failed"); }
};

TEST(SheetBase, CallbacksCatchEverything)
{
    const unsigned before = AfxGetCallbackFailureCount();
    ThrowingPage page;
    CPropertySheet sheet("throws");
    sheet.AddPage(&page);
    ASSERT_NE(sheet.Create(), nullptr);
    EXPECT_TRUE(sheet.IsOpen());
    EXPECT_EQ(AfxGetCallbackFailureCount(), before + 1);
}

// What the sheet looks like when its own initialisation runs: the platform
// has finished its WM_INITDIALOG (start page made, caption set), and nothing
// is on screen yet for a button that initialisation removes to flash in.
class ProbingSheet : public CPropertySheet {
public:
    ProbingSheet() : CPropertySheet("probed") {}
    void OnInitDialog() override
    {
        ++runs;
        CPropertyPage* page = GetActivePage();
        startPageMade = page && page->m_hWnd;
        char caption[32] = {};
        GetWindowTextA(m_hWnd, caption, sizeof caption);
        captionSet = std::string(caption) == "probed";
        hidden = !IsWindowVisible(m_hWnd);
    }
    int runs = 0;
    bool startPageMade = false, captionSet = false, hidden = false;
};

TEST(SheetBase, InitialisationRunsAfterThePlatformsAndBeforeTheSheetShows)
{
    CPropertyPage page(IDD_OPTION_PAGE);
    ProbingSheet sheet;
    sheet.AddPage(&page);
    ASSERT_NE(sheet.Create(), nullptr);
    EXPECT_EQ(sheet.runs, 1);
    EXPECT_TRUE(sheet.startPageMade);
    EXPECT_TRUE(sheet.captionSet);
    EXPECT_TRUE(sheet.hidden);
}

// Another part of the process (an input method's hook, say) subclassing the
// sheet while it is made, above the sheet's own procedure: it must stay in
// the chain, and the sheet's set-up still runs once.
WNDPROC g_outerProc = nullptr;
int g_outerMessages = 0;

LRESULT CALLBACK OuterProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    ++g_outerMessages;
    return CallWindowProcA(g_outerProc, hwnd, message, wParam, lParam);
}

LRESULT CALLBACK SubclassTheSheet(int code, WPARAM wParam, LPARAM lParam)
{
    const HWND hwnd = reinterpret_cast<HWND>(wParam);
    const CBT_CREATEWNDA* create = reinterpret_cast<const CBT_CREATEWNDA*>(lParam);
    char name[16] = {};
    if (code == HCBT_CREATEWND && !g_outerProc && GetClassNameA(hwnd, name, sizeof name) &&
        lstrcmpA(name, "#32770") == 0 && !(create->lpcs->style & WS_CHILD))
        g_outerProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&OuterProc)));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(SheetBase, ASubclassMadeAtItsCreationStaysInTheChain)
{
    g_outerProc = nullptr;
    g_outerMessages = 0;
    const HHOOK hook = SetWindowsHookExA(WH_CBT, &SubclassTheSheet, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    CPropertyPage page(IDD_OPTION_PAGE);
    ProbingSheet sheet;
    sheet.AddPage(&page);
    const HWND hwnd = sheet.Create();
    UnhookWindowsHookEx(hook);
    ASSERT_NE(hwnd, nullptr);
    ASSERT_NE(g_outerProc, nullptr);
    EXPECT_EQ(sheet.runs, 1);
    EXPECT_TRUE(sheet.startPageMade);
    const int seen = g_outerMessages;
    SetWindowTextA(hwnd, "renamed");
    EXPECT_GT(g_outerMessages, seen);
    sheet.DestroyWindow();
    // Cleared by the sheet's own subclass on the way out.
    EXPECT_EQ(sheet.m_hWnd, nullptr);
}

int g_modalButton = 0;
DWORD g_modalDeadline = 0;
bool g_modalTimedOut = false;

// Presses the button from inside the modal loop once the sheet is up. Past
// the deadline it destroys the sheet, which ends the loop, so a press that
// never lands fails the test instead of hanging it.
void CALLBACK PressModalButton(HWND, UINT, UINT_PTR, DWORD)
{
    HWND sheetWindow = FindWindowA(nullptr, "modal");
    if (static_cast<LONG>(GetTickCount() - g_modalDeadline) > 0) {
        g_modalTimedOut = true;
        if (sheetWindow)
            DestroyWindow(sheetWindow);
    } else if (sheetWindow && IsWindowVisible(sheetWindow)) {
        Click(GetDlgItem(sheetWindow, g_modalButton));
    }
}

TEST(SheetBase, ModalLoopEndsWithCancelAndOk)
{
    struct Case {
        int button;
        INT_PTR expected;
    } cases[] = {{IDCANCEL, IDCANCEL}, {IDOK, IDOK}};
    for (const Case& c : cases) {
        CPropertyPage page(IDD_OPTION_PAGE);
        CPropertySheet sheet("modal");
        sheet.AddPage(&page);
        g_modalButton = c.button;
        g_modalDeadline = GetTickCount() + 20000;
        g_modalTimedOut = false;
        const UINT_PTR timer = SetTimer(nullptr, 0, 20, &PressModalButton);
        EXPECT_EQ(sheet.DoModal(), c.expected);
        KillTimer(nullptr, timer);
        EXPECT_FALSE(g_modalTimedOut);
        EXPECT_EQ(sheet.m_hWnd, nullptr);
        EXPECT_EQ(page.m_hWnd, nullptr);
    }
}

TEST(DataExchange, BindsOnceAndKeepsTheFirstWindow)
{
    CPropertyPage page(IDD_SYSTEM_PAGE);
    CPropertySheet sheet("bind");
    sheet.AddPage(&page);
    ASSERT_NE(sheet.Create(), nullptr);
    ASSERT_NE(page.m_hWnd, nullptr);
    CWnd control;
    CDataExchange dx(&page);
    DDX_Control(&dx, IDC_COMBO_DEVICE, control);
    EXPECT_EQ(control.m_hWnd, GetDlgItem(page.m_hWnd, IDC_COMBO_DEVICE));
    DDX_Control(&dx, IDC_COMBO_MODE, control);
    EXPECT_EQ(control.m_hWnd, GetDlgItem(page.m_hWnd, IDC_COMBO_DEVICE));
}

TEST(Gdi, WrappersOwnTheirObjects)
{
    HGDIOBJ first = CreateSolidBrush(RGB(1, 2, 3));
    HGDIOBJ second = CreateSolidBrush(RGB(4, 5, 6));
    {
        CBrush brush;
        brush.Attach(first);
        brush.Attach(second);
        EXPECT_EQ(GetObjectType(first), 0u) << "the replaced brush is deleted";
        EXPECT_EQ(GetObjectType(second), static_cast<DWORD>(OBJ_BRUSH));
    }
    EXPECT_EQ(GetObjectType(second), 0u) << "the brush goes with its wrapper";

    CBitmap empty;
    BITMAP info = {};
    EXPECT_EQ(empty.GetBitmap(&info), 0);
}

TEST(Controls, ComboBoxReportsOutOfRangeIndices)
{
    CPropertyPage page(IDD_SYSTEM_PAGE);
    CPropertySheet sheet("combo");
    sheet.AddPage(&page);
    ASSERT_NE(sheet.Create(), nullptr);
    CComboBox combo;
    combo.Attach(GetDlgItem(page.m_hWnd, IDC_COMBO_MODE));
    EXPECT_EQ(combo.AddString("a"), 0);
    EXPECT_EQ(combo.AddString("b"), 1);
    EXPECT_EQ(combo.SetCurSel(1), 1);
    EXPECT_EQ(combo.SetCurSel(2), CB_ERR);
    EXPECT_EQ(combo.SetCurSel(-1), CB_ERR);
    EXPECT_EQ(combo.GetCurSel(), CB_ERR);
    EXPECT_EQ(combo.GetLBText(1), "b");
    EXPECT_EQ(combo.GetLBText(5), "");
    EXPECT_EQ(combo.GetLBText(-1), "");
}

std::vector<unsigned char> TemplateBytes(int id)
{
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), RT_DIALOG);
    const unsigned char* data = static_cast<const unsigned char*>(LockResource(LoadResource(module, found)));
    return std::vector<unsigned char>(data, data + SizeofResource(module, found));
}

INT_PTR CALLBACK IgnoreEverything(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// What a dialog shows: each control's class, id and caption, in order.
std::vector<std::string> Shown(HWND dialog)
{
    std::vector<std::string> shown;
    for (HWND child : ChildrenOf(dialog)) {
        char cls[64] = {};
        char text[128] = {};
        GetClassNameA(child, cls, sizeof cls);
        GetWindowTextA(child, text, sizeof text);
        shown.push_back(std::string(cls) + " " + std::to_string(GetDlgCtrlID(child)) + " " + text);
    }
    return shown;
}

TEST(PageTemplate, FontIsReplacedAndTheControlsKept)
{
    for (int id : {IDD_OPTION_PAGE, IDD_SYSTEM_PAGE}) {
        const std::vector<unsigned char> original = TemplateBytes(id);
        ASSERT_FALSE(original.empty()) << id;
        std::vector<DWORD> copy;
        ASSERT_TRUE(AfxReplaceTemplateFont(original.data(), original.size(), DialogFont{L"Tahoma", 11}, copy));

        // Reading the copy back gives the new font; the dialog's controls are
        // the same bytes at the end of both.
        std::vector<DWORD> again;
        const unsigned char* bytes = reinterpret_cast<const unsigned char*>(copy.data());
        ASSERT_TRUE(AfxReplaceTemplateFont(bytes, copy.size() * 4, DialogFont{L"Tahoma", 11}, again));
        EXPECT_EQ(again, copy) << "replacing with the same font changes nothing";
        const std::vector<unsigned char> head(original.begin(), original.begin() + 26);
        EXPECT_TRUE(std::equal(head.begin(), head.end(), bytes)) << "the header is kept";
        HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                                 reinterpret_cast<LPCDLGTEMPLATEA>(copy.data()), nullptr,
                                                 &IgnoreEverything, 0);
        ASSERT_NE(dialog, nullptr) << id;
        LOGFONTA font = {};
        GetObjectA(reinterpret_cast<HGDIOBJ>(SendMessageA(dialog, WM_GETFONT, 0, 0)), sizeof(font), &font);
        EXPECT_STREQ(font.lfFaceName, "Tahoma");
        HWND unchanged = CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                                    reinterpret_cast<LPCDLGTEMPLATEA>(original.data()), nullptr,
                                                    &IgnoreEverything, 0);
        EXPECT_EQ(Shown(unchanged), Shown(dialog)) << "every control kept, in order";
        DestroyWindow(unchanged);
        DestroyWindow(dialog);
    }
}

TEST(PageTemplate, BrokenTemplatesAreLeftAlone)
{
    // An extended template without controls: the header, no menu, no class,
    // the title "T", the font fields and the face "F".
    const WORD own[] = {1, 0xFFFF, 0, 0, 0, 0, LOWORD(WS_POPUP | DS_SETFONT), HIWORD(WS_POPUP | DS_SETFONT), 0, 0, 0, 0, 0,
                        0, 0, L'T', 0, 8, FW_NORMAL, 0, L'F', 0};
    const unsigned char* const bytes = reinterpret_cast<const unsigned char*>(own);
    std::vector<DWORD> copy = {0xDEAD};
    // Every cut inside the header and font.
    for (size_t size = 0; size < sizeof own; ++size)
        EXPECT_FALSE(AfxReplaceTemplateFont(bytes, size, DialogFont{L"Tahoma", 8}, copy)) << size;
    EXPECT_EQ(copy, std::vector<DWORD>{0xDEAD});
    EXPECT_TRUE(AfxReplaceTemplateFont(bytes, sizeof own, DialogFont{L"Tahoma", 8}, copy));
    // An unterminated title running to the end.
    std::vector<unsigned char> endless(bytes, bytes + 30);
    endless.resize(400, 'A');
    EXPECT_FALSE(AfxReplaceTemplateFont(endless.data(), endless.size(), DialogFont{L"Tahoma", 8}, copy));
    // An old-style template has no room for the extended font fields.
    const DWORD oldStyle[8] = {WS_POPUP | DS_SETFONT, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_FALSE(AfxReplaceTemplateFont(oldStyle, sizeof(oldStyle), DialogFont{L"Tahoma", 8}, copy));
    EXPECT_FALSE(AfxReplaceTemplateFont(nullptr, 100, DialogFont{L"Tahoma", 8}, copy));
}

TEST(PageTemplate, SheetFontIsThePlatformSheetFont)
{
    bool fromPlatform = false;
    const DialogFont font = AfxGetPropSheetFont(&fromPlatform);
    EXPECT_TRUE(fromPlatform) << "comctl32's own sheet template was not read";
    EXPECT_FALSE(font.face.empty());
    EXPECT_GT(font.pointSize, 0);
}

}  // namespace
