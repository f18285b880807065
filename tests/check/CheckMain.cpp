// KestruneSetupCheck: whether what the tool assumes about Windows holds on
// the machine it runs on, tried with the tool's own code in a game folder and
// registry keys of the check's own. Each check ends on one verdict line; the
// report goes to the console and to KestruneSetupCheck.txt beside the program.
// What it made is removed at the end, and at the start what a killed run left.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/SetupApp.h"
#include "common/FileOps.h"
#include "display/DeviceTable.h"
#include "display/DisplaySource.h"
#include "script/LuaHost.h"
#include "settings/Registry.h"
#include "settings/RegistryApi.h"
#include "settings/RegistryStore.h"
#include "settings/Sequence.h"
#include "settings/VirtualCopies.h"
#include "support/TempDir.h"
#include "support/UsersAccess.h"
#include "system/SystemLibrary.h"

namespace fs = std::filesystem;

namespace {

// Below HKLM\Software, in its virtual copy, and below the program files folder.
const char kOwnKey[] = "KestruneSetupCheck";

class Report {
public:
    void Line(const std::string& text)
    {
        std::printf("%s\n", text.c_str());
        std::fflush(stdout);
        m_text += text + "\r\n";
    }
    void AsAssumed(const std::string& check) { Verdict(check, "as assumed"), ++passed; }
    void Differs(const std::string& check, const std::string& seen) { Verdict(check, "differs: " + seen), ++failed; }
    void NotTried(const std::string& check, const std::string& why) { Verdict(check, "not tried here: " + why); }
    void Save(const fs::path& file) const { std::ofstream(file, std::ios::binary) << m_text; }

    int passed = 0;
    int failed = 0;

private:
    void Verdict(const std::string& check, const std::string& verdict) { Line(check + ": " + verdict); }
    std::string m_text;
};

std::string Narrow(const std::wstring& text)
{
    std::string narrow;
    for (wchar_t c : text)
        narrow += c < 0x80 ? static_cast<char>(c) : '?';
    return narrow;
}

fs::path OwnFolder()
{
    return CSetupApp::OwnFolder();
}

// --- what the report starts with --------------------------------------------
std::string WindowsVersion()
{
    struct VersionInfo {
        ULONG size, major, minor, build, platform;
        WCHAR servicePack[128];
    } info = {sizeof info, 0, 0, 0, 0, {}};
    typedef LONG(WINAPI * GetVersion)(VersionInfo*);
    const GetVersion get = LibraryFunction<GetVersion>(GetModuleHandleA("ntdll.dll"), "RtlGetVersion");
    if (!get || get(&info) != 0)
        return "unknown";
    return std::to_string(info.major) + "." + std::to_string(info.minor) + "." + std::to_string(info.build) +
           (info.servicePack[0] ? " " + Narrow(info.servicePack) : "");
}

std::string FileVersion(const char* library)
{
    typedef DWORD(WINAPI * InfoSize)(LPCSTR, LPDWORD);
    typedef BOOL(WINAPI * Info)(LPCSTR, DWORD, DWORD, LPVOID);
    typedef BOOL(WINAPI * Query)(LPCVOID, LPCSTR, LPVOID*, PUINT);
    const HMODULE version = LoadSystemLibrary("version.dll");
    const InfoSize infoSize = LibraryFunction<InfoSize>(version, "GetFileVersionInfoSizeA");
    const Info info = LibraryFunction<Info>(version, "GetFileVersionInfoA");
    const Query query = LibraryFunction<Query>(version, "VerQueryValueA");
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string path = std::string(system) + "\\" + library;
    DWORD ignored = 0;
    const DWORD size = infoSize ? infoSize(path.c_str(), &ignored) : 0;
    std::vector<char> data(size ? size : 1);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!size || !info(path.c_str(), 0, size, data.data()) ||
        !query(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed)
        return "unknown";
    return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS)) +
           "." + std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionLS));
}

std::string CommonControlsVersion()
{
    struct DllVersion {
        DWORD size, major, minor, build, platform;
    } info = {sizeof info, 0, 0, 0, 0};
    typedef HRESULT(CALLBACK * GetVersion)(DllVersion*);
    const HMODULE controls = LoadCommonControlsLibrary();
    const GetVersion get = LibraryFunction<GetVersion>(controls, "DllGetVersion");
    if (!get || get(&info) != S_OK)
        return "unknown";
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(controls, path, MAX_PATH);
    // The side-by-side folder's name tells version 6 from the system folder's 5.
    return std::to_string(info.major) + "." + std::to_string(info.minor) + "." + std::to_string(info.build) +
           " (" + Narrow(fs::path(path).parent_path().filename().wstring()) + ")";
}

