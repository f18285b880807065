#include "support/FaultyFileOps.h"

void FaultyFileOps::Fail(Op op, int nth, ReplaceFault fault)
{
    m_faults.push_back(Fault{op, nth, fault});
}

const FaultyFileOps::Fault* FaultyFileOps::Fails(Op op)
{
    const int n = m_counts[op]++;
    for (const Fault& fault : m_faults) {
        if (fault.op == op && (fault.nth < 0 || fault.nth == n))
            return &fault;
    }
    return nullptr;
}

IFileOps::ReadResult FaultyFileOps::ReadAll(const std::string& path, std::string& bytes)
{
    const ReadResult result = m_real.ReadAll(path, bytes);
    if (!Fails(kReadAll))
        return result;
    bytes.resize(bytes.size() / 2);
    return kReadFailed;
}

IFileOps::Handle FaultyFileOps::CreateNew(const std::string& path)
{
    return Fails(kCreateNew) ? nullptr : m_real.CreateNew(path);
}

bool FaultyFileOps::Write(Handle file, const void* data, size_t size)
{
    if (!Fails(kWrite))
        return m_real.Write(file, data, size);
    m_real.Write(file, data, size / 2);  // as on a disk that fills up
    return false;
}

bool FaultyFileOps::Flush(Handle file)
{
    return !Fails(kFlush) && m_real.Flush(file);
}

bool FaultyFileOps::Close(Handle file)
{
    const bool fails = Fails(kClose) != nullptr;
    return m_real.Close(file) && !fails;
}

bool FaultyFileOps::Replace(const std::string& source, const std::string& target)
{
    const Fault* fault = Fails(kReplace);
    if (!fault)
        return m_real.Replace(source, target);
    if (fault->replace == kTargetRemoved) {
        m_real.Remove(target);
    } else if (fault->replace == kTargetMovedAside) {
        movedAsideName = target + "~RF1a2b.TMP";
        m_real.Replace(target, movedAsideName);
    }
    return false;
}

bool FaultyFileOps::Remove(const std::string& path)
{
    return !Fails(kRemove) && m_real.Remove(path);
}
