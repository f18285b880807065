#include "framework/MsgMap.h"

#include "framework/Gdi.h"
#include "framework/Wnd.h"

bool AfxMessageKey(UINT message, WPARAM wParam, LPARAM lParam, MsgKey& key)
{
    if (message == WM_COMMAND) {
        key = MsgKey{message, HIWORD(wParam), LOWORD(wParam)};
        return true;
    }
    if (message == WM_NOTIFY) {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (!header)
            return false;
        key = MsgKey{message, header->code, static_cast<UINT>(header->idFrom)};
        return true;
    }
    // A control's scroll message is looked up by the control's id; the
    // window's own scroll bars (no control) by the message alone.
    if ((message == WM_HSCROLL || message == WM_VSCROLL) && lParam) {
        key = MsgKey{message, 0, static_cast<UINT>(::GetDlgCtrlID(reinterpret_cast<HWND>(lParam)))};
        return true;
    }
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
        key = MsgKey{WM_CTLCOLOR, 0, 0};
        return true;
    }
    key = MsgKey{message, 0, 0};
    return true;
}

const AFX_MSGMAP_ENTRY* AfxFindMessageEntry(const AFX_MSGMAP* map, const MsgKey& key)
{
    for (; map; map = map->pBaseMap) {
        for (size_t i = 0; i < map->nCount; ++i) {
            const AFX_MSGMAP_ENTRY& entry = map->lpEntries[i];
            if (entry.nMessage == key.message && entry.nCode == key.code && entry.nID == key.id)
                return &entry;
        }
    }
    return nullptr;
}

LRESULT AfxDispatchCtlColor(CCmdTarget& target, const MsgArgs& args,
                            HBRUSH (*call)(CCmdTarget&, CDC*, CWnd*, UINT))
{
    CDC dc(reinterpret_cast<HDC>(args.wParam));
    CWnd control;
    control.Attach(reinterpret_cast<HWND>(args.lParam));
    const UINT kind = args.message >= WM_CTLCOLORMSGBOX && args.message <= WM_CTLCOLORSTATIC
                          ? args.message - WM_CTLCOLORMSGBOX
                          : CTLCOLOR_DLG;
    return reinterpret_cast<LRESULT>(call(target, &dc, &control, kind));
}
