// A temporary game folder that becomes the current directory for one test.
#pragma once

#include <filesystem>
#include <string>

class TempGameDir {
public:
    TempGameDir();   // creates an empty folder and changes into it
    ~TempGameDir();  // changes back and removes the folder with everything in it
    TempGameDir(const TempGameDir&) = delete;
    TempGameDir& operator=(const TempGameDir&) = delete;

    const std::string& Path() const { return m_path; }

    // Writes a file relative to the folder, creating parent folders. The name
    // uses '/' as separator.
    void WriteFile(const std::string& relative, const std::string& bytes) const;
    // Reads a file relative to the folder; empty when missing.
    std::string ReadFile(const std::string& relative) const;
    bool Exists(const std::string& relative) const;
    // Copies examples/game/System into the folder.
    void CopyExampleScripts() const;

private:
    std::string m_path;
    std::string m_previous;
};

// The bytes of a plain file; empty when `path` is none.
std::string ReadBytes(const std::filesystem::path& path);
#ifdef KES_EMBEDDED_EXAMPLES
// A file the program carries as a resource of that name.
std::string EmbeddedFile(const char* name);
#endif
// `size` bytes at `data`, as a string to compare.
inline std::string Bytes(const void* data, size_t size)
{
    return std::string(static_cast<const char*>(data), size);
}
