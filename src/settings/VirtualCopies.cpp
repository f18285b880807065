#include "settings/VirtualCopies.h"

#include <cwctype>
#include <utility>

#include "common/Path.h"
#include "script/LuaHost.h"
#include "settings/Registry.h"
#include "settings/RegistryStore.h"
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

// A final path without its "\\?\" prefix.
std::wstring WithoutPrefix(const std::wstring& path)
{
    return path.compare(0, 4, L"\\\\?\\") == 0 ? path.substr(4) : path;
}

// The folder `copies` name, entered for a scope.
ScopedFolder EnterMirror(const VirtualCopies& copies)
{
    return ScopedFolder(copies.anchor, copies.mirror);
}

}  // namespace

std::wstring VirtualMirror(const std::wstring& folder, const std::vector<std::wstring>& protectedFolders)
{
    const std::wstring path = WithoutPrefix(folder);
    if (!HasDrive(path))
        return std::wstring();
    const std::wstring upper = Folded(path);
    for (const std::wstring& given : protectedFolders) {
        const std::wstring top = Folded(WithoutPrefix(given));
        if (!HasDrive(top) || upper.compare(0, top.size(), top) != 0)
            continue;
        if (upper.size() == top.size() || top.back() == L'\\' || upper[top.size()] == L'\\')
            return L"VirtualStore" + path.substr(2, upper.size() - 2);  // the path without its drive
    }
    return std::wstring();
}

VirtualCopies FindVirtualCopies(ISystemFolders& system, const std::wstring& gameFolder)
{
    // Windows names the mirror after the folder's long, final path: spelt
    // with a short name, a SUBST drive or a junction it would match nothing.
    const std::wstring final = system.FinalPath(gameFolder);
    const std::wstring mirror = VirtualMirror(final.empty() ? gameFolder : final, system.ProtectedFolders());
    const PlayerAccount player = system.Player();
    VirtualCopies copies;
    if (!player.other) {
        copies.registry = system.OwnVirtualRegistry();
        if (!mirror.empty())
            copies.anchor = system.OwnLocalAppData();
        if (!copies.anchor.empty())
            copies.mirror = mirror;
        return copies;
    }
    // The setup's own copies stay as they are: this player's game never reads them.
    copies.player = player.name;
    copies.registry = system.PlayerVirtualRegistry(player.sid);
    if (!copies.registry)
        copies.unavailable = "the part of the registry that holds their settings is not loaded";
    if (mirror.empty())
        return copies;
    copies.anchor = system.ProfileFolder(player.sid);
    if (!copies.anchor.empty()) {
        // %LOCALAPPDATA% of the profile, which folder redirection leaves in place.
        copies.mirror = L"AppData\\Local\\" + mirror;
        return copies;
    }
    copies.unavailable += copies.unavailable.empty() ? "" : ", and ";
    copies.unavailable += "their profile folder is not known";
    return copies;
}

bool VirtualValuesNewer(IRegistryApi& real, IRegistryApi& virtualRegistry)
{
    uint64_t copy = 0;
    uint64_t key = 0;
    if (virtualRegistry.KeyWritten(kSettingsKey, &copy) != kRegSuccess)
        return false;
    return real.KeyWritten(kSettingsKey, &key) != kRegSuccess || copy >= key;
}

void ReadGameOptionFile(CRegistry& record, CLuaHost& host, IFileOps& files, const VirtualCopies& copies)
{
    record.virtualCopyRead = Outcome::Missing(0);
    record.virtualCopyStale = false;
    if (copies.Protected()) {
        unsigned long long realWritten = 0;
        const bool realThere = static_cast<bool>(files.LastWritten(NativePath(std::string(kOptionFilePath)), realWritten));
        // One visit of the mirror: which file the game reads, and the copy's
        // lines and values when it is the copy.
        const ScopedFolder mirror = EnterMirror(copies);
        if (!mirror && mirror.Status().kind != Outcome::kMissing)
            record.virtualCopyRead = mirror.Status();
        // Spelt as the mirror spells it.
        const std::string path = NativePath(std::string(kOptionFilePath));
        unsigned long long copyWritten = 0;
        if (mirror && files.Exists(path)) {
            // Written after the copy, the real file is what the game reads
            // now: it has since been run as administrator, or without
            // virtualization.
            if (realThere && files.LastWritten(path, copyWritten) && copyWritten < realWritten) {
                record.virtualCopyStale = true;
            } else {
                std::vector<std::string> real;
                real.swap(record.preservedLines);
                record.virtualCopyRead = ReadOptionLines(record, files);
                if (record.virtualCopyRead) {
                    // The copy's script, run with the same bounds as the real one's.
                    ApplySavedOptions(record, host);
                    return;
                }
                record.preservedLines.swap(real);
            }
        }
    }
    ApplySavedOptions(record, host);
}

Outcome RemoveVirtualCopy(const CRegistry& record, IFileOps& files, const VirtualCopies& copies)
{
    const Outcome& read = record.virtualCopyRead;
    if (!copies.Protected())
        return Outcome::Missing(0);
    // A stale copy holds nothing the game still reads.
    if (!record.virtualCopyStale) {
        if (read.kind == Outcome::kMissing || read.kind == Outcome::kRefused)
            return read;
        if (!read)
            return Outcome::NotReadWhole();
    }
    const ScopedFolder mirror = EnterMirror(copies);
    if (!mirror)
        return mirror.Status().In(Outcome::kRemove);
    const Outcome removed = files.Remove(NativePath(std::string(kOptionFilePath)));
    // Gone already (ERROR_FILE_NOT_FOUND and ENOENT are both 2): nothing left to hide the save.
    if (removed || removed.kind == Outcome::kMissing || (removed.kind == Outcome::kFailed && removed.code == 2))
        return Outcome::Done();
    return removed.In(Outcome::kRemove);
}
