// A property sheet holding CPropertyPage objects. DoModal runs it modally
// with its own loop (so the active page's PreTranslateMessage sees every
// message); Create makes it modeless, for tests and for callers with a loop.
#pragma once

#include <windows.h>
#include <prsht.h>

#include <string>
#include <vector>

#include "framework/PropertyPage.h"
#include "framework/Wnd.h"

// The Apply button of the platform's sheet.
constexpr int ID_APPLY_NOW = 0x3021;

class CPropertySheet : public CWnd {
public:
    static const CRuntimeClass runtimeClass;
    const CRuntimeClass* GetRuntimeClass() const override;

    explicit CPropertySheet(const char* caption, CWnd* parent = nullptr, UINT selectPage = 0);
    // Destroys a modeless window that is still open.
    ~CPropertySheet() override;

    // Pages show as tabs in the order added.
    void AddPage(CPropertyPage* page);
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    // Null for an index outside 0 .. GetPageCount() - 1.
    CPropertyPage* GetPage(int index) const;
    CPropertyPage* GetActivePage() const;

    // Until OK, Cancel, Esc or the close box; IDOK, IDCANCEL, or -1 when the
    // window could not be created.
    virtual INT_PTR DoModal();
    // The modeless sheet window; null on failure.
    HWND Create();
    // True while the sheet is shown and has not been closed by its buttons.
    bool IsOpen() const;

    // The active page's PreTranslateMessage, then the sheet's dialog keys.
    BOOL PreTranslateMessage(MSG* msg);

    // Runs once the platform has built the sheet, its buttons and its start
    // page: after the common controls' own WM_INITDIALOG has returned, before
    // the sheet is shown.
    virtual void OnInitDialog();

    PROPSHEETHEADERA m_psh;

private:
    HWND CreateSheetWindow(HWND owner);
    void UseSheetFont(PROPSHEETPAGEA& page, std::vector<DWORD>& storage) const;
    void RunModalLoop();
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    void Subclass(HWND hwnd);
    void EnterCreationProc(HWND hwnd);
    void LeaveCreationProc();
    void RunInitDialog();

    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR self);
    static int CALLBACK SheetCallback(HWND hwnd, UINT message, LPARAM lParam);
    static LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK CreationProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    std::string m_caption;
    CWnd* m_pParentWnd;
    std::vector<CPropertyPage*> m_pages;
    std::vector<PROPSHEETPAGEA> m_pageHeaders;
    // The pages' templates in the sheet's font, while the window is made.
    std::vector<std::vector<DWORD>> m_pageTemplates;
    bool m_initDone = false;
    // The sheet's own window procedure while it is being built.
    WNDPROC m_creationProc = nullptr;
};
