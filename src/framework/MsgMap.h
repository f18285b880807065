// Message maps: static const tables of (message, notification code, control
// id, handler), searched in order and then the base class's table.
#pragma once

#include <windows.h>

#include <cstddef>

#include "framework/Object.h"

class CDC;
class CWnd;

// All control-colour requests (WM_CTLCOLORMSGBOX .. WM_CTLCOLORSTATIC) are
// looked up under this one message.
constexpr UINT WM_CTLCOLOR = 0x0019;
// Menu and accelerator commands carry notification code 0, like BN_CLICKED.
constexpr UINT CN_COMMAND = 0;
// The framework's standard Help command.
constexpr UINT ID_HELP = 0xE146;

struct MsgArgs {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// Calls the member function the entry names; the result goes back to Windows.
typedef LRESULT (*AFX_PMSG)(CCmdTarget& target, const MsgArgs& args);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;
    UINT nCode;
    UINT nID;
    AFX_PMSG pfn;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* pBaseMap;
    const AFX_MSGMAP_ENTRY* lpEntries;
    size_t nCount;
};

// What a message is looked up by.
struct MsgKey {
    UINT message;
    UINT code;
    UINT id;
};

// The key of a window message; false for a message that cannot be mapped
// (a WM_NOTIFY without its header).
bool AfxMessageKey(UINT message, WPARAM wParam, LPARAM lParam, MsgKey& key);
// The first entry matching the key in the map or, failing that, its bases.
const AFX_MSGMAP_ENTRY* AfxFindMessageEntry(const AFX_MSGMAP* map, const MsgKey& key);

// Builds the wrappers a control-colour handler receives and calls it.
LRESULT AfxDispatchCtlColor(CCmdTarget& target, const MsgArgs& args,
                            HBRUSH (*call)(CCmdTarget&, CDC*, CWnd*, UINT));

template <size_t N>
constexpr AFX_MSGMAP AfxMakeMessageMap(const AFX_MSGMAP* base, const AFX_MSGMAP_ENTRY (&entries)[N])
{
    return AFX_MSGMAP{base, entries, N};
}

namespace msgmap_detail {

template <class T>
struct MemberOf;
template <class C, class R, class... A>
struct MemberOf<R (C::*)(A...)> {
    using type = C;
};
template <auto Fn>
using ClassOf = typename MemberOf<decltype(Fn)>::type;

template <auto Fn>
LRESULT InvokeVoid(CCmdTarget& target, const MsgArgs&)
{
    (static_cast<ClassOf<Fn>&>(target).*Fn)();
    return 0;
}

template <auto Fn>
LRESULT InvokeWithId(CCmdTarget& target, const MsgArgs& args)
{
    (static_cast<ClassOf<Fn>&>(target).*Fn)(LOWORD(args.wParam));
    return 0;
}

template <auto Fn>
LRESULT InvokeNotify(CCmdTarget& target, const MsgArgs& args)
{
    LRESULT result = 0;
    (static_cast<ClassOf<Fn>&>(target).*Fn)(reinterpret_cast<NMHDR*>(args.lParam), &result);
    return result;
}

template <auto Fn>
LRESULT InvokeWithScrollId(CCmdTarget& target, const MsgArgs& args)
{
    (static_cast<ClassOf<Fn>&>(target).*Fn)(static_cast<UINT>(::GetDlgCtrlID(reinterpret_cast<HWND>(args.lParam))));
    return 0;
}

template <auto Fn>
HBRUSH CallCtlColor(CCmdTarget& target, CDC* dc, CWnd* wnd, UINT kind)
{
    return (static_cast<ClassOf<Fn>&>(target).*Fn)(dc, wnd, kind);
}

template <auto Fn>
LRESULT InvokeCtlColor(CCmdTarget& target, const MsgArgs& args)
{
    return AfxDispatchCtlColor(target, args, &CallCtlColor<Fn>);
}

}  // namespace msgmap_detail

// WM_COMMAND from control (or command) `id` with notification `code`; the
// handler takes no arguments.
template <auto Fn>
constexpr AFX_MSGMAP_ENTRY OnCommandEntry(UINT code, UINT id)
{
    return {WM_COMMAND, code, id, &msgmap_detail::InvokeVoid<Fn>};
}

// Like OnCommandEntry, for a handler shared by several controls: it takes
// (UINT id).
template <auto Fn>
constexpr AFX_MSGMAP_ENTRY OnCommandIdEntry(UINT code, UINT id)
{
    return {WM_COMMAND, code, id, &msgmap_detail::InvokeWithId<Fn>};
}

// WM_NOTIFY from control `id` with notification `code`; the handler takes
// (NMHDR*, LRESULT* result).
template <auto Fn>
constexpr AFX_MSGMAP_ENTRY OnNotifyEntry(UINT code, UINT id)
{
    return {WM_NOTIFY, code, id, &msgmap_detail::InvokeNotify<Fn>};
}

// WM_HSCROLL from the trackbar or scroll bar `id`, whatever moved it (keys,
// wheel, a click on the channel, a drag); the handler takes (UINT id).
template <auto Fn>
constexpr AFX_MSGMAP_ENTRY OnHScrollEntry(UINT id)
{
    return {WM_HSCROLL, 0, id, &msgmap_detail::InvokeWithScrollId<Fn>};
}

// A plain message such as WM_PAINT; the handler takes no arguments.
template <auto Fn>
constexpr AFX_MSGMAP_ENTRY OnMessageEntry(UINT message)
{
    return {message, 0, 0, &msgmap_detail::InvokeVoid<Fn>};
}

// Every control-colour request; the handler takes (CDC*, CWnd*, UINT kind)
// and returns the background brush.
template <auto Fn>
constexpr AFX_MSGMAP_ENTRY OnCtlColorEntry()
{
    return {WM_CTLCOLOR, 0, 0, &msgmap_detail::InvokeCtlColor<Fn>};
}
