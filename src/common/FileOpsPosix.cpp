#include "common/FileOps.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>

namespace {

// A descriptor closed when it goes out of scope; negative when none.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    Descriptor(Descriptor&& other) noexcept : m_fd(other.Release()) {}
    Descriptor& operator=(Descriptor&& other) noexcept
    {
        Reset(other.Release());
        return *this;
    }
    ~Descriptor() { Reset(-1); }
    int Get() const { return m_fd; }
    int Release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    void Reset(int fd)
    {
        if (m_fd >= 0)
            close(m_fd);
        m_fd = fd;
    }
    int m_fd;
};

// Where an open descriptor leads, links resolved; empty when the kernel cannot
// tell or the name it was opened by has been removed since.
std::string ResolvedPath(int fd)
{
    char link[32];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char target[PATH_MAX];
    const ssize_t size = readlink(link, target, sizeof target);
    if (size <= 0 || static_cast<size_t>(size) == sizeof target || target[0] != '/')
        return std::string();
    const std::string path(target, static_cast<size_t>(size));
    static const std::string kRemoved = " (deleted)";
    if (path.size() > kRemoved.size() && path.compare(path.size() - kRemoved.size(), kRemoved.size(), kRemoved) == 0)
        return std::string();
    return path;
}

// Done when what `fd` leads to lies in the game folder, the current
// directory, or is that folder; refused otherwise, or when that cannot be told.
Outcome InGameFolder(int fd)
{
    char folder[PATH_MAX];
    const std::string path = ResolvedPath(fd);
    if (!getcwd(folder, sizeof folder) || folder[0] != '/' || path.empty())
        return Outcome::Refused(Outcome::kUnchecked);
    const size_t length = std::strlen(folder);
    const bool inside = path.compare(0, length, folder) == 0 &&
                        (path.size() == length || folder[length - 1] == '/' || path[length] == '/');
    return inside ? Outcome::Done() : Outcome::Refused(Outcome::kOutside);
}

// errno's value, never 0: a call that fails without setting it still fails.
Outcome LastError()
{
    return Outcome::Failed(errno ? static_cast<unsigned long>(errno) : static_cast<unsigned long>(EIO));
}

