// The resources linked into this executable are the product's: the page
// templates, the page pictures, the icon and the manifest. They are read back
// from the module and compared with what the pages and the loader expect.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cctype>
#include <cstring>
#include <cwctype>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "win32/CommandIds.h"

namespace {

const WORD kKorean = MAKELANGID(LANG_KOREAN, SUBLANG_DEFAULT);

struct Blob {
    const uint8_t* data = nullptr;
    DWORD size = 0;
};

Blob ResourceBytes(LPCSTR type, int id, WORD language) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceExA(module, type, MAKEINTRESOURCEA(id), language);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module, found);
    if (!loaded) return {};
    return {static_cast<const uint8_t*>(LockResource(loaded)), SizeofResource(module, found)};
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR param) {
    reinterpret_cast<std::set<WORD>*>(param)->insert(language);
    return TRUE;
}

std::set<WORD> Languages(LPCSTR type, int id) {
    std::set<WORD> found;
    EnumResourceLanguagesA(GetModuleHandleA(nullptr), type, MAKEINTRESOURCEA(id), CollectLanguage,
                           reinterpret_cast<LONG_PTR>(&found));
    return found;
}

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR param) {
    reinterpret_cast<std::vector<std::string>*>(param)->push_back(
        IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<ULONG_PTR>(name)) : std::string(name));
    return TRUE;
}

// Bounds-checked little-endian reader; a read past the end sets Failed()
// and yields zeros, so a broken template fails the test instead of crashing it.
class Reader {
public:
    explicit Reader(Blob blob) : m_blob(blob) {}

    bool Failed() const { return m_failed; }
    size_t Offset() const { return m_pos; }

    uint16_t U16() {
        uint16_t v = 0;
        Read(&v, sizeof v);
        return v;
    }
    uint32_t U32() {
        uint32_t v = 0;
        Read(&v, sizeof v);
        return v;
    }
    int16_t I16() { return static_cast<int16_t>(U16()); }
    uint8_t U8() {
        uint8_t v = 0;
        Read(&v, sizeof v);
        return v;
    }

    std::wstring Text() {
        std::wstring s;
        for (uint16_t c = U16(); c != 0 && !m_failed; c = U16()) s.push_back(static_cast<wchar_t>(c));
        return s;
    }

    // sz_Or_Ord: empty, 0xFFFF followed by an ordinal, or a string.
    struct NameOrId {
        bool isId = false;
        uint16_t id = 0;
        std::wstring name;
    };
    NameOrId NameOrOrdinal() {
        NameOrId r;
        uint16_t first = U16();
        if (first == 0xFFFF) {
            r.isId = true;
            r.id = U16();
        } else if (first != 0) {
            r.name.push_back(static_cast<wchar_t>(first));
            r.name += Text();
        }
        return r;
    }

    void AlignDword() { m_pos = (m_pos + 3) & ~size_t{3}; }

private:
    void Read(void* out, size_t n) {
        if (m_failed || m_pos + n > m_blob.size) {
            m_failed = true;
            return;
        }
        std::memcpy(out, m_blob.data + m_pos, n);
        m_pos += n;
    }

    Blob m_blob;
    size_t m_pos = 0;
    bool m_failed = false;
};

struct DialogItem {
    uint32_t helpId, exStyle, style;
    int16_t x, y, cx, cy;
    uint32_t id;
    Reader::NameOrId cls;
    Reader::NameOrId title;
    uint16_t extraBytes;
};

struct Dialog {
    uint16_t version, signature;
    uint32_t helpId, exStyle, style;
    uint16_t count;
    int16_t x, y, cx, cy;
    Reader::NameOrId menu, cls;
    std::wstring title;
    uint16_t pointSize, weight;
    uint8_t italic, charset;
    std::wstring face;
    std::vector<DialogItem> items;
    bool complete;
};

