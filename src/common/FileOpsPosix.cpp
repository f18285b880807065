#include "common/FileOps.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

namespace {

class PosixFileOps : public IFileOps {
public:
    ReadResult ReadAll(const std::string& path, std::string& bytes) override
    {
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return errno == ENOENT || errno == ENOTDIR ? kMissing : kReadFailed;
        bytes.clear();
        char buffer[65536];
        ReadResult result = kRead;
        try {
            for (;;) {
                const ssize_t got = read(fd, buffer, sizeof buffer);
                if (got < 0 && errno == EINTR)
                    continue;
                if (got <= 0) {
                    if (got < 0)
                        result = kReadFailed;
                    break;
                }
                bytes.append(buffer, static_cast<size_t>(got));
            }
        } catch (...) {
            close(fd);
            throw;
        }
        close(fd);
        return result;
    }
    Handle CreateNew(const std::string& path) override
    {
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        return fd < 0 ? nullptr : reinterpret_cast<Handle>(static_cast<intptr_t>(fd) + 1);
    }
    bool Write(Handle file, const void* data, size_t size) override
    {
        const char* p = static_cast<const char*>(data);
        while (size > 0) {
            const ssize_t wrote = write(Fd(file), p, size);
            if (wrote < 0 && errno == EINTR)
                continue;
            if (wrote <= 0)
                return false;
            p += wrote;
            size -= static_cast<size_t>(wrote);
        }
        return true;
    }
    bool Flush(Handle file) override { return fsync(Fd(file)) == 0; }
    bool Close(Handle file) override { return close(Fd(file)) == 0; }
    bool Replace(const std::string& source, const std::string& target) override
    {
        // rename(2) would also replace a file the tool may not write, which
        // Windows refuses; refuse it here as well.
        struct stat st;
        if (stat(target.c_str(), &st) == 0 && (!S_ISREG(st.st_mode) || access(target.c_str(), W_OK) != 0))
            return false;
        if (std::rename(source.c_str(), target.c_str()) != 0)
            return false;
        SyncFolderOf(target);
        return true;
    }
    bool Remove(const std::string& path) override { return unlink(path.c_str()) == 0; }
    bool Exists(const std::string& path) override
    {
        struct stat st;
        return lstat(path.c_str(), &st) == 0;
    }
    std::vector<std::string> List(const std::string& folder) override
    {
        std::vector<std::string> names;
        if (DIR* dir = opendir(folder.c_str())) {
            while (const dirent* entry = readdir(dir))
                names.emplace_back(entry->d_name);
            closedir(dir);
        }
        return names;
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
    // The new name must reach the disk too; the data already has.
    static void SyncFolderOf(const std::string& path)
    {
        const size_t slash = path.rfind('/');
        const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
        const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            fsync(fd);
            close(fd);
        }
    }

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