// The CodeView signature the linker wrote, as the release script prints it.
std::string BuildId()
{
    const auto* base = reinterpret_cast<const unsigned char*>(GetModuleHandleA(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_DEBUG];
    const auto* entries = reinterpret_cast<const IMAGE_DEBUG_DIRECTORY*>(base + directory.VirtualAddress);
    for (DWORD i = 0; directory.VirtualAddress && i < directory.Size / sizeof *entries; ++i) {
        const unsigned char* data = base + entries[i].AddressOfRawData;
        if (entries[i].Type != IMAGE_DEBUG_TYPE_CODEVIEW || entries[i].SizeOfData < 20 || !entries[i].AddressOfRawData ||
            std::string(reinterpret_cast<const char*>(data), 4) != "RSDS")
            continue;
        GUID signature;
        std::memcpy(&signature, data + 4, sizeof signature);
        char id[40];
        std::snprintf(id, sizeof id, "%08lx%04x%04x", static_cast<unsigned long>(signature.Data1), signature.Data2,
                      signature.Data3);
        for (int b = 0; b < 8; ++b)
            std::snprintf(id + 16 + 2 * b, 3, "%02x", signature.Data4[b]);
        return id;
    }
    return "none";
}

// --- the check's own places --------------------------------------------------
// A key and all below it, in the view `view`.
void RemoveKeyTree(HKEY root, const std::string& path, REGSAM view)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return;
    char name[256];
    for (DWORD length = sizeof name; RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) ==
                                     ERROR_SUCCESS;
         length = sizeof name) {
        const std::string child = path + "\\" + name;
        RemoveKeyTree(root, child, view);
        HKEY left = nullptr;
        if (RegOpenKeyExA(root, child.c_str(), 0, KEY_READ | view, &left) == ERROR_SUCCESS) {
            RegCloseKey(left);
            break;  // it could not be removed: stop rather than loop
        }
    }
    RegCloseKey(key);
    typedef LONG(WINAPI * DeleteKeyEx)(HKEY, LPCSTR, REGSAM, DWORD);
    const DeleteKeyEx deleteKeyEx = LibraryFunction<DeleteKeyEx>(GetModuleHandleA("advapi32.dll"), "RegDeleteKeyExA");
    if (!deleteKeyEx || deleteKeyEx(root, path.c_str(), view, 0) != ERROR_SUCCESS)
        RegDeleteKeyA(root, path.c_str());
}

fs::path ProgramFilesFolder()
{
    wchar_t path[MAX_PATH] = {};
    // A 32-bit program's own: the x86 folder on 64-bit Windows.
    if (SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, path) != S_OK)
        return fs::path();
    return path;
}

// The game folder the check makes, and the player's copies the tool reads
// for it, with the registry copies in keys of the check's own.
class CheckPlaces : public ISystemFolders {
public:
    CheckPlaces() : m_system(PlatformSystemFolders()), m_real(RegistryBelow(kOwnKey, false)),
                    m_virtual(RegistryBelow(kOwnKey, true)) {}

    fs::path game = ProgramFilesFolder().empty() ? fs::path() : ProgramFilesFolder() / kOwnKey;
    IRegistryApi& Real() { return *m_real; }
    IRegistryApi& Virtual() { return *m_virtual; }
    VirtualCopies Copies() { return FindVirtualCopies(*this, game.wstring()); }

    // Everything a run of the check makes; what the game has is never touched.
    void RemoveAll()
    {
        const VirtualCopies copies = Copies();
        std::error_code ec;
        if (copies.Protected())
            fs::remove_all(fs::path(copies.anchor) / copies.mirror, ec);
        if (!game.empty())
            fs::remove_all(game, ec);
        RemoveKeyTree(HKEY_LOCAL_MACHINE, std::string("Software\\") + kOwnKey, 0);
        const bool wow64 = RunsUnderWow64();
        RemoveKeyTree(HKEY_CURRENT_USER,
                      std::string("Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE\\") +
                          (wow64 ? "WOW6432Node\\" : "") + kOwnKey,
                      wow64 ? KEY_WOW64_64KEY : 0);
    }

