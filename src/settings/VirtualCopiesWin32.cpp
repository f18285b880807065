#include "settings/VirtualCopies.h"

#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <initializer_list>

#include "system/SystemLibrary.h"

namespace {

constexpr int kLocalAppData = 0x1c;  // CSIDL_LOCAL_APPDATA of shlobj.h

// `path` with %SystemRoot% and %SystemDrive% put in as the system's own
// folder has them; empty when it holds any other variable. The environment
// came from whoever started the setup, so it decides nothing here.
std::wstring Expanded(const std::wstring& path)
{
    wchar_t windows[MAX_PATH] = {};
    const UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH);
    if (!length || length >= MAX_PATH)
        return std::wstring();
    const std::wstring root(windows, length);
    std::wstring result;
    for (size_t at = 0; at < path.size();) {
        const size_t start = path.find(L'%', at);
        result += path.substr(at, start == std::wstring::npos ? std::wstring::npos : start - at);
        if (start == std::wstring::npos)
            break;
        const size_t end = path.find(L'%', start + 1);
        if (end == std::wstring::npos)
            return std::wstring();
        const std::wstring name = path.substr(start + 1, end - start - 1);
        if (CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, name.c_str(), -1, L"SystemRoot", -1) == CSTR_EQUAL)
            result += root;
        else if (CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, name.c_str(), -1, L"SystemDrive", -1) == CSTR_EQUAL)
            result += root.substr(0, 2);
        else
            return std::wstring();
        at = end + 1;
    }
    return result;
}

// A folder the system keeps under HKEY_LOCAL_MACHINE, in the 64-bit view
// where there is one (a 32-bit program's own view names the x86 program
// files folder for both).
std::vector<std::wstring> SystemSettings(const std::wstring& key, std::initializer_list<const wchar_t*> names)
{
    std::vector<std::wstring> values;
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &handle) != ERROR_SUCCESS)
        return values;
    for (const wchar_t* name : names) {
        wchar_t path[MAX_PATH + 1] = {};
        DWORD size = sizeof path - sizeof path[0];
        DWORD type = 0;
        const LONG rc = RegQueryValueExW(handle, name, nullptr, &type, reinterpret_cast<BYTE*>(path), &size);
        path[size / sizeof path[0]] = L'\0';
        if (rc == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ))
            values.push_back(type == REG_EXPAND_SZ ? Expanded(path) : std::wstring(path));
    }
    RegCloseKey(handle);
    return values;
}

std::wstring SystemSetting(const std::wstring& key, const wchar_t* name)
{
    const std::vector<std::wstring> values = SystemSettings(key, {name});
    return values.empty() ? std::wstring() : values.front();
}

