// The system's words for an error code, in the player's language.
#pragma once

#include <string>

// A file operation's code: GetLastError()'s on Windows, errno's elsewhere.
std::string FileErrorText(unsigned long code);
// A registry operation's code, which is always a Windows code; elsewhere,
// where the registry is kept in memory, only its number.
std::string RegistryErrorText(long code);
