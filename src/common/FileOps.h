// The file operations of the save-data file and the scripts, behind one seam
// so tests can make any of them fail. Paths are native (see NativePath).
//
// The tool runs elevated in a game folder that players can write, so every
// operation acts only on what lies inside the game folder (the current
// directory) once links, junctions and mount points are resolved; what it
// reads or replaces must also be a regular file with one name.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "common/Outcome.h"
#include "common/Seam.h"

class IFileOps {
public:
    typedef void* Handle;

    virtual ~IFileOps() = default;
    // Reads the whole file, letting other programs read, write and replace it
    // meanwhile. kMissing when it or its folder does not exist.
    virtual Outcome ReadAll(const std::string& path, std::string& bytes) = 0;
    // Creates a file that does not exist yet, for writing, opened for this
    // process alone, in `file`; fails when it exists or cannot be made.
    // Create, Replace, Remove and List refuse a folder that lies outside the
    // game folder.
    virtual Outcome CreateNew(const std::string& path, Handle& file) = 0;
    virtual Outcome Write(Handle file, const void* data, size_t size) = 0;
    virtual Outcome Flush(Handle file) = 0;
    virtual Outcome Close(Handle file) = 0;
    // Puts the file `source` in place of `target` in one step, whether or not
    // `target` exists. Refuses a target that is not a plain file the tool may
    // rewrite and remove now, or that leads out of the game folder or has
    // another name.
    virtual Outcome Replace(const std::string& source, const std::string& target) = 0;
    virtual Outcome Remove(const std::string& path) = 0;
    virtual bool Exists(const std::string& path) = 0;
    // When the file was last written, in the system's units (100 ns on
    // Windows, 1 ns elsewhere), with the checks ReadAll makes.
    virtual Outcome LastWritten(const std::string& path, unsigned long long& time) = 0;
    // Lets every local user (the Users group) modify `folder` and what is
    // made in it from now on, so that a game without administrator rights
    // writes the real files there. Only on a real folder inside the game
    // folder, checked on the handle the rights are set through: granting
    // through a link would hand its target to every user.
    virtual Outcome OpenToPlayers(const std::string& folder) = 0;
    // The names in `folder`; none when it cannot be listed.
    virtual Outcome List(const std::string& folder, std::vector<std::string>& names) = 0;
    // This process, and whether process `id` is still running: a temporary
    // file carries its writer's id, so what a killed run left can be told
    // from what another running copy is still writing.
    virtual unsigned long ProcessId() = 0;
    virtual bool ProcessRunning(unsigned long id) = 0;
};

using FileSeam = Seam<IFileOps>;

// The current directory's full path; empty when the system cannot give it.
std::wstring CurrentFolder();

#ifdef _WIN32
// What `path` leads to once links, junctions, mount points, SUBST drives and
// short names are resolved, as the system names it ("\\?\C:\..."); empty
// when it cannot be opened or the system cannot tell.
std::wstring FinalPathOf(const std::wstring& path);
#endif

// Makes `anchor`\`below` the current directory while it lives, so relative
// paths, and the file operations' checks that keep them inside the current
// directory, work there; then the previous one again. Refused when a link or
// junction at or below `anchor` leads elsewhere than that path.
class ScopedFolder {
public:
    ScopedFolder(const std::wstring& anchor, const std::wstring& below);
    ~ScopedFolder();
    ScopedFolder(const ScopedFolder&) = delete;
    ScopedFolder& operator=(const ScopedFolder&) = delete;
    // Done once entered; kMissing when it does not exist.
    const Outcome& Status() const { return m_status; }
    explicit operator bool() const { return static_cast<bool>(m_status); }

private:
    Outcome m_status;
    std::wstring m_previous;
    bool m_entered = false;
};
template <>
IFileOps& FileSeam::Platform();
