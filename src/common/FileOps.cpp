#include "common/FileOps.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#endif

namespace {

#ifdef _WIN32

class PlatformOps : public IFileOps {
public:
    bool ReadAll(const std::string& path, std::string& bytes) override
    {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        bytes.clear();
        char buffer[65536];
        DWORD got = 0;
        bool ok = true;
        while ((ok = ReadFile(file, buffer, sizeof buffer, &got, nullptr) != 0) && got > 0)
            bytes.append(buffer, got);
        CloseHandle(file);
        return ok;
    }
    Handle Create(const std::string& path) override
    {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        return file == INVALID_HANDLE_VALUE ? nullptr : file;
    }
    bool Write(Handle file, const void* data, size_t size) override
    {
        const char* p = static_cast<const char*>(data);
        while (size > 0) {
            DWORD wrote = 0;
            const DWORD chunk = size > 0x10000000u ? 0x10000000u : static_cast<DWORD>(size);
            if (!WriteFile(file, p, chunk, &wrote, nullptr) || wrote == 0)
                return false;
            p += wrote;
            size -= wrote;
        }
        return true;
    }
    bool Flush(Handle file) override { return FlushFileBuffers(file) != 0; }
    bool Close(Handle file) override { return CloseHandle(file) != 0; }
    bool Replace(const std::string& source, const std::string& target) override
    {
        const DWORD attributes = GetFileAttributesA(target.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
        // Some ReplaceFile implementations move a folder aside, or leave a
        // placeholder of their own behind when the old file is in use; so
        // replace only a file that could be rewritten and removed right now.
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            return false;
        const HANDLE probe = CreateFileA(target.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (probe == INVALID_HANDLE_VALUE)
            return false;
        CloseHandle(probe);
        return ReplaceFileA(target.c_str(), source.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                            nullptr) != 0;
    }
    bool Remove(const std::string& path) override { return DeleteFileA(path.c_str()) != 0; }
};

#else

class PlatformOps : public IFileOps {
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

#endif

IFileOps* g_override = nullptr;

}  // namespace

IFileOps& PlatformFileOps()
{
    static PlatformOps ops;
    return ops;
}

IFileOps& CurrentFileOps()
{
    return g_override ? *g_override : PlatformFileOps();
}

ScopedFileOps::ScopedFileOps(IFileOps& ops) : m_previous(g_override)
{
    g_override = &ops;
}

ScopedFileOps::~ScopedFileOps()
{
    g_override = m_previous;
}
