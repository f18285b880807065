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
        while ((ok = ReadFile(file, buffer, sizeof buffer, &got, nullptr) != 0) && got > 0)
            bytes.append(buffer, got);
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
        // One rename: it either happens or leaves both files as they were.
        // (ReplaceFile can fail half-way, with the old file gone or moved to
        // a name of its own choosing.)
        const DWORD attributes = GetFileAttributesA(target.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            // Asked, not left to the open below: an administrator (and Wine
            // run as root) may open a read-only file for writing.
            if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))
                return false;
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
};

}  // namespace

template <>
IFileOps& FileSeam::Platform()
{
    static Win32FileOps ops;
    return ops;
}
