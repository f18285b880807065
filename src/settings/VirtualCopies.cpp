#include "settings/VirtualCopies.h"

#include <cwctype>
#include <utility>

#include "common/Path.h"
#include "script/LuaHost.h"
#include "settings/Registry.h"
#include "settings/SaveData.h"

namespace {

// Names compared as the file system compares them.
std::wstring Folded(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(c)));
    while (text.size() > 3 && (text.back() == L'\\' || text.back() == L'/'))
        text.pop_back();
    return text;
}

bool HasDrive(const std::wstring& path)
{
    return path.size() >= 3 && std::iswalpha(static_cast<std::wint_t>(path[0])) && path[1] == L':' &&
           (path[2] == L'\\' || path[2] == L'/');
}

// The folder `copies` name, entered for a scope.
ScopedFolder EnterMirror(const VirtualCopies& copies)
{
    return ScopedFolder(copies.anchor, copies.mirror);
}

}  // namespace

std::wstring VirtualMirror(const std::wstring& folder, const std::vector<std::wstring>& protectedFolders)
{
    std::wstring path = folder;
    if (path.compare(0, 4, L"\\\\?\\") == 0)
        path.erase(0, 4);  // a final path's prefix
    if (!HasDrive(path))
        return std::wstring();
    const std::wstring upper = Folded(path);
    for (const std::wstring& given : protectedFolders) {
        const std::wstring top = Folded(given);
        if (!HasDrive(top) || upper.compare(0, top.size(), top) != 0)
            continue;
        if (upper.size() == top.size() || top.back() == L'\\' || upper[top.size()] == L'\\')
            return L"VirtualStore" + path.substr(2, upper.size() - 2);  // the path without its drive
    }
    return std::wstring();
}

void ReadVirtualCopy(CRegistry& record, IFileOps& files, const VirtualCopies& copies)
{
    record.virtualCopyRead = FileStatus::Missing(0);
    if (!copies.Protected())
        return;
    const ScopedFolder mirror = EnterMirror(copies);
    if (mirror.Status().kind == FileStatus::kMissing)
        return;
    if (!mirror) {
        record.virtualCopyRead = mirror.Status();
        return;
    }
    if (!files.Exists(NativePath(std::string(kOptionFilePath))))
        return;
    // The game reads this copy, not the real file: its lines are the ones kept.
    std::vector<std::string> real;
    real.swap(record.preservedLines);
    record.virtualCopyRead = ReadOptionLines(record, files);
    if (!record.virtualCopyRead)
        record.preservedLines.swap(real);
}

void ApplyGameSavedOptions(CRegistry& record, CLuaHost& host, const VirtualCopies& copies)
{
    if (!record.virtualCopyRead || !copies.Protected()) {
        ApplySavedOptions(record, host);
        return;
    }
    // The copy's script, run with the same bounds as the real one's.
    const ScopedFolder mirror = EnterMirror(copies);
    if (mirror)
        ApplySavedOptions(record, host);
}

VirtualRemoval RemoveVirtualCopy(const CRegistry& record, IFileOps& files, const VirtualCopies& copies)
{
    const FileStatus& read = record.virtualCopyRead;
    if (read.kind == FileStatus::kMissing || !copies.Protected())
        return VirtualRemoval{};
    if (read.kind == FileStatus::kRefused)
        return VirtualRemoval{VirtualRemoval::kRefused, 0, read.refusal};
    if (!read)
        return VirtualRemoval{VirtualRemoval::kNotRemoved, read.code};
    const ScopedFolder mirror = EnterMirror(copies);
    if (!mirror && mirror.Status().kind == FileStatus::kRefused)
        return VirtualRemoval{VirtualRemoval::kRefused, 0, mirror.Status().refusal};
    if (!mirror)
        return VirtualRemoval{VirtualRemoval::kFailed, mirror.Status().code};
    const FileStatus removed = files.Remove(NativePath(std::string(kOptionFilePath)));
    // Gone already (ERROR_FILE_NOT_FOUND and ENOENT are both 2): nothing left to hide the save.
    if (removed || removed.kind == FileStatus::kMissing || (removed.kind == FileStatus::kFailed && removed.code == 2))
        return VirtualRemoval{VirtualRemoval::kRemoved};
    if (removed.kind == FileStatus::kRefused)
        return VirtualRemoval{VirtualRemoval::kRefused, 0, removed.refusal};
    return VirtualRemoval{VirtualRemoval::kFailed, removed.code};
}