// Reads a DLGTEMPLATEEX with its DLGITEMTEMPLATEEX entries.
Dialog ParseDialogEx(Blob blob) {
    Reader r(blob);
    Dialog d{};
    d.version = r.U16();
    d.signature = r.U16();
    d.helpId = r.U32();
    d.exStyle = r.U32();
    d.style = r.U32();
    d.count = r.U16();
    d.x = r.I16();
    d.y = r.I16();
    d.cx = r.I16();
    d.cy = r.I16();
    d.menu = r.NameOrOrdinal();
    d.cls = r.NameOrOrdinal();
    d.title = r.Text();
    if (d.style & DS_SETFONT) {
        d.pointSize = r.U16();
        d.weight = r.U16();
        d.italic = r.U8();
        d.charset = r.U8();
        d.face = r.Text();
    }
    for (uint16_t i = 0; i < d.count && !r.Failed(); ++i) {
        r.AlignDword();
        DialogItem item{};
        item.helpId = r.U32();
        item.exStyle = r.U32();
        item.style = r.U32();
        item.x = r.I16();
        item.y = r.I16();
        item.cx = r.I16();
        item.cy = r.I16();
        item.id = r.U32();
        item.cls = r.NameOrOrdinal();
        item.title = r.NameOrOrdinal();
        item.extraBytes = r.U16();
        if (r.Failed()) break;
        d.items.push_back(item);
    }
    d.complete = !r.Failed() && d.items.size() == d.count && r.Offset() <= blob.size;
    return d;
}

