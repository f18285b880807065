#include "common/ErrorText.h"

#include <windows.h>

namespace {

std::string SystemText(DWORD code)
{
    char* system = nullptr;
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<char*>(&system), 0, nullptr);
    std::string text = length > 0 ? std::string(system, length) : "error " + std::to_string(code);
    LocalFree(system);
    text.erase(text.find_last_not_of("\r\n ") + 1);
    return text;
}

}  // namespace

std::string FileErrorText(unsigned long code)
{
    return SystemText(code);
}

std::string RegistryErrorText(long code)
{
    return SystemText(static_cast<DWORD>(code));
}
