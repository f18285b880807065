// Where the script host writes the lines of the save-data option file.
#pragma once

#include <cstddef>

class IOutputFile {
public:
    virtual ~IOutputFile() = default;
    // Writes all bytes or records the failure; the caller checks the file afterwards.
    virtual void Write(const void* data, size_t size) = 0;
};
