#include "common/FileOps.h"

#include <windows.h>
#include <aclapi.h>

#include <string>

#include "system/SystemLibrary.h"

namespace {

// A system function looked up at run time: the executable imports none
// beyond what every Windows it runs on has.
template <typename Function>
Function SystemFunction(const char* module, const char* name)
{
    return LibraryFunction<Function>(GetModuleHandleA(module), name);
}

// What `handle` leads to, after links, junctions and mount points; empty when
// the system cannot tell. Windows before Vista lacks GetFinalPathNameByHandleW
// and gives the object manager's name instead, which is resolved too (both
// sides of a comparison come from one of them).
std::wstring FinalPath(HANDLE handle)
{
    typedef DWORD(WINAPI * FinalPathName)(HANDLE, LPWSTR, DWORD, DWORD);
    typedef LONG(WINAPI * QueryObject)(HANDLE, int, void*, ULONG, ULONG*);
    static const FinalPathName finalPathName = SystemFunction<FinalPathName>("kernel32.dll", "GetFinalPathNameByHandleW");
    static const QueryObject queryObject = SystemFunction<QueryObject>("ntdll.dll", "NtQueryObject");
    constexpr DWORD kLength = 1024;
    if (finalPathName) {
        // Normalized, with its drive letter; a volume that has none gives its
        // device name instead (as the folder does when it lies on one).
        WCHAR path[kLength];
        for (DWORD volumeName : {0x0 /* VOLUME_NAME_DOS */, 0x2 /* VOLUME_NAME_NT */}) {
            const DWORD length = finalPathName(handle, path, kLength, volumeName);
            if (length > 0 && length < kLength)
                return std::wstring(path, length);
        }
        return std::wstring();
    }
    struct {  // OBJECT_NAME_INFORMATION
        USHORT length;
        USHORT maximumLength;
        WCHAR* buffer;
        WCHAR text[kLength];
    } name;
    ULONG used = 0;
    if (!queryObject || queryObject(handle, 1 /* ObjectNameInformation */, &name, sizeof name, &used) < 0 ||
        !name.buffer)
        return std::wstring();
    return std::wstring(name.buffer, name.length / sizeof(WCHAR));
}

// Paths compared as the file system compares names: without regard to case.
std::wstring Upper(const std::wstring& text)
{
    std::wstring upper(text);
    if (!text.empty())
        LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, text.data(), static_cast<int>(text.size()), &upper[0],
                     static_cast<int>(upper.size()));
    return upper;
}

}  // namespace

std::wstring FinalPathOf(const std::wstring& path)
{
    const HANDLE handle = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return std::wstring();
    const std::wstring final = FinalPath(handle);
    CloseHandle(handle);
    return final;
}