std::wstring Lower(std::wstring s) {
    std::transform(s.begin(), s.end(), s.begin(), [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    return s;
}

std::wstring Widen(const char* s) {
    return std::wstring(s, s + std::strlen(s));
}

// A control class is stored either as a system atom or as its name.
std::wstring ClassName(const Reader::NameOrId& cls) {
    static const struct {
        uint16_t atom;
        const wchar_t* name;
    } kAtoms[] = {{0x80, L"button"}, {0x81, L"edit"},      {0x82, L"static"},
                  {0x83, L"listbox"}, {0x84, L"scrollbar"}, {0x85, L"combobox"}};
    if (!cls.isId) return Lower(cls.name);
    for (const auto& a : kAtoms)
        if (a.atom == cls.id) return a.name;
    return L"#" + std::to_wstring(cls.id);
}

std::wstring TitleText(const Reader::NameOrId& title) {
    return title.isId ? L"#" + std::to_wstring(title.id) : title.name;
}

// The controls a page's code binds by id, with the class it binds them as.
struct BoundControls {
    const char* cls;
    std::vector<int> ids;
};

struct TemplateRow {
    int id;
    const char* title;
    std::vector<BoundControls> bound;
};

const TemplateRow kTemplates[] = {
    {IDD_OPTION_PAGE, "Option", {{"button", {std::begin(kCommandIds), std::end(kCommandIds)}}}},
    {IDD_SYSTEM_PAGE,
     "System",
     {{"combobox", {IDC_COMBO_DEVICE, IDC_COMBO_MODE}},
      {"msctls_trackbar32", {IDC_SLIDER_SPRITE, IDC_SLIDER_TEXTURE, IDC_SLIDER_BGM, IDC_SLIDER_EFFECT}},
      {"button", {IDC_CHK_FULLSCREEN, IDC_CHK_MOUSE_EXCLUSIVE, IDC_CHK_BGM_ON, IDC_CHK_EFFECT_ON, IDC_CHK_NOSOUND}}}},
};

class DialogTemplate : public ::testing::TestWithParam<TemplateRow> {
protected:
    Blob Bytes() const { return ResourceBytes(RT_DIALOG, GetParam().id, kKorean); }
};

TEST_P(DialogTemplate, ExistsInKoreanOnly) {
    EXPECT_EQ(Languages(RT_DIALOG, GetParam().id), std::set<WORD>{kKorean});
}

TEST_P(DialogTemplate, HeaderAndFont) {
    const TemplateRow& row = GetParam();
    Blob blob = Bytes();
    ASSERT_NE(blob.data, nullptr);
    Dialog d = ParseDialogEx(blob);
    ASSERT_TRUE(d.complete);

    EXPECT_EQ(d.version, 1);
    EXPECT_EQ(d.signature, 0xFFFF);
    EXPECT_EQ(d.helpId, 0u);
    EXPECT_EQ(d.exStyle, DWORD{WS_EX_APPWINDOW});
    EXPECT_EQ(d.style, DWORD{WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_MODALFRAME | DS_SETFONT});
    EXPECT_EQ(d.x, 0);
    EXPECT_EQ(d.y, 0);
    EXPECT_FALSE(d.menu.isId);
    EXPECT_TRUE(d.menu.name.empty());
    EXPECT_FALSE(d.cls.isId);
    EXPECT_TRUE(d.cls.name.empty());
    EXPECT_EQ(d.title, Widen(row.title));

    EXPECT_EQ(d.pointSize, 9);
    EXPECT_EQ(d.weight, 0);
    EXPECT_EQ(d.italic, 0);
    EXPECT_EQ(d.charset, DEFAULT_CHARSET);
    // The face is the Korean name as UTF-16: it proves the .rc code page held.
    EXPECT_EQ(d.face, std::wstring(L"\xAD74\xB9BC"));
}

// Every control a visible child inside the page, with an id of its own, a
// caption where it shows text, and each id the page binds on a control of
// the class it binds it as.
TEST_P(DialogTemplate, ControlsAreSound) {
    const TemplateRow& row = GetParam();
    const Dialog d = ParseDialogEx(Bytes());
    ASSERT_TRUE(d.complete);
    std::set<uint32_t> ids;
    for (const DialogItem& item : d.items) {
        const std::wstring cls = ClassName(item.cls);
        SCOPED_TRACE("control " + std::to_string(static_cast<int>(item.id)));
        EXPECT_EQ(item.style & (WS_CHILD | WS_VISIBLE), DWORD{WS_CHILD | WS_VISIBLE});
        EXPECT_TRUE(item.x >= 0 && item.y >= 0 && item.cx > 0 && item.cy > 0 && item.x + item.cx <= d.cx &&
                    item.y + item.cy <= d.cy)
            << "outside the page: " << item.x << "," << item.y << " " << item.cx << "x" << item.cy;
        if (static_cast<uint16_t>(item.id) != 0xFFFF)
            EXPECT_TRUE(ids.insert(item.id).second) << "the id is used twice";
        if (cls == L"button" || cls == L"static")
            EXPECT_FALSE(TitleText(item.title).empty()) << "no caption";
        EXPECT_EQ(item.extraBytes, 0);
    }
    for (const BoundControls& bound : row.bound) {
        for (int id : bound.ids) {
            const auto found = std::find_if(d.items.begin(), d.items.end(),
                                            [&](const DialogItem& item) { return item.id == static_cast<uint32_t>(id); });
            ASSERT_NE(found, d.items.end()) << "no control " << id;
            EXPECT_EQ(ClassName(found->cls), Widen(bound.cls)) << id;
        }
    }
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

// The platform builds a real window from the template, with every control.
TEST_P(DialogTemplate, WindowBuildsFromTemplate) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    ASSERT_TRUE(InitCommonControlsEx(&icc));
    Blob blob = Bytes();
    ASSERT_GT(blob.size, 16u);
    // Built hidden: mapping a visible popup under Xvfb costs seconds.
    std::vector<uint8_t> hidden(blob.data, blob.data + blob.size);
    constexpr size_t kStyleOffset = 12;
    DWORD style;
    std::memcpy(&style, &hidden[kStyleOffset], sizeof style);
    style &= ~DWORD{WS_VISIBLE};
    std::memcpy(&hidden[kStyleOffset], &style, sizeof style);
    HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(hidden.data()),
                                             nullptr, QuietDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    char title[32] = {};
    GetWindowTextA(dialog, title, sizeof title);
    EXPECT_STREQ(title, GetParam().title);

    const Dialog d = ParseDialogEx(blob);
    size_t children = 0;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) ++children;
    EXPECT_EQ(children, d.items.size());
    for (const DialogItem& item : d.items) {
        if (static_cast<uint16_t>(item.id) == 0xFFFF) continue;
        HWND control = GetDlgItem(dialog, static_cast<int>(item.id));
        ASSERT_NE(control, nullptr) << item.id;
        char cls[64] = {};
        GetClassNameA(control, cls, sizeof cls);
        EXPECT_EQ(Lower(Widen(cls)), ClassName(item.cls)) << item.id;
    }
    DestroyWindow(dialog);
}

INSTANTIATE_TEST_SUITE_P(Pages, DialogTemplate, ::testing::ValuesIn(kTemplates),
                         [](const auto& info) { return std::string(info.param.title); });

struct Box {
    int left, top, right, bottom;  // inclusive, rows counted from the top
    bool Contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

struct BitmapRow {
    int id;
    const char* page;
    int width, height;
    std::vector<Box> boxes;
};

const BitmapRow kBitmaps[] = {
    {133, "System", 573, 437, {{3, 49, 179, 311}, {372, 81, 537, 261}}},
    {138, "Option", 514, 437, {{7, 50, 147, 280}}},
};

class PageBitmap : public ::testing::TestWithParam<BitmapRow> {};

TEST_P(PageBitmap, StoredFormat) {
    const BitmapRow& row = GetParam();
    EXPECT_EQ(Languages(RT_BITMAP, row.id), std::set<WORD>{kKorean});
    Blob blob = ResourceBytes(RT_BITMAP, row.id, kKorean);
    ASSERT_GE(blob.size, sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER h;
    std::memcpy(&h, blob.data, sizeof h);
    EXPECT_EQ(h.biSize, sizeof(BITMAPINFOHEADER));
    EXPECT_EQ(h.biWidth, row.width);
    EXPECT_EQ(h.biHeight, row.height);  // positive: bottom-up rows
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 24);
    EXPECT_EQ(h.biCompression, DWORD{BI_RGB});
    EXPECT_EQ(h.biXPelsPerMeter, 11808);
    EXPECT_EQ(h.biYPelsPerMeter, 11808);
    EXPECT_EQ(h.biClrUsed, 0u);
    const size_t stride = (size_t(row.width) * 3 + 3) & ~size_t{3};
    // Header then pixels, no colour table in between.
    EXPECT_EQ(blob.size, sizeof h + stride * row.height);
}

TEST_P(PageBitmap, WhiteOutsideTheIllustrations) {
    const BitmapRow& row = GetParam();
    Blob blob = ResourceBytes(RT_BITMAP, row.id, kKorean);
    const size_t stride = (size_t(row.width) * 3 + 3) & ~size_t{3};
    ASSERT_EQ(blob.size, sizeof(BITMAPINFOHEADER) + stride * row.height);
    const uint8_t* pixels = blob.data + sizeof(BITMAPINFOHEADER);

    size_t strayPixels = 0;
    std::vector<size_t> painted(row.boxes.size());
    for (int y = 0; y < row.height; ++y) {
        const uint8_t* line = pixels + stride * size_t(row.height - 1 - y);
        for (int x = 0; x < row.width; ++x) {
            const uint8_t* p = line + 3 * x;
            const bool white = p[0] == 255 && p[1] == 255 && p[2] == 255;
            auto box = std::find_if(row.boxes.begin(), row.boxes.end(), [&](const Box& b) { return b.Contains(x, y); });
            if (box == row.boxes.end())
                strayPixels += white ? 0 : 1;
            else if (!white)
                ++painted[size_t(box - row.boxes.begin())];
        }
    }
    EXPECT_EQ(strayPixels, 0u);
    for (size_t i = 0; i < row.boxes.size(); ++i) {
        const Box& b = row.boxes[i];
        const size_t area = size_t(b.right - b.left + 1) * (b.bottom - b.top + 1);
        // A real picture, not a few specks.
        EXPECT_GT(painted[i], area / 4) << "box " << i;
    }
}

// What the pages do with it: load it and take the size from the bitmap.
TEST_P(PageBitmap, LoadsAsBitmap) {
    const BitmapRow& row = GetParam();
    HBITMAP bitmap = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(row.id));
    ASSERT_NE(bitmap, nullptr);
    BITMAP info{};
    EXPECT_EQ(GetObjectA(bitmap, sizeof info, &info), int(sizeof info));
    EXPECT_EQ(info.bmWidth, row.width);
    EXPECT_EQ(info.bmHeight, row.height);
    DeleteObject(bitmap);
}

INSTANTIATE_TEST_SUITE_P(Pages, PageBitmap, ::testing::ValuesIn(kBitmaps),
                         [](const auto& info) { return std::string(info.param.page); });

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colourCount, reserved;
    WORD planes, bitCount;
    DWORD bytesInRes;
    WORD id;
};
#pragma pack(pop)
static_assert(sizeof(GroupIconEntry) == 14, "GRPICONDIRENTRY is packed");

