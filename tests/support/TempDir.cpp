#include "support/TempDir.h"

#ifdef KES_EMBEDDED_EXAMPLES
#include <windows.h>
#endif

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace fs = std::filesystem;

#ifndef KES_EXAMPLE_GAME
#error "KES_EXAMPLE_GAME must name examples/game"
#endif

TempGameDir::TempGameDir()
{
    m_previous = fs::current_path().string();
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path candidate = fs::temp_directory_path() / ("kes-test-" + std::to_string(rd()));
        std::error_code ec;
        if (fs::create_directory(candidate, ec)) {
            m_path = candidate.string();
            fs::current_path(candidate);
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempGameDir::~TempGameDir()
{
    std::error_code ec;
    fs::current_path(m_previous, ec);
    // Undo permission changes made by a test so the folder can be removed.
    for (auto it = fs::recursive_directory_iterator(m_path, ec); it != fs::recursive_directory_iterator(); it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(m_path, ec);
}

void TempGameDir::WriteFile(const std::string& relative, const std::string& bytes) const
{
    fs::path target = fs::path(m_path) / relative;
    fs::create_directories(target.parent_path());
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + target.string());
}

std::string TempGameDir::ReadFile(const std::string& relative) const
{
    return ReadBytes(fs::path(m_path) / relative);
}

std::string ReadBytes(const fs::path& path)
{
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        return std::string();
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool TempGameDir::Exists(const std::string& relative) const
{
    std::error_code ec;
    return fs::exists(fs::path(m_path) / relative, ec);
}

#ifdef KES_EMBEDDED_EXAMPLES
// The check program runs where no checkout is: it carries the scripts.
std::string EmbeddedFile(const char* name)
{
    HMODULE self = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(self, name, MAKEINTRESOURCEA(10) /* RT_RCDATA */);
    const char* data = found ? static_cast<const char*>(LockResource(LoadResource(self, found))) : nullptr;
    if (!data)
        throw std::runtime_error(std::string("no embedded ") + name);
    return std::string(data, SizeofResource(self, found));
}

void TempGameDir::CopyExampleScripts() const
{
    WriteFile("System/LuaFiles514/OptionInfo.lua", EmbeddedFile("OPTIONINFO"));
    WriteFile("System/LuaFiles514/MsgString.lua", EmbeddedFile("MSGSTRING"));
}
#else
void TempGameDir::CopyExampleScripts() const
{
    fs::copy(fs::path(KES_EXAMPLE_GAME) / "System", fs::path(m_path) / "System",
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}
#endif