namespace {

// Done when what `handle` leads to lies in the game folder, the current
// directory, or is that folder ("C:\game2" does not lie in "C:\game");
// refused otherwise, or when the system cannot say where either leads.
Outcome InGameFolder(HANDLE handle)
{
    const std::wstring folder = Upper(FinalPathOf(L"."));
    const std::wstring path = Upper(FinalPath(handle));
    if (folder.empty() || path.empty())
        return Outcome::Refused(Outcome::kUnchecked);
    const bool inside = path.compare(0, folder.size(), folder) == 0 &&
                        (path.size() == folder.size() || folder.back() == L'\\' || path[folder.size()] == L'\\');
    return inside ? Outcome::Done() : Outcome::Refused(Outcome::kOutside);
}

// The handle's own information of class `infoClass` (NtQueryInformationFile):
// GetFileInformationByHandle asks the volume too, which under Wine is a
// request to its mount manager.
bool QueryFile(HANDLE handle, void* info, ULONG size, int infoClass)
{
    typedef LONG(WINAPI * QueryInformationFile)(HANDLE, void*, void*, ULONG, int);
    static const QueryInformationFile query = SystemFunction<QueryInformationFile>("ntdll.dll", "NtQueryInformationFile");
    struct {  // IO_STATUS_BLOCK
        LONG status;
        ULONG_PTR information;
    } io{};
    return query && query(handle, &io, info, size, infoClass) >= 0;
}

// Done for a regular file with one name in the game folder, checked on the
// open handle so a link swapped in before the open is caught: a link or
// junction out of the folder, a second name of a file elsewhere, a pipe or a
// device is never read or replaced.
Outcome PlainFileInGameFolder(HANDLE file)
{
    struct {  // FILE_STANDARD_INFORMATION
        LARGE_INTEGER allocationSize;
        LARGE_INTEGER endOfFile;
        ULONG numberOfLinks;
        BOOLEAN deletePending;
        BOOLEAN directory;
    } info{};
    const DWORD type = GetFileType(file);
    if (type == FILE_TYPE_UNKNOWN && GetLastError() != NO_ERROR)
        return Outcome::Refused(Outcome::kUnchecked);
    if (type != FILE_TYPE_DISK)
        return Outcome::Refused(Outcome::kNotFile);
    if (!QueryFile(file, &info, sizeof info, 5 /* FileStandardInformation */))
        return Outcome::Refused(Outcome::kUnchecked);
    if (info.directory)
        return Outcome::Refused(Outcome::kNotFile);
    if (info.numberOfLinks != 1)
        return Outcome::Refused(Outcome::kMoreNames);
    return InGameFolder(file);
}

// The folder that holds `path`.
std::string FolderOf(const std::string& path)
{
    const size_t cut = path.find_last_of("\\/");
    if (cut == std::string::npos)
        return ".";
    return path.substr(0, cut == 0 || path[cut - 1] == ':' ? cut + 1 : cut);
}

// The code GetLastError() gives, never 0: a call that fails without setting
// one still fails.
Outcome LastError()
{
    const DWORD error = GetLastError();
    return Outcome::Failed(error ? error : ERROR_GEN_FAILURE);
}

// A folder held open while the tool works in it, when it lies in the game
// folder: nothing is created, renamed, removed or listed in a folder a link
// or junction leads out to. Held without FILE_SHARE_DELETE, it cannot be
// renamed or removed meanwhile, so a link swapped in for it cannot redirect
// the work.
class HeldFolder {
public:
    explicit HeldFolder(const std::string& folder)
        : m_folder(CreateFileA(folder.c_str(), FILE_TRAVERSE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr))
    {
        if (m_folder == INVALID_HANDLE_VALUE) {
            m_status = LastError();
        } else if (const Outcome placed = InGameFolder(m_folder); !placed) {
            CloseHandle(m_folder);
            m_folder = INVALID_HANDLE_VALUE;
            m_status = placed;
        }
    }
    ~HeldFolder()
    {
        if (m_folder != INVALID_HANDLE_VALUE)
            CloseHandle(m_folder);
    }
    HeldFolder(const HeldFolder&) = delete;
    HeldFolder& operator=(const HeldFolder&) = delete;
    explicit operator bool() const { return m_folder != INVALID_HANDLE_VALUE; }
    // Why the folder is not held.
    Outcome Status() const { return m_status; }

private:
    HANDLE m_folder;
    Outcome m_status;
};

// Done for a folder that is no link, junction or mount point and lies in the
// game folder.
Outcome RealFolderInGameFolder(HANDLE folder)
{
    struct {  // FILE_BASIC_INFORMATION: 40 bytes on every width; i686 gcc aligns its 64-bit fields to 4 only
        LARGE_INTEGER times[4];
        ULONG attributes;
        ULONG padding;
    } info{};
    static_assert(sizeof info == 40, "the system writes FILE_BASIC_INFORMATION whole");
    if (!QueryFile(folder, &info, sizeof info, 4 /* FileBasicInformation */))
        return Outcome::Refused(Outcome::kUnchecked);
    if (info.attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return Outcome::Refused(Outcome::kOutside);
    if (!(info.attributes & FILE_ATTRIBUTE_DIRECTORY))
        return Outcome::Refused(Outcome::kNotFile);
    return InGameFolder(folder);
}

// Adds to the folder's own access list an entry that lets the local Users
// group (S-1-5-32-545) modify it and inherit that to what is made in it: read,
// write, execute and delete, the rights icacls calls "M". Set on this folder
// alone: propagating to what it holds now would walk its entries by name.
Outcome GrantUsersModify(HANDLE folder)
{
    PACL current = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    DWORD rc = GetSecurityInfo(folder, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &current,
                               nullptr, &descriptor);
    if (rc != ERROR_SUCCESS)
        return Outcome::Failed(rc);
    if (!current) {
        LocalFree(descriptor);
        return Outcome::Done();  // no access list: everyone may do everything already
    }
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(descriptor, &control, &revision);

    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID users = nullptr;
    PACL granted = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0, 0, 0, 0, 0, 0, &users)) {
        LocalFree(descriptor);
        return LastError();
    }
    EXPLICIT_ACCESS_W entry = {};
    entry.grfAccessPermissions = FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE | DELETE;
    entry.grfAccessMode = GRANT_ACCESS;
    entry.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
    entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    entry.Trustee.TrusteeType = TRUSTEE_IS_GROUP;
    entry.Trustee.ptstrName = static_cast<LPWSTR>(users);
    rc = SetEntriesInAclW(1, &entry, current, &granted);
    if (rc == ERROR_SUCCESS) {
        SECURITY_DESCRIPTOR updated;
        InitializeSecurityDescriptor(&updated, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&updated, TRUE, granted, FALSE);
        // Entries it inherits stay marked as inherited.
        SetSecurityDescriptorControl(&updated, SE_DACL_AUTO_INHERITED | SE_DACL_PROTECTED,
                                     control & (SE_DACL_AUTO_INHERITED | SE_DACL_PROTECTED));
        rc = SetKernelObjectSecurity(folder, DACL_SECURITY_INFORMATION, &updated) ? ERROR_SUCCESS : GetLastError();
        LocalFree(granted);
    }
    FreeSid(users);
    LocalFree(descriptor);
    return rc == ERROR_SUCCESS ? Outcome::Done() : Outcome::Failed(rc ? rc : ERROR_GEN_FAILURE);
}

