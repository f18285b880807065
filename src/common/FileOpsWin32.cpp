#include "common/FileOps.h"

#include <windows.h>

namespace {

class Win32FileOps : public IFileOps {
public:
    ReadResult ReadAll(const std::string& path, std::string& bytes) override
    {
        // Sharing deletion too, so a read never stops another copy's save.
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? kMissing : kReadFailed;
        }
        bytes.clear();
        char buffer[65536];
        DWORD got = 0;
        bool ok = true;
        try {
            while ((ok = ReadFile(file, buffer, sizeof buffer, &got, nullptr) != 0) && got > 0)
                bytes.append(buffer, got);
        } catch (...) {
            CloseHandle(file);  // an open handle would stop every other copy's save
            throw;
        }
        CloseHandle(file);
        return ok ? kRead : kReadFailed;
    }
    Handle CreateNew(const std::string& path) override
    {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
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
        // A file that another program has open, even only to read it, cannot
        // be replaced until it is closed: try again for a short while.
        for (int attempt = 0;; ++attempt) {
            if (ReplaceOnce(source, target))
                return true;
            const DWORD error = GetLastError();
            if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) || attempt == kReplaceAttempts)
                return false;
            Sleep(kReplacePauseMs);
        }
    }
    bool Remove(const std::string& path) override { return DeleteFileA(path.c_str()) != 0; }
    bool Exists(const std::string& path) override
    {
        return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    std::vector<std::string> List(const std::string& folder) override
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        const HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return names;
        do
            names.emplace_back(found.cFileName);
        while (FindNextFileA(search, &found));
        FindClose(search);
        return names;
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

    static bool ReplaceOnce(const std::string& source, const std::string& target)
    {
        // One rename: it either happens or leaves both files as they were.
        // (ReplaceFile can fail half-way, with the old file gone or moved to
        // a name of its own choosing.)
        const DWORD attributes = GetFileAttributesA(target.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            // Asked, not left to the open below: an administrator (and Wine
            // run as root) may open a read-only file for writing.
            if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) {
                SetLastError(ERROR_WRITE_PROTECT);  // not worth waiting for
                return false;
            }
            // A file held open by a program that does not share it for
            // deletion is left alone.
            const HANDLE probe = CreateFileA(target.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (probe == INVALID_HANDLE_VALUE)
                return false;
            CloseHandle(probe);
        }
        return MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    }
};

}  // namespace

template <>
IFileOps& FileSeam::Platform()
{
    static Win32FileOps ops;
    return ops;
}
