// The platform's file operations with injectable failures.
#pragma once

#include <string>
#include <vector>

#include "common/FileOps.h"

class FaultyFileOps : public IFileOps {
public:
    enum Op { kReadAll, kCreate, kWrite, kFlush, kClose, kReplace, kRemove, kOpCount };

    // Call number `nth` (0-based) of `op` fails; -1 fails every call. A failing
    // call does nothing, except that a failing close still releases the file.
    void Fail(Op op, int nth = -1);
    int Count(Op op) const { return m_counts[op]; }

    bool ReadAll(const std::string& path, std::string& bytes) override;
    Handle Create(const std::string& path) override;
    bool Write(Handle file, const void* data, size_t size) override;
    bool Flush(Handle file) override;
    bool Close(Handle file) override;
    bool Replace(const std::string& source, const std::string& target) override;
    bool Remove(const std::string& path) override;

private:
    bool Fails(Op op);

    struct Fault {
        Op op;
        int nth;
    };
    IFileOps& m_real = FileSeam::Platform();
    std::vector<Fault> m_faults;
    int m_counts[kOpCount] = {};
};
