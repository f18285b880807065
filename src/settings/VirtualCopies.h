// Windows' virtualization of a legacy program's writes. A game that runs
// without elevation and writes in a protected folder (the Windows folder, the
// program files folders, ProgramData) has the write sent to the player's
// %LOCALAPPDATA%\VirtualStore, and a write under HKEY_LOCAL_MACHINE\Software
// to the player's own virtual copy of that key; from then on it reads those
// copies first. The setup runs elevated and sees the real ones, so it reads
// the game's copies, and once its own save is whole it removes them.
#pragma once

#include <string>
#include <vector>

#include "common/FileOps.h"
#include "settings/RegistryApi.h"

class CLuaHost;
class CRegistry;

struct VirtualCopies {
    // The game folder's mirror: the folder `mirror` below `anchor`
    // (%LOCALAPPDATA%). Both empty when the game folder lies in no protected
    // folder, so that no copy of its files is made.
    std::wstring anchor;
    std::wstring mirror;
    // The virtual copy of HKEY_LOCAL_MACHINE\Software, or null.
    IRegistryApi* registry = nullptr;

    bool Protected() const { return !anchor.empty() && !mirror.empty(); }
    // This process's: the protected folders and %LOCALAPPDATA% as the system
    // names them, the game folder from the current directory.
    static VirtualCopies Current();
};

// The mirror of `folder` below %LOCALAPPDATA%: "VirtualStore" and the
// folder's path without its drive, when it is or lies in one of
// `protectedFolders` (names compared without regard to case). Empty for a
// folder elsewhere or a path without a drive letter.
std::wstring VirtualMirror(const std::wstring& folder, const std::vector<std::wstring>& protectedFolders);

// The option file's virtual copy, read with every check of the real one,
// within the mirror: its kept lines replace the real file's, and
// record.virtualCopyRead tells how it was read (kMissing: no copy).
void ReadVirtualCopy(CRegistry& record, IFileOps& files, const VirtualCopies& copies);
// The saved values, from the virtual copy when it was read, else from the
// real option file.
void ApplyGameSavedOptions(CRegistry& record, CLuaHost& host, const VirtualCopies& copies);

// What removing the game's copies did.
struct VirtualRemoval {
    enum Kind {
        kNone,         // there was nothing to remove
        kRemoved,
        kNotRemoved,   // read only in part, or not at all: removing it would lose the game's lines
        kRefused,      // it leads out of the mirror, for `refusal`
        kFailed,       // with `code`
    };
    Kind kind = kNone;
    unsigned long code = 0;
    FileStatus::Refusal refusal = FileStatus::kOutside;
    bool Landed() const { return kind == kNone || kind == kRemoved; }
};

// Removes the virtual copy of the option file; for after the real one is whole.
VirtualRemoval RemoveVirtualCopy(const CRegistry& record, IFileOps& files, const VirtualCopies& copies);