    std::wstring FinalPath(const std::wstring& folder) override { return m_system->FinalPath(folder); }
    std::vector<std::wstring> ProtectedFolders() override { return m_system->ProtectedFolders(); }
    PlayerAccount Player() override { return m_system->Player(); }
    std::wstring OwnLocalAppData() override { return m_system->OwnLocalAppData(); }
    IRegistryApi* OwnVirtualRegistry() override { return m_virtual.get(); }
    std::wstring ProfileFolder(const std::string& sid) override { return m_system->ProfileFolder(sid); }
    // Another player's keys are the game's: the check leaves them alone.
    IRegistryApi* PlayerVirtualRegistry(const std::string&) override { return nullptr; }

private:
    ISystemFolders* m_system;
    std::unique_ptr<IRegistryApi> m_real;
    std::unique_ptr<IRegistryApi> m_virtual;
};

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// --- the checks --------------------------------------------------------------
void CheckAccount(Report& report, CheckPlaces& places)
{
    const PlayerAccount player = places.Player();
    if (!player.other) {
        report.NotTried("account", "one user: the player signed in is the account the check runs as");
        return;
    }
    report.Line("  the player signed in: " + player.name + " (" + player.sid + ")");
    const std::wstring profile = places.ProfileFolder(player.sid);
    if (profile.empty())
        report.Differs("account", "the profile folder of " + player.name + " is not known");
    else if (!::PlayerVirtualRegistry(player.sid))
        report.Differs("account", "the registry of " + player.name + " is not loaded");
    else
        report.AsAssumed("account");
}

void CheckDisplayModes(Report& report)
{
    EnumerateDisplayDevices(DisplaySeam::Current(), AcceptAllDevices);
    const DeviceEntry* table = GetDeviceTable();
    std::string lacking;
    for (uint32_t i = 0; i < GetStoredDeviceCount(); ++i) {
        uint32_t bits16 = 0;
        uint32_t bits32 = 0;
        for (uint32_t m = 0; m < table[i].modeCount; ++m) {
            bits16 += table[i].modes[m].ddpfPixelFormat.dwRGBBitCount == 16;
            bits32 += table[i].modes[m].ddpfPixelFormat.dwRGBBitCount == 32;
        }
        report.Line("  " + std::string(table[i].name) + ": " + std::to_string(bits16) + " 16-bit and " +
                    std::to_string(bits32) + " 32-bit modes");
        if (bits32 > 0 && bits16 == 0)
            lacking += (lacking.empty() ? "" : ", ") + std::string(table[i].name);
    }
    const uint32_t devices = GetStoredDeviceCount();
    ReleaseDisplayModes();
    if (devices == 0)
        report.NotTried("display modes", "no Direct3D device");
    else if (!lacking.empty())
        report.Differs("display modes", "no 16-bit mode on " + lacking + ", which has 32-bit ones");
    else
        report.AsAssumed("display modes");
}

// Why this process could not start a program that Windows virtualizes, or
// empty: it must run elevated from a split token whose unelevated half is
// virtualized.
std::string NoVirtualization()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return "the check's own token cannot be read";
    DWORD type = 0;
    DWORD size = 0;
    HANDLE linked = nullptr;
    const bool split = GetTokenInformation(token, static_cast<TOKEN_INFORMATION_CLASS>(18) /* TokenElevationType */,
                                           &type, sizeof type, &size) &&
                       type == 2 /* TokenElevationTypeFull */ &&
                       GetTokenInformation(token, static_cast<TOKEN_INFORMATION_CLASS>(19) /* TokenLinkedToken */,
                                           &linked, sizeof linked, &size);
    CloseHandle(token);
    if (!split)
        return "the check does not run elevated from a split token (UAC off, or no administrator)";
    DWORD allowed = 0;
    const bool asked = GetTokenInformation(linked, static_cast<TOKEN_INFORMATION_CLASS>(23) /* TokenVirtualizationAllowed */,
                                           &allowed, sizeof allowed, &size);
    CloseHandle(linked);
    if (!asked || !allowed)
        return "no virtualization: the system does not virtualize the unelevated token's legacy programs";
    return std::string();
}

