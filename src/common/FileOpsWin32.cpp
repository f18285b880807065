#include "common/FileOps.h"

#include <windows.h>

namespace {

class Win32FileOps : public IFileOps {
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

}  // namespace

template <>
IFileOps& FileSeam::Platform()
{
    static Win32FileOps ops;
    return ops;
}
