// The platform's part of the tool's start-up and nothing else: the DirectDraw
// and Direct3D enumeration the tool makes, then a two-page sheet with the
// tool's caption. The Wine timing runs it beside the tool.
//
//   platform_sheet          empty pages of the tool's size and font
//   platform_sheet pages    the tool's own pages: templates 104 and 103 with
//                           bitmaps 133 and 138 painted on white; no script,
//                           no registry, no file
#include <windows.h>
#include <commctrl.h>
#include <ddraw.h>
#include <d3d.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

struct Counts {
    int drivers = 0;
    int modes = 0;
    int devices = 0;
};

HRESULT WINAPI CountMode(LPDDSURFACEDESC2, LPVOID context)
{
    ++static_cast<Counts*>(context)->modes;
    return DDENUMRET_OK;
}

HRESULT WINAPI CountDevice(LPSTR, LPSTR, LPD3DDEVICEDESC7, LPVOID context)
{
    ++static_cast<Counts*>(context)->devices;
    return D3DENUMRET_OK;
}

// The same calls, with the same arguments, as the tool's driver step.
BOOL WINAPI VisitDriver(GUID* guid, LPSTR, LPSTR, LPVOID context, HMONITOR)
{
    Counts& counts = *static_cast<Counts*>(context);
    ++counts.drivers;
    IDirectDraw7* draw = nullptr;
    if (FAILED(DirectDrawCreateEx(guid, reinterpret_cast<void**>(&draw), IID_IDirectDraw7, nullptr)))
        return DDENUMRET_OK;
    IDirect3D7* d3d = nullptr;
    if (SUCCEEDED(draw->QueryInterface(IID_IDirect3D7, reinterpret_cast<void**>(&d3d)))) {
        DDCAPS driverCaps = {};
        DDCAPS helCaps = {};
        driverCaps.dwSize = helCaps.dwSize = sizeof(DDCAPS);
        draw->GetCaps(&driverCaps, &helCaps);
        draw->EnumDisplayModes(0, nullptr, context, &CountMode);
        d3d->EnumDevices(&CountDevice, context);
        d3d->Release();
    }
    draw->Release();
    return DDENUMRET_OK;
}

INT_PTR CALLBACK EmptyPage(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// The tool's resources: page templates and their pictures, and where each
// picture's left edge is painted.
struct SkinnedPageArt {
    WORD templateId;
    WORD bitmapId;
    int bitmapX;
};
const SkinnedPageArt kPageArt[2] = {{104, 133, 0}, {103, 138, 25}};

// A page of the tool's template that paints its picture on white, as the
// tool's pages do, and nothing else.
INT_PTR CALLBACK SkinnedPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    static HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
    switch (message) {
    case WM_INITDIALOG: {
        const auto* art = reinterpret_cast<const SkinnedPageArt*>(reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam);
        SetWindowLongPtrA(page, DWLP_USER, reinterpret_cast<LONG_PTR>(art));
        SetPropA(page, "bitmap", LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(art->bitmapId)));
        return TRUE;
    }
    case WM_PAINT: {
        const auto* art = reinterpret_cast<const SkinnedPageArt*>(GetWindowLongPtrA(page, DWLP_USER));
        HBITMAP bitmap = static_cast<HBITMAP>(GetPropA(page, "bitmap"));
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(page, &paint);
        BITMAP info = {};
        if (art && bitmap && GetObjectA(bitmap, sizeof info, &info)) {
            HDC memory = CreateCompatibleDC(dc);
            HGDIOBJ previous = SelectObject(memory, bitmap);
            BitBlt(dc, art->bitmapX, 0, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
            SelectObject(memory, previous);
            DeleteDC(memory);
        }
        EndPaint(page, &paint);
        return TRUE;
    }
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        return reinterpret_cast<INT_PTR>(white);
    case WM_DESTROY:
        DeleteObject(static_cast<HBITMAP>(RemovePropA(page, "bitmap")));
        return FALSE;
    }
    return FALSE;
}

// A control-less page template: the tool's page size, caption and font.
std::vector<WORD> PageTemplate(const wchar_t* caption)
{
    const DWORD style = DS_SETFONT | DS_3DLOOK | DS_CONTROL | WS_CHILD | WS_CAPTION;
    std::vector<WORD> words = {LOWORD(style), HIWORD(style), 0, 0,  // style, extended style
                               0,                                    // no controls
                               0, 0, 293, 226,                       // x, y, cx, cy
                               0, 0};                                // no menu, default class
    for (const wchar_t* c = caption; *c; ++c)
        words.push_back(static_cast<WORD>(*c));
    words.push_back(0);
    words.push_back(9);
    for (const wchar_t* c = L"\xAD74\xB9BC"; *c; ++c)  // the pages' Korean face name
        words.push_back(static_cast<WORD>(*c));
    words.push_back(0);
    return words;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    const bool toolPages = commandLine && std::strcmp(commandLine, "pages") == 0;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    Counts counts;
    DirectDrawEnumerateExA(&VisitDriver, &counts,
                           DDENUM_ATTACHEDSECONDARYDEVICES | DDENUM_DETACHEDSECONDARYDEVICES |
                               DDENUM_NONDISPLAYDEVICES);

    // Templates must be DWORD-aligned; vector storage from operator new is.
    const std::vector<WORD> templates[] = {PageTemplate(L"System"), PageTemplate(L"Option")};
    PROPSHEETPAGEA pages[2] = {};
    for (int i = 0; i < 2; ++i) {
        pages[i].dwSize = sizeof pages[i];
        pages[i].hInstance = instance;
        if (toolPages) {
            pages[i].pszTemplate = MAKEINTRESOURCEA(kPageArt[i].templateId);
            pages[i].pfnDlgProc = &SkinnedPage;
            pages[i].lParam = reinterpret_cast<LPARAM>(&kPageArt[i]);
        } else {
            pages[i].dwFlags = PSP_DLGINDIRECT;
            pages[i].pResource = reinterpret_cast<LPCDLGTEMPLATEA>(templates[i].data());
            pages[i].pfnDlgProc = &EmptyPage;
        }
    }
    PROPSHEETHEADERA sheet = {};
    sheet.dwSize = sizeof sheet;
    sheet.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
    sheet.hInstance = instance;
    sheet.pszCaption = "Kestrune Setup";
    sheet.nPages = 2;
    sheet.ppsp = pages;
    PropertySheetA(&sheet);

    std::printf("drivers %d, modes %d, devices %d\n", counts.drivers, counts.modes, counts.devices);
    return 0;
}