// Starts the carried legacy program in `folder` without elevation, with the
// token of the shell on this desktop (CreateProcessWithTokenW), and waits.
std::string RunLegacy(const fs::path& folder, const std::string& line)
{
    HMODULE self = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(self, "LEGACY", MAKEINTRESOURCEA(10) /* RT_RCDATA */);
    if (!found)
        return "the legacy program is not carried";
    const fs::path exe = folder / "CheckLegacy.exe";
    std::ofstream(exe, std::ios::binary)
        .write(static_cast<const char*>(LockResource(LoadResource(self, found))), SizeofResource(self, found));
    const HANDLE shellToken = OpenShellToken(TOKEN_DUPLICATE | TOKEN_QUERY);
    if (!shellToken)
        return "no shell on this desktop to start it from";
    HANDLE token = nullptr;
    const BOOL duplicated = DuplicateTokenEx(shellToken, TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY |
                                                             TOKEN_ADJUST_DEFAULT | TOKEN_ADJUST_SESSIONID,
                                             nullptr, SecurityImpersonation, TokenPrimary, &token);
    const DWORD error = GetLastError();
    CloseHandle(shellToken);
    if (!duplicated)
        return "the shell's token could not be had (error " + std::to_string(error) + ")";
    typedef BOOL(WINAPI * WithToken)(HANDLE, DWORD, LPCWSTR, LPWSTR, DWORD, LPVOID, LPCWSTR, LPSTARTUPINFOW,
                                     LPPROCESS_INFORMATION);
    const WithToken withToken =
        LibraryFunction<WithToken>(GetModuleHandleA("advapi32.dll"), "CreateProcessWithTokenW");
    std::wstring command = L"\"" + exe.wstring() + L"\" \"" + std::wstring(line.begin(), line.end()) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    const BOOL started = withToken && withToken(token, 0, exe.wstring().c_str(), &command[0], CREATE_NO_WINDOW, nullptr,
                                                folder.wstring().c_str(), &startup, &process);
    const DWORD startError = GetLastError();
    CloseHandle(token);
    if (!started)
        return "it could not be started without elevation (error " + std::to_string(startError) + ")";
    const DWORD waited = WaitForSingleObject(process.hProcess, 30000);
    DWORD code = 1;
    if (waited != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 1);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return waited != WAIT_OBJECT_0 ? "it did not end within 30 s" : code ? "it ended with " + std::to_string(code) : "";
}

bool HasValue(IRegistryApi& registry, const char* name)
{
    RegKey key = 0;
    if (registry.OpenKey(kSettingsKey, kKeyQueryValue, &key) != kRegSuccess)
        return false;
    uint32_t size = 0;
    const bool there = registry.QueryValue(key, name, nullptr, nullptr, &size) == kRegSuccess;
    registry.CloseKey(key);
    return there;
}

class NoDrivers : public DisplayDriverSource {
public:
    void EnumerateDrivers(DisplayEnumeration*) override {}
    DisplayDriver* Open(const GUID*) override { return nullptr; }
};

// The tool's start-up in the check's game folder, and, with a record, its
// confirmed save; what the box after the sheet would say, or why not.
std::string StartAndSave(CheckPlaces& places, const VirtualCopies& copies, bool expectCopies)
{
    if (!SetCurrentDirectoryW(places.game.wstring().c_str()))
        return "the game folder could not be entered";
    NoDrivers none;
    const SetupParts parts{places.Real(), FileSeam::Current(), none, CLuaHost::Instance(), copies};
    CRegistry* record = StartUp(parts);
    std::string seen;
    if (!record)
        seen = "no settings record";
    else if (expectCopies && (record->bgmVolume != 33 || record->soundMode != 0 ||
                              record->preservedLines != std::vector<std::string>{"CheckLine = 1"}))
        seen = "the tool's start-up did not read the game's copies";
    else
        seen = FailedSaveText(SaveConfirmed(*record, parts));
    ShutDown();
    SetCurrentDirectoryW(OwnFolder().wstring().c_str());
    return seen;
}

// A game folder under the program files folder with the example scripts.
std::string MakeGameFolder(CheckPlaces& places)
{
    std::error_code ec;
    // savedata as the game's installer makes it: the tool never makes it.
    if (places.game.empty() || !fs::create_directories(places.game / "System" / "LuaFiles514", ec) ||
        !fs::create_directories(places.game / "savedata", ec))
        return "the game folder under the program files folder could not be made";
    std::ofstream(places.game / "System" / "LuaFiles514" / "OptionInfo.lua", std::ios::binary) << EmbeddedFile("OPTIONINFO");
    std::ofstream(places.game / "System" / "LuaFiles514" / "MsgString.lua", std::ios::binary) << EmbeddedFile("MSGSTRING");
    return std::string();
}