TEST(AppIcon, TwoImagesOf32PixelsAt8And24Bits) {
    EXPECT_EQ(Languages(RT_GROUP_ICON, 128), std::set<WORD>{kKorean});
    Blob group = ResourceBytes(RT_GROUP_ICON, 128, kKorean);
    ASSERT_GE(group.size, 6u);
    Reader r(group);
    EXPECT_EQ(r.U16(), 0);
    EXPECT_EQ(r.U16(), 1);  // icons, not cursors
    const uint16_t count = r.U16();
    ASSERT_EQ(count, 2);
    ASSERT_EQ(group.size, 6 + count * sizeof(GroupIconEntry));

    std::multiset<WORD> depths;
    for (uint16_t i = 0; i < count; ++i) {
        GroupIconEntry e;
        std::memcpy(&e, group.data + 6 + i * sizeof e, sizeof e);
        SCOPED_TRACE("image " + std::to_string(i));
        EXPECT_EQ(e.width, 32);
        EXPECT_EQ(e.height, 32);
        EXPECT_EQ(e.planes, 1);
        depths.insert(e.bitCount);

        Blob image = ResourceBytes(RT_ICON, e.id, kKorean);
        ASSERT_NE(image.data, nullptr);
        EXPECT_EQ(image.size, e.bytesInRes);
        ASSERT_GE(image.size, sizeof(BITMAPINFOHEADER));
        BITMAPINFOHEADER h;
        std::memcpy(&h, image.data, sizeof h);
        EXPECT_EQ(h.biWidth, 32);
        EXPECT_EQ(h.biHeight, 64);  // colour image and AND mask
        EXPECT_EQ(h.biBitCount, e.bitCount);
        const size_t palette = h.biBitCount <= 8 ? (size_t{1} << h.biBitCount) * 4 : 0;
        const size_t colourBytes = ((32 * size_t(h.biBitCount) + 31) / 32) * 4 * 32;
        const size_t maskBytes = 4 * 32;
        EXPECT_EQ(image.size, sizeof h + palette + colourBytes + maskBytes);

        HICON icon = CreateIconFromResourceEx(const_cast<PBYTE>(image.data), image.size, TRUE, 0x00030000, 32, 32,
                                              LR_DEFAULTCOLOR);
        EXPECT_NE(icon, nullptr);
        if (icon) DestroyIcon(icon);
    }
    EXPECT_EQ(depths, (std::multiset<WORD>{8, 24}));
}

