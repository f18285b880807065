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

#include "resource.h"
#include "settings/Registry.h"
#include "settings/SettingNames.h"

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

struct TemplateRow {
    int id;
    const char* title;
};

const TemplateRow kTemplates[] = {{IDD_OPTION_PAGE, "Option"}, {IDD_SYSTEM_PAGE, "System"}};

class DialogTemplate : public ::testing::TestWithParam<TemplateRow> {};

TEST_P(DialogTemplate, ExistsInKoreanOnly) {
    EXPECT_EQ(Languages(RT_DIALOG, GetParam().id), std::set<WORD>{kKorean});
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

std::string ClassOf(HWND window) {
    char cls[64] = {};
    GetClassNameA(window, cls, sizeof cls);
    std::string lower(cls);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return lower;
}

// The window the platform builds from the template: every control a visible
// child inside the page, with an id of its own and a caption where it shows
// text; a combo box a list to pick from, in the order it is filled; on the
// Option page one auto check box per switch, captioned with its key.
TEST_P(DialogTemplate, BuildsAPageOfSoundControls) {
    const TemplateRow& row = GetParam();
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    ASSERT_TRUE(InitCommonControlsEx(&icc));
    Blob blob = ResourceBytes(RT_DIALOG, row.id, kKorean);
    ASSERT_GT(blob.size, 16u);
    // Built hidden: mapping a visible popup under Xvfb costs seconds.
    std::vector<uint8_t> hidden(blob.data, blob.data + blob.size);
    constexpr size_t kStyleOffset = 12;  // DLGTEMPLATEEX: version, signature, help id, extended style, style
    DWORD style;
    std::memcpy(&style, &hidden[kStyleOffset], sizeof style);
    EXPECT_TRUE(style & DS_SETFONT);
    style &= ~DWORD{WS_VISIBLE};
    std::memcpy(&hidden[kStyleOffset], &style, sizeof style);
    HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(hidden.data()),
                                             nullptr, QuietDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    char title[32] = {};
    GetWindowTextA(dialog, title, sizeof title);
    EXPECT_STREQ(title, row.title);

    RECT page;
    GetClientRect(dialog, &page);
    std::set<int> ids;
    std::set<std::string> checkBoxes;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const int id = GetDlgCtrlID(child);
        const std::string cls = ClassOf(child);
        char text[64] = {};
        GetWindowTextA(child, text, sizeof text);
        SCOPED_TRACE("control " + std::to_string(id) + " " + text);
        EXPECT_TRUE(GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE);
        RECT place;
        GetWindowRect(child, &place);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
        EXPECT_TRUE(place.left >= 0 && place.top >= 0 && place.right <= page.right && place.bottom <= page.bottom &&
                    place.right > place.left && place.bottom > place.top)
            << "outside the page";
        if (static_cast<uint16_t>(id) != 0xFFFF)
            EXPECT_TRUE(ids.insert(id).second) << "the id is used twice";
        if (cls == "button" || cls == "static")
            EXPECT_STRNE(text, "") << "no caption";
        if (cls == "button" && (GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK) == BS_AUTOCHECKBOX)
            checkBoxes.insert(text);
        if (cls == "combobox")
            EXPECT_EQ(GetWindowLongA(child, GWL_STYLE) & (0x3 | CBS_SORT), CBS_DROPDOWNLIST);
    }
    if (row.id == IDD_OPTION_PAGE) {
        InitSettingNames();
        std::set<std::string> keys;
        for (int k = 0; k < kCommandCount; ++k)
            keys.insert(GetSettingName(kNameFirstCommandTip + k));
        EXPECT_EQ(keys, checkBoxes);
    }
    DestroyWindow(dialog);
}

INSTANTIATE_TEST_SUITE_P(Pages, DialogTemplate, ::testing::ValuesIn(kTemplates),
                         [](const auto& info) { return std::string(info.param.title); });

// The icon Explorer and the UAC prompt show, at the size they ask for.
TEST(AppIcon, LoadsAt32Pixels) {
    EXPECT_EQ(Languages(RT_GROUP_ICON, IDI_APP_ICON), std::set<WORD>{kKorean});
    HICON icon = static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP_ICON), IMAGE_ICON, 32, 32, 0));
    ASSERT_NE(icon, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP colour{};
    GetObjectA(info.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(colour.bmWidth, 32);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
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