// Opens `name` in `folder` with `flags`, following links, when it leads to a
// regular file with one name in the game folder: a link to a file elsewhere,
// a second name of one, a FIFO or a device is never read or replaced.
// The link count is taken before the path, so a second name removed in
// between still shows. A file that another copy's save replaced meanwhile has
// no name left; its name is opened again.
Outcome OpenPlainFile(int folder, const char* name, int flags, Descriptor& file)
{
    constexpr int kReopens = 3;
    for (int attempt = 0;; ++attempt) {
        Descriptor opened(openat(folder, name, flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (opened.Get() < 0)
            return errno == ENOENT || errno == ENOTDIR ? Outcome::Missing(errno) : LastError();
        struct stat st;
        if (fstat(opened.Get(), &st) != 0)
            return LastError();
        // A file left with no name (another copy's save replaced it) cannot
        // be placed; its name is opened again below.
        const Outcome placed = !S_ISREG(st.st_mode) ? Outcome::Refused(Outcome::kNotFile)
                                  : st.st_nlink == 0   ? Outcome::Refused(Outcome::kUnchecked)
                                  : st.st_nlink != 1   ? Outcome::Refused(Outcome::kMoreNames)
                                                       : InGameFolder(opened.Get());
        if (placed) {
            file = std::move(opened);
            return placed;
        }
        if (attempt == kReopens)
            return placed;
        if (fstat(opened.Get(), &st) != 0)
            return LastError();
        if (st.st_nlink != 0)
            return placed;
    }
}

// The folder `path` names, opened, when it lies in the game folder: nothing is
// created, renamed, removed or listed in a folder a link leads out to. The
// work in it is done relative to this descriptor, so a link swapped in for
// the folder afterwards cannot redirect it.
Outcome OpenFolder(const std::string& path, Descriptor& folder)
{
    Descriptor opened(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (opened.Get() < 0)
        return LastError();
    if (const Outcome placed = InGameFolder(opened.Get()); !placed)
        return placed;
    folder = std::move(opened);
    return Outcome::Done();
}

// OpenFolder for the folder that holds `path`; the entry's own name in `name`.
Outcome OpenFolderOf(const std::string& path, std::string& name, Descriptor& folder)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        name = path;
        return OpenFolder(".", folder);
    }
    name = path.substr(slash + 1);
    return OpenFolder(slash == 0 ? std::string("/") : path.substr(0, slash), folder);
}

class PosixFileOps : public IFileOps {
public:
    Outcome ReadAll(const std::string& path, std::string& bytes) override
    {
        Descriptor file;
        if (const Outcome opened = OpenPlainFile(AT_FDCWD, path.c_str(), O_RDONLY, file); !opened)
            return opened;
        bytes.clear();
        char buffer[65536];
        for (;;) {
            const ssize_t got = read(file.Get(), buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return got < 0 ? LastError() : Outcome::Done();
            bytes.append(buffer, static_cast<size_t>(got));
        }
    }
    Outcome CreateNew(const std::string& path, Handle& file) override
    {
        file = nullptr;
        std::string name;
        Descriptor folder;
        if (const Outcome status = OpenFolderOf(path, name, folder); !status)
            return status;
        const int fd = openat(folder.Get(), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0)
            return LastError();
        file = reinterpret_cast<Handle>(static_cast<intptr_t>(fd) + 1);
        return Outcome::Done();
    }
    Outcome Write(Handle file, const void* data, size_t size) override
    {
        const char* p = static_cast<const char*>(data);
        while (size > 0) {
            const ssize_t wrote = write(Fd(file), p, size);
            if (wrote < 0 && errno == EINTR)
                continue;
            if (wrote < 0)
                return LastError();
            if (wrote == 0)
                return Outcome::Failed(ENOSPC);  // nothing written, no error: no room
            p += wrote;
            size -= static_cast<size_t>(wrote);
        }
        return Outcome::Done();
    }
    Outcome Flush(Handle file) override { return fsync(Fd(file)) == 0 ? Outcome::Done() : LastError(); }
    Outcome Close(Handle file) override { return close(Fd(file)) == 0 ? Outcome::Done() : LastError(); }
    Outcome Replace(const std::string& source, const std::string& target) override
    {
        std::string sourceName, targetName;
        Descriptor sourceFolder, targetFolder;
        if (const Outcome status = OpenFolderOf(source, sourceName, sourceFolder); !status)
            return status;
        if (const Outcome status = OpenFolderOf(target, targetName, targetFolder); !status)
            return status;
        // rename(2) would also replace a file the tool may not write, which
        // Windows refuses; refuse it here as well, judged by the rights this
        // process acts with (root's too).
        Descriptor existing;
        const Outcome found = OpenPlainFile(targetFolder.Get(), targetName.c_str(), O_PATH, existing);
        if (found.kind == Outcome::kRefused || found.kind == Outcome::kFailed)
            return found;
        if (found && faccessat(targetFolder.Get(), targetName.c_str(), W_OK, AT_EACCESS) != 0)
            return LastError();
        if (renameat(sourceFolder.Get(), sourceName.c_str(), targetFolder.Get(), targetName.c_str()) != 0)
            return LastError();
        fsync(targetFolder.Get());  // the new name must reach the disk too; the data already has
        return Outcome::Done();
    }
    Outcome Remove(const std::string& path) override
    {
        std::string name;
        Descriptor folder;
        if (const Outcome status = OpenFolderOf(path, name, folder); !status)
            return status;
        return unlinkat(folder.Get(), name.c_str(), 0) == 0 ? Outcome::Done() : LastError();
    }
    Outcome LastWritten(const std::string& path, unsigned long long& time) override
    {
        Descriptor file;
        if (const Outcome opened = OpenPlainFile(AT_FDCWD, path.c_str(), O_RDONLY, file); !opened)
            return opened;
        struct stat st;
        if (fstat(file.Get(), &st) != 0)
            return LastError();
        time = static_cast<unsigned long long>(st.st_mtim.tv_sec) * 1000000000ull +
               static_cast<unsigned long long>(st.st_mtim.tv_nsec);
        return Outcome::Done();
    }
    bool Exists(const std::string& path) override
    {
        struct stat st;
        return lstat(path.c_str(), &st) == 0;
    }
    Outcome OpenToPlayers(const std::string& folder) override
    {
        // The folder itself, never what a link there leads to; here "every
        // local user" is the group and the others.
        Descriptor opened(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (opened.Get() < 0)
            return errno == ELOOP || errno == ENOTDIR ? Outcome::Refused(errno == ELOOP ? Outcome::kOutside
                                                                                          : Outcome::kNotFile)
                                                      : LastError();
        if (const Outcome placed = InGameFolder(opened.Get()); !placed)
            return placed;
        struct stat st;
        if (fstat(opened.Get(), &st) != 0)
            return LastError();
        return fchmod(opened.Get(), (st.st_mode & 07777) | S_IRWXG | S_IRWXO) == 0 ? Outcome::Done() : LastError();
    }
    Outcome List(const std::string& folder, std::vector<std::string>& names) override
    {
        names.clear();
        Descriptor opened;
        if (const Outcome status = OpenFolder(folder, opened); !status)
            return status;
        const int fd = opened.Release();
        DIR* dir = fdopendir(fd);
        if (!dir) {
            const Outcome failed = LastError();
            close(fd);
            return failed;
        }
        errno = 0;
        while (const dirent* entry = readdir(dir))
            names.emplace_back(entry->d_name);
        const Outcome status = errno == 0 ? Outcome::Done() : LastError();
        closedir(dir);
        if (!status)
            names.clear();
        return status;
    }
    unsigned long ProcessId() override { return static_cast<unsigned long>(getpid()); }
    bool ProcessRunning(unsigned long id) override
    {
        const pid_t pid = static_cast<pid_t>(id);
        if (pid <= 0 || static_cast<unsigned long>(pid) != id)
            return false;
        return kill(pid, 0) == 0 || errno == EPERM;
    }

private:
    // Handles are fd + 1 so that descriptor 0 is not mistaken for failure.
    static int Fd(Handle file) { return static_cast<int>(reinterpret_cast<intptr_t>(file) - 1); }
};

}  // namespace

template <>
IFileOps& FileSeam::Platform()
{
    static PosixFileOps ops;
    return ops;
}

namespace {

// Paths in UTF-8, with '\\' as '/'.
std::string Narrow(const std::wstring& wide)
{
    std::string out;
    for (wchar_t c : wide) {
        const unsigned long u = static_cast<unsigned long>(c);
        if (u == '\\')
            out += '/';
        else if (u < 0x80)
            out += static_cast<char>(u);
        else if (u < 0x800)
            out += {static_cast<char>(0xC0 | (u >> 6)), static_cast<char>(0x80 | (u & 0x3F))};
        else if (u < 0x10000)
            out += {static_cast<char>(0xE0 | (u >> 12)), static_cast<char>(0x80 | ((u >> 6) & 0x3F)),
                    static_cast<char>(0x80 | (u & 0x3F))};
        else
            out += {static_cast<char>(0xF0 | (u >> 18)), static_cast<char>(0x80 | ((u >> 12) & 0x3F)),
                    static_cast<char>(0x80 | ((u >> 6) & 0x3F)), static_cast<char>(0x80 | (u & 0x3F))};
    }
    return out;
}

}  // namespace

// The kernel's bytes, one to a character, so they go back unchanged.
std::wstring CurrentFolder()
{
    char current[PATH_MAX];
    if (!getcwd(current, sizeof current))
        return std::wstring();
    const std::string bytes(current);
    return std::wstring(bytes.begin(), bytes.end());
}

ScopedFolder::ScopedFolder(const std::wstring& anchor, const std::wstring& below)
{
    char anchorReal[PATH_MAX];
    m_previous = CurrentFolder();
    if (m_previous.empty() || !realpath(Narrow(anchor).c_str(), anchorReal)) {
        m_status = Outcome::Refused(Outcome::kUnchecked);
        return;
    }
    if (chdir((Narrow(anchor) + "/" + Narrow(below)).c_str()) != 0) {
        m_status = errno == ENOENT || errno == ENOTDIR ? Outcome::Missing(errno) : LastError();
        return;
    }
    m_entered = true;
    char here[PATH_MAX];
    const std::string expected = std::string(anchorReal) + "/" + Narrow(below);
    m_status = !getcwd(here, sizeof here) ? Outcome::Refused(Outcome::kUnchecked)
               : expected == here        ? Outcome::Done()
                                         : Outcome::Refused(Outcome::kOutside);
}

ScopedFolder::~ScopedFolder()
{
    if (m_entered) {
        const int back = chdir(std::string(m_previous.begin(), m_previous.end()).c_str());
        (void)back;  // nothing to do when the folder it came from is gone
    }
}
