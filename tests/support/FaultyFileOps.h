// The platform's file operations with injectable failures, including the
// half-done states real systems leave behind.
#pragma once

#include <string>
#include <vector>

#include "common/FileOps.h"

class FaultyFileOps : public IFileOps {
public:
    enum Op { kReadAll, kCreateNew, kWrite, kFlush, kClose, kReplace, kRemove, kOpenToPlayers, kOpCount };
    // What a failing Replace leaves.
    enum ReplaceFault {
        kRefused,           // nothing changed
        kTargetRemoved,     // the old file is gone; the new one keeps its temporary name
        kTargetMovedAside,  // the old file lives on as movedAsideName; the new one keeps its name
    };

    // The code a failing operation hands back unless told another (ENOSPC's
    // value natively, ERROR_DISK_FULL's on Windows).
#ifdef _WIN32
    static constexpr unsigned long kFaultCode = 112;
#else
    static constexpr unsigned long kFaultCode = 28;
#endif

    // Call number `nth` (0-based) of `op` fails with `code`; -1 fails every
    // call. A failing read or write does half its work first, a failing close
    // still releases the file, a failing replace does what `fault` says.
    void Fail(Op op, int nth = -1, ReplaceFault fault = kRefused, unsigned long code = kFaultCode);
    int Count(Op op) const { return m_counts[op]; }

    std::string movedAsideName;  // set by a kTargetMovedAside failure
    // Every read refused, as on a file system that cannot say where a file leads.
    bool refuseReads = false;
    Outcome::Refusal readRefusal = Outcome::kUnchecked;

    Outcome ReadAll(const std::string& path, std::string& bytes) override;
    Outcome CreateNew(const std::string& path, Handle& file) override;
    Outcome Write(Handle file, const void* data, size_t size) override;
    Outcome Flush(Handle file) override;
    Outcome Close(Handle file) override;
    Outcome Replace(const std::string& source, const std::string& target) override;
    Outcome Remove(const std::string& path) override;
    Outcome OpenToPlayers(const std::string& folder) override;
    bool Exists(const std::string& path) override { return m_real.Exists(path); }
    Outcome LastWritten(const std::string& path, unsigned long long& time) override
    {
        return refuseReads ? Outcome::Refused(readRefusal) : m_real.LastWritten(path, time);
    }
    Outcome List(const std::string& folder, std::vector<std::string>& names) override
    {
        return m_real.List(folder, names);
    }
    unsigned long ProcessId() override { return m_real.ProcessId(); }
    bool ProcessRunning(unsigned long id) override { return m_real.ProcessRunning(id); }

private:
    struct Fault {
        Op op;
        int nth;
        ReplaceFault replace;
        unsigned long code;
    };
    const Fault* Fails(Op op);

    IFileOps& m_real = FileSeam::Platform();
    std::vector<Fault> m_faults;
    int m_counts[kOpCount] = {};
};
