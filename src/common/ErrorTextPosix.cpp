#include "common/ErrorText.h"

#include <cstring>

std::string FileErrorText(unsigned long code)
{
    return std::strerror(static_cast<int>(code));
}

std::string RegistryErrorText(long code)
{
    return "error " + std::to_string(code);
}