// A plain file in the game folder, opened with `access`, sharing deletion
// too, so a read never stops another copy's save; kMissing when it or its
// folder does not exist.
Outcome OpenPlainFile(const std::string& path, DWORD access, HANDLE& file)
{
    file = CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const Outcome failed = LastError();
        const bool missing = failed.code == ERROR_FILE_NOT_FOUND || failed.code == ERROR_PATH_NOT_FOUND;
        return missing ? Outcome::Missing(failed.code) : failed;
    }
    const Outcome plain = PlainFileInGameFolder(file);
    if (!plain) {
        CloseHandle(file);
        file = INVALID_HANDLE_VALUE;
    }
    return plain;
}

class Win32FileOps : public IFileOps {
public:
    Outcome ReadAll(const std::string& path, std::string& bytes) override
    {
        HANDLE file = INVALID_HANDLE_VALUE;
        if (const Outcome opened = OpenPlainFile(path, GENERIC_READ, file); !opened)
            return opened;
        bytes.clear();
        char buffer[65536];
        DWORD got = 0;
        BOOL ok = TRUE;
        Outcome status;
        try {
            while ((ok = ReadFile(file, buffer, sizeof buffer, &got, nullptr)) && got > 0)
                bytes.append(buffer, got);
            if (!ok)
                status = LastError();
        } catch (...) {
            CloseHandle(file);  // an open handle would stop every other copy's save
            throw;
        }
        CloseHandle(file);
        return status;
    }
    Outcome CreateNew(const std::string& path, Handle& created) override
    {
        created = nullptr;
        const HeldFolder folder(FolderOf(path));
        if (!folder)
            return folder.Status();
        // A link that already has the name is not followed: the create fails.
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return LastError();
        if (const Outcome placed = InGameFolder(file); !placed) {
            CloseHandle(file);
            DeleteFileA(path.c_str());
            return placed;
        }
        created = file;
        return Outcome::Done();
    }
    Outcome Write(Handle file, const void* data, size_t size) override
    {
        const char* p = static_cast<const char*>(data);
        while (size > 0) {
            DWORD wrote = 0;
            const DWORD chunk = size > 0x10000000u ? 0x10000000u : static_cast<DWORD>(size);
            if (!WriteFile(file, p, chunk, &wrote, nullptr))
                return LastError();
            if (wrote == 0)
                return Outcome::Failed(ERROR_HANDLE_DISK_FULL);  // nothing written, no error: no room
            p += wrote;
            size -= wrote;
        }
        return Outcome::Done();
    }
    Outcome Flush(Handle file) override { return FlushFileBuffers(file) ? Outcome::Done() : LastError(); }
    Outcome Close(Handle file) override { return CloseHandle(file) ? Outcome::Done() : LastError(); }
    Outcome Replace(const std::string& source, const std::string& target) override
    {
        // A file that another program has open, even only to read it, cannot
        // be replaced until it is closed: try again for a short while.
        for (int attempt = 0;; ++attempt) {
            bool settled = false;
            const Outcome status = ReplaceOnce(source, target, settled);
            const bool busy = status.kind == Outcome::kFailed &&
                              (status.code == ERROR_ACCESS_DENIED || status.code == ERROR_SHARING_VIOLATION);
            if (!busy || settled || attempt == kReplaceAttempts)
                return status;
            Sleep(kReplacePauseMs);
        }
    }
    Outcome Remove(const std::string& path) override
    {
        const HeldFolder folder(FolderOf(path));
        if (!folder)
            return folder.Status();
        return DeleteFileA(path.c_str()) ? Outcome::Done() : LastError();
    }
    Outcome LastWritten(const std::string& path, unsigned long long& time) override
    {
        HANDLE file = INVALID_HANDLE_VALUE;
        if (const Outcome opened = OpenPlainFile(path, FILE_READ_ATTRIBUTES, file); !opened)
            return opened;
        FILETIME written = {};
        Outcome status;
        if (!GetFileTime(file, nullptr, nullptr, &written))
            status = LastError();
        CloseHandle(file);
        time = (static_cast<unsigned long long>(written.dwHighDateTime) << 32) | written.dwLowDateTime;
        return status;
    }
    bool Exists(const std::string& path) override
    {
        return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    Outcome OpenToPlayers(const std::string& folder) override
    {
        // The folder itself, not what a link there leads to.
        const HANDLE handle = CreateFileA(folder.c_str(), READ_CONTROL | WRITE_DAC | FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            return LastError();
        Outcome status = RealFolderInGameFolder(handle);
        if (status)
            status = GrantUsersModify(handle);
        CloseHandle(handle);
        return status;
    }
    Outcome List(const std::string& folder, std::vector<std::string>& names) override
    {
        names.clear();
        const HeldFolder held(folder);
        if (!held)
            return held.Status();
        WIN32_FIND_DATAA found;
        const HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return LastError();
        do
            names.emplace_back(found.cFileName);
        while (FindNextFileA(search, &found));
        const Outcome status = GetLastError() == ERROR_NO_MORE_FILES ? Outcome::Done() : LastError();
        FindClose(search);
        if (!status)
            names.clear();
        return status;
    }
    unsigned long ProcessId() override { return GetCurrentProcessId(); }
    bool ProcessRunning(unsigned long id) override
    {
        const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
        if (!process)
            return GetLastError() == ERROR_ACCESS_DENIED;  // there, but not ours to open
        const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
        CloseHandle(process);
        return running;
    }

private:
    static constexpr int kReplaceAttempts = 40;
    static constexpr DWORD kReplacePauseMs = 25;

    // `settled` when waiting cannot help: the target may not be rewritten.
    static Outcome ReplaceOnce(const std::string& source, const std::string& target, bool& settled)
    {
        // One rename: it either happens or leaves both files as they were.
        // (ReplaceFile can fail half-way, with the old file gone or moved to
        // a name of its own choosing.) Both folders stay held until it is done.
        const HeldFolder sourceFolder(FolderOf(source));
        if (!sourceFolder)
            return sourceFolder.Status();
        const HeldFolder targetFolder(FolderOf(target));
        if (!targetFolder)
            return targetFolder.Status();
        const DWORD attributes = GetFileAttributesA(target.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            // Asked, not left to the open below: an administrator (and Wine
            // run as root) may open a read-only file for writing. The code
            // is the one the rename would give.
            if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) {
                settled = true;
                return Outcome::Failed(ERROR_ACCESS_DENIED);
            }
            // A file held open by a program that does not share it for
            // deletion is left alone.
            const HANDLE probe = CreateFileA(target.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (probe == INVALID_HANDLE_VALUE)
                return LastError();
            const Outcome plain = PlainFileInGameFolder(probe);
            CloseHandle(probe);
            if (!plain)
                return plain;
        }
        if (MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return Outcome::Done();
        return LastError();
    }
};

}  // namespace

template <>
IFileOps& FileSeam::Platform()
{
    static Win32FileOps ops;
    return ops;
}

std::wstring CurrentFolder()
{
    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    std::wstring path(size, L'\0');
    const DWORD length = size ? GetCurrentDirectoryW(size, &path[0]) : 0;
    path.resize(length < size ? length : 0);
    return path;
}

ScopedFolder::ScopedFolder(const std::wstring& anchor, const std::wstring& below)
    : m_previous(CurrentFolder())
{
    const std::wstring folder = anchor + L"\\" + below;
    const std::wstring anchorFinal = FinalPathOf(anchor);
    if (m_previous.empty() || anchorFinal.empty()) {
        m_status = Outcome::Refused(Outcome::kUnchecked);
        return;
    }
    if (!SetCurrentDirectoryW(folder.c_str())) {
        const Outcome failed = LastError();
        const bool missing = failed.code == ERROR_FILE_NOT_FOUND || failed.code == ERROR_PATH_NOT_FOUND;
        m_status = missing ? Outcome::Missing(failed.code) : failed;
        return;
    }
    m_entered = true;
    // A link or junction on the way would lead the checks, and the removal
    // of the copy, to whatever it points at.
    const std::wstring here = Upper(FinalPathOf(L"."));
    std::wstring expected = Upper(anchorFinal);
    if (!expected.empty() && expected.back() != L'\\')
        expected += L'\\';
    expected += Upper(below);
    m_status = here.empty() ? Outcome::Refused(Outcome::kUnchecked)
               : here == expected ? Outcome::Done()
                                  : Outcome::Refused(Outcome::kOutside);
}

ScopedFolder::~ScopedFolder()
{
    if (m_entered)
        SetCurrentDirectoryW(m_previous.c_str());
}