// A legacy program's writes land in the player's VirtualStore; the tool's
// start-up reads them, its save removes them, and the same program then
// writes the real file.
void CheckVirtualization(Report& report, CheckPlaces& places)
{
    const char* const check = "virtualization";
    const std::string none = NoVirtualization();
    if (!none.empty())
        return report.NotTried(check, none);
    if (places.Player().other)
        return report.NotTried(check, "the player signed in is another account, whose keys the check leaves alone");
    const VirtualCopies copies = places.Copies();
    if (!copies.Protected())
        return report.Differs(check, "the tool takes " + Narrow(places.game.wstring()) + " for no protected folder");
    const fs::path copy = fs::path(copies.anchor) / copies.mirror / "savedata" / "OptionInfo.lua";
    const fs::path real = places.game / "savedata" / "OptionInfo.lua";
    std::string seen = RunLegacy(places.game, "CheckLine = 1");
    if (seen.empty() && fs::exists(real))
        seen = "the legacy program's file landed in the game folder, not in VirtualStore";
    else if (seen.empty() && !fs::exists(copy))
        seen = "no copy at " + Narrow(copy.wstring());
    else if (seen.empty() && (!HasValue(places.Virtual(), "SOUNDMODE") || HasValue(places.Real(), "SOUNDMODE")))
        seen = "the legacy program's value is not in the virtual key alone";
    if (seen.empty())
        seen = StartAndSave(places, copies, true);
    if (seen.empty() && (fs::exists(copy) || HasValue(places.Virtual(), "SOUNDMODE")))
        seen = "the tool's save left a copy";
    if (seen.empty())
        seen = RunLegacy(places.game, "CheckLine = 2");
    if (seen.empty() && (fs::exists(copy) || ReadText(real).rfind("CheckLine = 2", 0) != 0))
        seen = "after the save the legacy program did not write the real file";
    seen.empty() ? report.AsAssumed(check) : report.Differs(check, seen);
}

std::string AccountName(PSID sid)
{
    wchar_t name[256];
    wchar_t domain[256];
    DWORD nameSize = 256;
    DWORD domainSize = 256;
    SID_NAME_USE use;
    if (LookupAccountSidW(nullptr, sid, name, &nameSize, domain, &domainSize, &use))
        return Narrow(domainSize > 1 ? std::wstring(domain) + L"\\" + name : std::wstring(name));
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(sid, &text))
        return "?";
    const std::string result = Narrow(text);
    LocalFree(text);
    return result;
}

// The entries of `path`'s access list, and its mandatory label, as lines.
std::vector<std::string> AccessList(const fs::path& path)
{
    PACL dacl = nullptr;
    PACL sacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    std::wstring name = path.wstring();
    // A label needs Vista; XP is asked for the list alone.
    DWORD rc = GetNamedSecurityInfoW(&name[0], SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | 0x10 /* LABEL_SECURITY_INFORMATION */,
                                     nullptr, nullptr, &dacl, &sacl, &descriptor);
    if (rc != ERROR_SUCCESS)
        rc = GetNamedSecurityInfoW(&name[0], SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                   nullptr, &descriptor);
    if (rc != ERROR_SUCCESS)
        return {"its access list could not be read (error " + std::to_string(rc) + ")"};
    std::vector<std::string> lines;
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (!GetAce(dacl, i, reinterpret_cast<void**>(&ace)))
            continue;
        char mask[16];
        std::snprintf(mask, sizeof mask, "0x%08lX", static_cast<unsigned long>(ace->Mask));
        const BYTE flags = ace->Header.AceFlags;
        lines.push_back(std::string(ace->Header.AceType == ACCESS_DENIED_ACE_TYPE ? "deny " : "allow ") +
                        AccountName(&ace->SidStart) + " " + mask + (flags & INHERITED_ACE ? " inherited" : "") +
                        (flags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE) ? " passed on" : ""));
    }
    bool labelled = false;
    for (DWORD i = 0; sacl && i < sacl->AceCount; ++i) {
        ACE_HEADER* header = nullptr;
        if (GetAce(sacl, i, reinterpret_cast<void**>(&header)) && header->AceType == 0x11 /* SYSTEM_MANDATORY_LABEL_ACE_TYPE */) {
            lines.push_back("mandatory label " + AccountName(&reinterpret_cast<ACCESS_ALLOWED_ACE*>(header)->SidStart));
            labelled = true;
        }
    }
    if (!labelled)
        lines.push_back("no mandatory label");
    LocalFree(descriptor);
    return lines;
}

