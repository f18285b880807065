// Prints, as one JSON object, every visible tooltip window with its screen
// rectangle and the text it shows: what a player reads when the pointer rests
// on a control. Texts are in the ANSI code page, one \u00XX per byte beyond
// ASCII.
//
//   tipprobe      exit 0 and {"tips": [{"rect": [x, y, w, h], "text": "..."}]}
//
// A tooltip answers WM_GETTEXT with its current text, a message Wine carries
// between processes (it cannot carry a pointer of TTM_GETTEXT).
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Quote(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        char escape[8];
        if (c == '"' || c == '\\' || c < 0x20 || c >= 0x7f) {
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string TipText(HWND tip)
{
    std::vector<wchar_t> wide(1024, L'\0');
    SendMessageW(tip, WM_GETTEXT, wide.size(), reinterpret_cast<LPARAM>(wide.data()));
    wide.back() = L'\0';
    std::vector<char> ansi(2 * wide.size(), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, ansi.data(), static_cast<int>(ansi.size()) - 1, nullptr, nullptr);
    return ansi.data();
}

BOOL CALLBACK CollectTip(HWND window, LPARAM lParam)
{
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpiA(className, TOOLTIPS_CLASSA) == 0 && IsWindowVisible(window))
        reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(window);
    return TRUE;
}

}  // namespace

int main()
{
    std::vector<HWND> tips;
    EnumWindows(CollectTip, reinterpret_cast<LPARAM>(&tips));
    std::string out = "{\"tips\":[";
    for (size_t i = 0; i < tips.size(); ++i) {
        RECT r;
        GetWindowRect(tips[i], &r);
        char rect[96];
        std::snprintf(rect, sizeof rect, "[%ld,%ld,%ld,%ld]", r.left, r.top, r.right - r.left, r.bottom - r.top);
        out += std::string(i ? "," : "") + "{\"rect\":" + rect + ",\"text\":" + Quote(TipText(tips[i])) + "}";
    }
    std::printf("%s]}\n", out.c_str());
    std::fflush(stdout);
    return 0;
}
