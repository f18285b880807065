// The tool's paths are relative, use '\' and differ in case ("SaveData" and
// "savedata" name one folder). NativePath turns one into a path for this platform.
#pragma once

#include <string>

// Windows: the path unchanged. POSIX: '\' becomes '/', and each component is
// matched without regard to case against what exists (of several spellings
// the smallest by byte order, so every spelling finds the same entry);
// a component that does not exist is kept as written, so it can be created.
std::string NativePath(const std::string& toolPath);