// What the save leaves on savedata and the option file in a protected game
// folder: the Users group may change both, the file through inheritance.
void CheckRights(Report& report, CheckPlaces& places)
{
    const char* const check = "rights";
    const fs::path savedata = places.game / "savedata";
    const fs::path file = savedata / "OptionInfo.lua";
    if (!fs::exists(file)) {
        const std::string told = StartAndSave(places, places.Copies(), false);
        if (!told.empty() || !fs::exists(file))
            return report.Differs(check, "the tool's save told: " + (told.empty() ? "nothing, yet left no file" : told));
    }
    if (!SystemKeepsAccessLists())
        return report.NotTried(check, "no access lists: one set on a scratch folder does not read back");
    for (const fs::path& path : {savedata, file}) {
        report.Line("  " + Narrow(path.wstring()) + ":");
        for (const std::string& line : AccessList(path))
            report.Line("    " + line);
    }
    if (!UsersMayModify(Narrow(savedata.wstring()).c_str()))
        return report.Differs(check, "savedata does not let the Users group change it and what is made in it");
    report.AsAssumed(check);
}

// Each test's result, for the verdicts taken from the window suites.
class Results : public ::testing::EmptyTestEventListener {
public:
    void OnTestEnd(const ::testing::TestInfo& test) override
    {
        const std::string name = std::string(test.test_suite_name()) + "." + test.name();
        (test.result()->Passed() || test.result()->Skipped() ? passed : failed).push_back(name);
    }
    std::vector<std::string> passed;
    std::vector<std::string> failed;
};

bool Passed(const Results& results, const std::string& name)
{
    return std::find(results.passed.begin(), results.passed.end(), name) != results.passed.end();
}

}  // namespace

int main(int argc, char** argv)
{
    RestrictLibrarySearch(GetModuleHandleA("kernel32.dll"));
    Report report;
    report.Line("Kestrune Setup check, build " + BuildId());
    report.Line("Windows " + WindowsVersion() + ", DirectDraw " + FileVersion("ddraw.dll") + ", comctl32 " +
                CommonControlsVersion());
    CheckPlaces places;
    places.RemoveAll();  // what a killed run left
    CheckAccount(report, places);
    CheckDisplayModes(report);
    const std::string made = MakeGameFolder(places);
    if (made.empty()) {
        CheckVirtualization(report, places);
        CheckRights(report, places);
    } else {
        report.Differs("virtualization", made);
        report.Differs("rights", made);
    }
    places.RemoveAll();

    // The window suites of the test program, on the tool's own sheet and pages.
    std::vector<char*> arguments(argv, argv + argc);
    char brief[] = "--gtest_brief=1";
    arguments.insert(arguments.begin() + 1, brief);
    int count = static_cast<int>(arguments.size());
    ::testing::InitGoogleTest(&count, arguments.data());
    Results* results = new Results;
    ::testing::UnitTest::GetInstance()->listeners().Append(results);
    const int ran = RUN_ALL_TESTS();
    static_cast<void>(ran);
    Passed(*results, "SheetTest.ButtonRowIsOkCancelDefault")
        ? report.AsAssumed("sheet")
        : report.Differs("sheet", "DEFAULT does not stand beside OK and CANCEL, inside the sheet, visible and enabled");
    std::string failedTests;
    for (const std::string& name : results->failed)
        failedTests += (failedTests.empty() ? "" : ", ") + name;
    failedTests.empty() ? report.AsAssumed("window tests (" + std::to_string(results->passed.size()) + ")")
                        : report.Differs("window tests", failedTests);

    report.Line(std::to_string(report.passed) + " passed, " + std::to_string(report.failed) + " failed");
    report.Save(OwnFolder() / "KestruneSetupCheck.txt");
    return report.failed ? 1 : 0;
}
