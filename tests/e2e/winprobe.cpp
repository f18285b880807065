// The end-to-end tests' eyes: prints, as one JSON object, a top-level window
// found by its caption and every child control it holds, with screen
// rectangles, so the tests can click where a player would and then see what
// the controls show. It never changes a control.
//
//   winprobe <caption>     exit 0 and the JSON; exit 2 when no such window
//
// Trackbar thumbs and tab items are only reachable through messages that take
// a pointer, which Wine does not carry between processes; those go through a
// buffer allocated inside the window's own process. Where that process runs
// under an emulator its memory cannot be reached, and they are left out.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Quote(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7f) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string RectJson(const RECT& r)
{
    char text[96];
    std::snprintf(text, sizeof text, "[%ld,%ld,%ld,%ld]", r.left, r.top, r.right - r.left,
                  r.bottom - r.top);
    return text;
}

std::string Field(const char* name, const std::string& json)
{
    return std::string(",") + Quote(name) + ":" + json;
}

std::string Field(const char* name, long value)
{
    return Field(name, std::to_string(value));
}

std::string WindowText(HWND hwnd)
{
    char text[512] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

// A block of memory in the process that owns a window, for messages whose
// lParam points at a structure the control fills in.
class RemoteBuffer {
public:
    RemoteBuffer(HWND owner, SIZE_T size) : m_size(size)
    {
        DWORD pid = 0;
        GetWindowThreadProcessId(owner, &pid);
        m_process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION,
                                FALSE, pid);
        if (m_process)
            m_address = VirtualAllocEx(m_process, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
        BOOL wow64 = FALSE;
        m_narrow = sizeof(void*) == 4 || (m_process && IsWow64Process(m_process, &wow64) && wow64);
    }
    ~RemoteBuffer()
    {
        if (m_address)
            VirtualFreeEx(m_process, m_address, 0, MEM_RELEASE);
        if (m_process)
            CloseHandle(m_process);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    bool Valid() const { return m_address != nullptr; }
    // Whether the owner is a 32-bit process: its structures hold 4-byte pointers.
    bool Narrow() const { return m_narrow; }
    char* Address() const { return static_cast<char*>(m_address); }
    bool Write(SIZE_T offset, const void* data, SIZE_T size) const
    {
        return offset + size <= m_size &&
               WriteProcessMemory(m_process, Address() + offset, data, size, nullptr);
    }
    bool Read(SIZE_T offset, void* data, SIZE_T size) const
    {
        return offset + size <= m_size &&
               ReadProcessMemory(m_process, Address() + offset, data, size, nullptr);
    }

private:
    HANDLE m_process = nullptr;
    void* m_address = nullptr;
    SIZE_T m_size;
    bool m_narrow = false;
};

// TCITEMA as a 32-bit process lays it out.
struct TabItem32 {
    UINT mask, state, stateMask;
    UINT32 text;
    int textMax, image;
    INT32 param;
};

// A control-relative rectangle that a control reports through lParam, in screen coordinates.
bool RemoteRect(HWND control, UINT message, WPARAM wParam, RECT& rect)
{
    RemoteBuffer buffer(control, sizeof(RECT));
    // Where Wine runs the owner under an emulator its memory is not where the
    // emulated addresses say: the control's answer never reaches the buffer,
    // which still holds what was written, and the rectangle is left out.
    const RECT untouched = {-32768, -32768, -32768, -32768};
    if (!buffer.Valid() || !buffer.Write(0, &untouched, sizeof untouched))
        return false;
    SendMessageA(control, message, wParam, reinterpret_cast<LPARAM>(buffer.Address()));
    if (!buffer.Read(0, &rect, sizeof rect) || std::memcmp(&rect, &untouched, sizeof rect) == 0)
        return false;
    MapWindowPoints(control, HWND_DESKTOP, reinterpret_cast<POINT*>(&rect), 2);
    return true;
}

std::string ButtonDetails(HWND control)
{
    return Field("check", static_cast<long>(SendMessageA(control, BM_GETCHECK, 0, 0)));
}

std::string TrackbarDetails(HWND control)
{
    std::string out = Field("pos", static_cast<long>(SendMessageA(control, TBM_GETPOS, 0, 0)));
    out += Field("min", static_cast<long>(SendMessageA(control, TBM_GETRANGEMIN, 0, 0)));
    out += Field("max", static_cast<long>(SendMessageA(control, TBM_GETRANGEMAX, 0, 0)));
    RECT thumb;
    if (RemoteRect(control, TBM_GETTHUMBRECT, 0, thumb))
        out += Field("thumb", RectJson(thumb));
    RECT channel;
    if (RemoteRect(control, TBM_GETCHANNELRECT, 0, channel))
        out += Field("channel", RectJson(channel));
    return out;
}

std::string ComboDetails(HWND control)
{
    std::string items = "[";
    LRESULT count = SendMessageA(control, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        // Wine answers a cross-process CB_GETLBTEXT in UTF-16 even when asked
        // with the A function, so ask for UTF-16 with room to spare.
        LRESULT length = SendMessageW(control, CB_GETLBTEXTLEN, i, 0);
        std::vector<wchar_t> wide(length > 0 ? 2 * length + 64 : 64, L'\0');
        if (length > 0)
            SendMessageW(control, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(wide.data()));
        wide.back() = L'\0';
        char text[512] = {};
        WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, text, sizeof text - 1, nullptr, nullptr);
        items += (i ? "," : "") + Quote(text);
    }
    items += "]";
    std::string out = Field("sel", static_cast<long>(SendMessageA(control, CB_GETCURSEL, 0, 0)));
    out += Field("dropped", static_cast<long>(SendMessageA(control, CB_GETDROPPEDSTATE, 0, 0)));
    out += Field("itemheight", static_cast<long>(SendMessageA(control, CB_GETITEMHEIGHT, 0, 0)));
    return out + Field("items", items);
}

std::string TabDetails(HWND control)
{
    const SIZE_T textSize = 128, itemSize = sizeof(TCITEMA);
    RemoteBuffer buffer(control, itemSize + textSize);
    std::string tabs = "[";
    LRESULT count = SendMessageA(control, TCM_GETITEMCOUNT, 0, 0);
    for (LRESULT i = 0; buffer.Valid() && i < count; ++i) {
        char* remoteText = buffer.Address() + itemSize;
        char text[textSize] = {'\x7f'};  // a tab's title never is
        if (!buffer.Write(itemSize, text, textSize))
            break;
        if (buffer.Narrow()) {
            TabItem32 item = {TCIF_TEXT, 0, 0, static_cast<UINT32>(reinterpret_cast<UINT_PTR>(remoteText)), textSize, 0, 0};
            buffer.Write(0, &item, sizeof item);
        } else {
            TCITEMA item = {};
            item.mask = TCIF_TEXT;
            item.pszText = remoteText;
            item.cchTextMax = textSize;
            buffer.Write(0, &item, sizeof item);
        }
        SendMessageA(control, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(buffer.Address()));
        if (!buffer.Read(itemSize, text, textSize - 1) || text[0] == '\x7f')
            break;
        RECT rect = {};
        RemoteRect(control, TCM_GETITEMRECT, i, rect);
        tabs += std::string(i ? "," : "") + "{\"text\":" + Quote(text) + Field("rect", RectJson(rect)) + "}";
    }
    tabs += "]";
    return Field("cursel", static_cast<long>(SendMessageA(control, TCM_GETCURSEL, 0, 0))) +
           Field("count", static_cast<long>(count)) + Field("tabs", tabs);
}

struct ClassDetails {
    const char* className;
    std::string (*details)(HWND);
};

const ClassDetails kDetails[] = {
    {"Button", ButtonDetails},
    {"msctls_trackbar32", TrackbarDetails},
    {"ComboBox", ComboDetails},
    {"SysTabControl32", TabDetails},
};

std::string ControlJson(HWND control)
{
    char className[64] = {};
    GetClassNameA(control, className, sizeof className);
    RECT rect;
    GetWindowRect(control, &rect);
    std::string out = "{\"id\":" + std::to_string(GetDlgCtrlID(control));
    out += Field("class", Quote(className));
    out += Field("text", Quote(WindowText(control)));
    out += Field("visible", IsWindowVisible(control) ? "true" : "false");
    out += Field("rect", RectJson(rect));
    for (const ClassDetails& entry : kDetails) {
        if (lstrcmpiA(className, entry.className) == 0)
            out += entry.details(control);
    }
    return out + "}";
}

BOOL CALLBACK CollectChild(HWND child, LPARAM lParam)
{
    reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(child);
    return TRUE;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: winprobe CAPTION\n");
        return 1;
    }
    HWND top = FindWindowA(nullptr, argv[1]);
    if (!top || !IsWindowVisible(top))
        return 2;
    // Flush pending paints so a screenshot taken next shows the current state.
    RedrawWindow(top, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);

    std::vector<HWND> children;
    EnumChildWindows(top, CollectChild, reinterpret_cast<LPARAM>(&children));
    RECT rect;
    GetWindowRect(top, &rect);
    std::string out = "{\"title\":" + Quote(WindowText(top)) + Field("rect", RectJson(rect));
    // Where the keyboard is: the focused control and the page that holds it.
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof thread;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &thread) && thread.hwndFocus &&
        IsChild(top, thread.hwndFocus)) {
        char className[64] = {};
        GetClassNameA(thread.hwndFocus, className, sizeof className);
        out += Field("focus", "{\"id\":" + std::to_string(GetDlgCtrlID(thread.hwndFocus)) +
                                  Field("class", Quote(className)) +
                                  Field("page", Quote(WindowText(GetParent(thread.hwndFocus)))) + "}");
    }
    out += Field("controls", "[");
    for (size_t i = 0; i < children.size(); ++i)
        out += (i ? "," : "") + ControlJson(children[i]);
    out += "]}";
    std::printf("%s\n", out.c_str());
    std::fflush(stdout);
    return 0;
}
