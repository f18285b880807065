#include "common/FileOps.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

namespace {

class PosixFileOps : public IFileOps {
public:
    bool ReadAll(const std::string& path, std::string& bytes) override
    {
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return false;
        bytes.clear();
        char buffer[65536];
        bool ok = true;
        for (;;) {
            const ssize_t got = read(fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                ok = got == 0;
                break;
            }
            bytes.append(buffer, static_cast<size_t>(got));
        }
        close(fd);
        return ok;
    }
    Handle Create(const std::string& path) override
    {
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
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
        // the platform's replace refuses; refuse it here as well.
        struct stat st;
        if (stat(target.c_str(), &st) == 0 && (!S_ISREG(st.st_mode) || access(target.c_str(), W_OK) != 0))
            return false;
        if (std::rename(source.c_str(), target.c_str()) != 0)
            return false;
        SyncFolderOf(target);
        return true;
    }
    bool Remove(const std::string& path) override { return unlink(path.c_str()) == 0; }

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
