// Windows' virtualization of a legacy program's writes. A game that runs
// without elevation and writes in a protected folder (the Windows folder, the
// program files folders, ProgramData) has the write sent to the player's
// %LOCALAPPDATA%\VirtualStore, and a write under HKEY_LOCAL_MACHINE\Software
// to the player's own virtual copy of that key; from then on it reads those
// copies first. The setup runs elevated and sees the real ones, so it reads
// the game's copies, and once its own save is whole it removes them.
//
// The player is whoever is signed in to the setup's session. That need not be
// the account the setup runs as: for a standard player an administrator types
// the password, and the setup then runs as the administrator. The copies are
// then the player's, below the player's profile and in the player's hive.
#pragma once

#include <string>
#include <vector>

#include "common/FileOps.h"
#include "settings/RegistryApi.h"

class CLuaHost;
class CRegistry;

struct VirtualCopies {
    // The game folder's mirror: the folder `mirror` below `anchor`
    // (%LOCALAPPDATA%, or another player's profile folder). Both empty when
    // the game folder lies in no protected folder, so that no copy of its
    // files is made.
    std::wstring anchor;
    std::wstring mirror;
    // The virtual copy of HKEY_LOCAL_MACHINE\Software, or null.
    IRegistryApi* registry = nullptr;
    // The player, when another account than the setup's (in the ANSI code
    // page, for the player's message); empty for the setup's own.
    std::string player;
    // Why that player's copies could not be had; empty when they could.
    std::string unavailable;

    bool Protected() const { return !anchor.empty() && !mirror.empty(); }
    // This process's: the protected folders and the player's store as the
    // system names them, the game folder from the current directory.
    static VirtualCopies Current();
};

// The player signed in to the setup's session.
struct PlayerAccount {
    bool other = false;  // not the account the setup runs as
    std::string name;    // "DOMAIN\user", with `other`
    std::string sid;     // "S-1-5-21-...", with `other`
};

// What the system tells about the game folder and the accounts. Windows asks
// it (VirtualCopiesWin32.cpp); tests script it, as Wine has one user.
class ISystemFolders {
public:
    virtual ~ISystemFolders() = default;
    // The folder's final path (see FinalPathOf); empty when it cannot tell.
    virtual std::wstring FinalPath(const std::wstring& folder) = 0;
    // The folders Windows virtualizes writes in, by their final paths.
    virtual std::vector<std::wstring> ProtectedFolders() = 0;
    virtual PlayerAccount Player() = 0;
    // The setup's own %LOCALAPPDATA% and virtual key.
    virtual std::wstring OwnLocalAppData() = 0;
    virtual IRegistryApi* OwnVirtualRegistry() = 0;
    // Another player's profile folder, and virtual key (null when the
    // player's hive is not loaded or cannot be opened).
    virtual std::wstring ProfileFolder(const std::string& sid) = 0;
    virtual IRegistryApi* PlayerVirtualRegistry(const std::string& sid) = 0;
};

// What Windows tells; null where nothing virtualizes a program's writes.
ISystemFolders* PlatformSystemFolders();

#ifdef _WIN32
// The token of the shell on this desktop, opened with `access` (a HANDLE to
// close), or null: its user is the player signed in to this desktop.
void* OpenShellToken(unsigned long access);
#endif

// The copies the player's game reads for the game folder `gameFolder`. The
// player's local application data is looked up only for a game folder in a
// protected folder.
VirtualCopies FindVirtualCopies(ISystemFolders& system, const std::wstring& gameFolder);

// The mirror of `folder` below %LOCALAPPDATA%: "VirtualStore" and the
// folder's path without its drive, when it is or lies in one of
// `protectedFolders` (names compared without regard to case). Empty for a
// folder elsewhere or a path without a drive letter.
std::wstring VirtualMirror(const std::wstring& folder, const std::vector<std::wstring>& protectedFolders);

// Whether the game reads the virtual copy of the settings key rather than the
// real key: when the copy exists and was written last (or at the same time),
// or the real key does not exist. Asked before start-up touches the real key.
bool VirtualValuesNewer(IRegistryApi& real, IRegistryApi& virtualRegistry);

// The saved values and kept lines from the option file the game reads,
// chosen once: its virtual copy, read with every check of the real one
// within the mirror, unless the real file was written after it. The real
// file's lines must have been read. record.virtualCopyRead tells how the copy
// was read (kMissing: none), record.virtualCopyStale that it was older; the
// removal after the save follows them.
void ReadGameOptionFile(CRegistry& record, CLuaHost& host, IFileOps& files, const VirtualCopies& copies);

// Removes the virtual copy of the option file; for after the real one is
// whole. Missing when there was none; not read whole when removing it would
// lose the game's lines.
Outcome RemoveVirtualCopy(const CRegistry& record, IFileOps& files, const VirtualCopies& copies);