TEST(Manifest, AsksForAdministratorCommonControls6AndSystemDpi) {
#ifdef _WIN64
    const char kArch[] = "processorArchitecture=\"amd64\"";
#else
    const char kArch[] = "processorArchitecture=\"x86\"";
#endif
    std::vector<std::string> names;
    EnumResourceNamesA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(24), CollectName, reinterpret_cast<LONG_PTR>(&names));
    ASSERT_EQ(names, std::vector<std::string>{"#1"});

    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(found, nullptr);
    const char* text = static_cast<const char*>(LockResource(LoadResource(module, found)));
    const std::string manifest(text, SizeofResource(module, found));
    // Vista's and 7's ids, and system DPI awareness.
    for (const char* part : {"level=\"requireAdministrator\"", "name=\"Microsoft.Windows.Common-Controls\"",
                             "version=\"6.0.0.0\"", kArch, "{e2011457-1546-43c5-a5fe-008deee3d3f0}",
                             "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "WindowsSettings\">true</dpiAware>"}) {
        EXPECT_NE(manifest.find(part), std::string::npos) << part;
    }
    // Windows 8, 8.1 and 10/11.
    for (const char* later : {"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                              "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) {
        EXPECT_EQ(manifest.find(later), std::string::npos)
            << later << ": Windows refuses display modes under 32 bits per pixel to a process whose manifest "
            << "declares Windows 8 or later, and every mode the game sets is 16-bit";
    }
}

// The loader honoured the manifest: our comctl32 import resolved to the
// side-by-side version 6 assembly. (Wine's DllGetVersion answers 5 there, so
// the assembly path is the telling part.)
TEST(Manifest, LoadsCommonControls6) {
    HMODULE comctl = nullptr;
    ASSERT_TRUE(GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                   reinterpret_cast<LPCSTR>(&InitCommonControlsEx), &comctl));
    char path[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(comctl, path, MAX_PATH), 0u);
    std::string lower(path);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    EXPECT_NE(lower.find("microsoft.windows.common-controls_6595b64144ccf1df_6."), std::string::npos) << path;
}

}  // namespace
