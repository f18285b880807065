#include "common/Path.h"

// Windows takes the tool's paths as they are.
std::string NativePath(const std::string& toolPath)
{
    return toolPath;
}