const wchar_t kCurrentVersion[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const wchar_t kProfileList[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

// A token's user.
struct UserOfToken {
    BYTE data[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    PSID Sid() { return reinterpret_cast<TOKEN_USER*>(data)->User.Sid; }
};

// The user of the shell's process: the player signed in to this desktop,
// whoever the setup runs as.
bool UserOf(HANDLE token, UserOfToken& user)
{
    DWORD size = 0;
    return GetTokenInformation(token, TokenUser, user.data, sizeof user.data, &size) != FALSE;
}

bool ShellUser(UserOfToken& user)
{
    const HANDLE token = OpenShellToken(TOKEN_QUERY);
    if (!token)
        return false;
    const bool known = UserOf(token, user);
    CloseHandle(token);
    return known;
}

// Whether no account but `own` has its hive loaded below HKEY_USERS, where
// the system loads the hive of every user signed in; the system's own
// accounts and the classes hives aside. Then the session's user is `own`.
bool OnlyUserLoaded(PSID own)
{
    wchar_t* ownText = nullptr;
    if (!ConvertSidToStringSidW(own, &ownText))
        return false;
    const std::wstring self(ownText);
    LocalFree(ownText);
    bool alone = true;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        const LONG rc = RegEnumKeyExW(HKEY_USERS, i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        const std::wstring key(name, length);
        const bool system =
            CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, key.c_str(), -1, L".DEFAULT", -1) == CSTR_EQUAL ||
            key == L"S-1-5-18" || key == L"S-1-5-19" || key == L"S-1-5-20";
        const bool classes = key.size() > 8 && key.compare(key.size() - 8, 8, L"_Classes") == 0;
        if (rc != ERROR_SUCCESS || (!system && !classes && key != self)) {
            alone = false;
            break;
        }
    }
    return alone;
}

std::string Ansi(const std::wstring& text)
{
    const int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string ansi(size > 0 ? static_cast<size_t>(size) : 1, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &ansi[0], size, nullptr, nullptr);
    ansi.resize(ansi.size() - 1);
    return ansi;
}

class Win32SystemFolders : public ISystemFolders {
public:
    std::wstring FinalPath(const std::wstring& folder) override { return FinalPathOf(folder); }

    // Without the shell's libraries, which a game folder elsewhere would load
    // for nothing: kernel32 names the Windows folder, the registry the others.
    std::vector<std::wstring> ProtectedFolders() override
    {
        wchar_t windows[MAX_PATH] = {};
        const UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH);
        std::vector<std::wstring> spelt =
            SystemSettings(kCurrentVersion, {L"ProgramFilesDir", L"ProgramFilesDir (x86)", L"ProgramW6432Dir"});
        if (length && length < MAX_PATH)
            spelt.emplace_back(windows, length);
        spelt.push_back(SystemSetting(kProfileList, L"ProgramData"));
        // Each once: 64-bit Windows names its own program files folder twice.
        std::vector<std::wstring> folders;
        for (size_t i = 0; i < spelt.size(); ++i) {
            const auto earlier = spelt.begin() + static_cast<std::ptrdiff_t>(i);
            if (spelt[i].empty() || std::find(spelt.begin(), earlier, spelt[i]) != earlier)
                continue;
            const std::wstring final = FinalPathOf(spelt[i]);
            folders.push_back(final.empty() ? spelt[i] : final);
        }
        return folders;
    }

    // The user of the shell on the setup's desktop, against the account of
    // the setup's token. Where the shell's token cannot be asked and another
    // user is signed in too, the session's user as Remote Desktop Services
    // tell it (no privilege needed for the own session); that costs a
    // library, so it comes last.
    PlayerAccount Player() override
    {
        UserOfToken own;
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
            return PlayerAccount();
        const bool known = UserOf(token, own);
        CloseHandle(token);
        if (!known)
            return PlayerAccount();
        UserOfToken shell;
        if (ShellUser(shell))
            return EqualSid(shell.Sid(), own.Sid()) ? PlayerAccount() : Other(shell.Sid(), std::wstring());
        if (OnlyUserLoaded(own.Sid()))
            return PlayerAccount();
        const std::wstring user = SessionText(5 /* WTSUserName */);
        if (user.empty())
            return PlayerAccount();
        const std::wstring domain = SessionText(7 /* WTSDomainName */);
        const std::wstring account = domain.empty() ? user : domain + L"\\" + user;
        BYTE sid[SECURITY_MAX_SID_SIZE];
        DWORD sidSize = sizeof sid;
        wchar_t found[256];
        DWORD foundSize = 256;
        SID_NAME_USE use;
        if (!LookupAccountNameW(nullptr, account.c_str(), sid, &sidSize, found, &foundSize, &use) ||
            EqualSid(sid, own.Sid()))
            return PlayerAccount();
        return Other(sid, account);
    }

    std::wstring OwnLocalAppData() override
    {
        typedef HRESULT(WINAPI * GetFolderPath)(HWND, int, HANDLE, DWORD, LPWSTR);
        const GetFolderPath getFolderPath =
            LibraryFunction<GetFolderPath>(LoadSystemLibrary("shell32.dll"), "SHGetFolderPathW");
        wchar_t path[MAX_PATH] = {};
        if (!getFolderPath || getFolderPath(nullptr, kLocalAppData, nullptr, 0 /* SHGFP_TYPE_CURRENT */, path) != S_OK)
            return std::wstring();
        return path;
    }
    IRegistryApi* OwnVirtualRegistry() override { return VirtualRegistry(); }

    // The profile folder the system keeps for the account; the player can
    // change what lies below it, not where it is.
    std::wstring ProfileFolder(const std::string& sid) override
    {
        return SystemSetting(std::wstring(kProfileList) + L"\\" + std::wstring(sid.begin(), sid.end()),
                             L"ProfileImagePath");
    }
    IRegistryApi* PlayerVirtualRegistry(const std::string& sid) override { return ::PlayerVirtualRegistry(sid); }

private:
    // Another account: by its name, or the system's name for `sid`.
    static PlayerAccount Other(PSID sid, std::wstring account)
    {
        wchar_t* text = nullptr;
        if (!ConvertSidToStringSidW(sid, &text))
            return PlayerAccount();
        PlayerAccount player;
        player.other = true;
        player.sid = Ansi(text);
        LocalFree(text);
        wchar_t name[256];
        wchar_t domain[256];
        DWORD nameSize = 256;
        DWORD domainSize = 256;
        SID_NAME_USE use;
        if (account.empty() && LookupAccountSidW(nullptr, sid, name, &nameSize, domain, &domainSize, &use))
            account = std::wstring(domain) + L"\\" + name;
        player.name = account.empty() ? player.sid : Ansi(account);
        return player;
    }

    static std::wstring SessionText(int item)
    {
        typedef BOOL(WINAPI * QuerySession)(HANDLE, DWORD, int, LPWSTR*, DWORD*);
        typedef void(WINAPI * FreeMemory)(PVOID);
        static const HMODULE wts = LoadSystemLibrary("wtsapi32.dll");
        static const QuerySession query = LibraryFunction<QuerySession>(wts, "WTSQuerySessionInformationW");
        static const FreeMemory release = LibraryFunction<FreeMemory>(wts, "WTSFreeMemory");
        wchar_t* text = nullptr;
        DWORD size = 0;
        if (!query || !release ||
            !query(nullptr /* WTS_CURRENT_SERVER_HANDLE */, static_cast<DWORD>(-1) /* WTS_CURRENT_SESSION */, item,
                   &text, &size) ||
            !text)
            return std::wstring();
        const std::wstring result(text);
        release(text);
        return result;
    }
};

}  // namespace

void* OpenShellToken(unsigned long access)
{
    DWORD id = 0;
    const HWND shell = GetShellWindow();
    if (!shell || !GetWindowThreadProcessId(shell, &id) || !id)
        return nullptr;
    HANDLE process = OpenProcess(0x1000 /* PROCESS_QUERY_LIMITED_INFORMATION */, FALSE, id);
    if (!process)
        process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, id);  // XP has no limited right
    if (!process)
        return nullptr;
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, access, &token))
        token = nullptr;
    CloseHandle(process);
    return token;
}

ISystemFolders* PlatformSystemFolders()
{
    static Win32SystemFolders system;
    return &system;
}

VirtualCopies VirtualCopies::Current()
{
    return FindVirtualCopies(*PlatformSystemFolders(), CurrentFolder());
}
