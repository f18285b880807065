// The file operations of the save-data file, behind one seam so tests can make
// any of them fail. Paths are native (see NativePath).
#pragma once

#include <string>

#include "common/Seam.h"

class IFileOps {
public:
    typedef void* Handle;

    virtual ~IFileOps() = default;
    // Reads the whole file, sharing it with other programs; false when it cannot be read.
    virtual bool ReadAll(const std::string& path, std::string& bytes) = 0;
    // Creates or truncates a file for writing; null on failure.
    virtual Handle Create(const std::string& path) = 0;
    virtual bool Write(Handle file, const void* data, size_t size) = 0;
    virtual bool Flush(Handle file) = 0;
    virtual bool Close(Handle file) = 0;
    // Puts `source` in place of `target` in one step, whether or not `target` exists.
    virtual bool Replace(const std::string& source, const std::string& target) = 0;
    virtual bool Remove(const std::string& path) = 0;
};

using FileSeam = Seam<IFileOps>;
template <>
IFileOps& FileSeam::Platform();
