#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

const TempGameDir& FuzzGameDir()
{
    static TempGameDir dir;
    static const bool copied = (dir.CopyExampleScripts(), true);
    (void)copied;
    return dir;
}

void PutFile(const std::string& relative, const uint8_t* data, size_t size)
{
    FuzzGameDir().WriteFile(relative, std::string(reinterpret_cast<const char*>(data), size));
}

void RemoveFile(const std::string& relative)
{
    std::error_code ec;
    std::filesystem::remove(std::filesystem::path(FuzzGameDir().Path()) / relative, ec);
}

void FuzzFail(const char* rule)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", rule);
    std::fflush(stderr);
    std::abort();
}
