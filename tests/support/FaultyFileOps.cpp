#include "support/FaultyFileOps.h"

void FaultyFileOps::Fail(Op op, int nth, ReplaceFault fault, unsigned long code)
{
    m_faults.push_back(Fault{op, nth, fault, code});
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

Outcome FaultyFileOps::ReadAll(const std::string& path, std::string& bytes)
{
    if (refuseReads)
        return Outcome::Refused(readRefusal);
    const Outcome result = m_real.ReadAll(path, bytes);
    const Fault* fault = Fails(kReadAll);
    if (!fault)
        return result;
    bytes.resize(bytes.size() / 2);
    return Outcome::Failed(fault->code);
}

Outcome FaultyFileOps::CreateNew(const std::string& path, Handle& file)
{
    file = nullptr;
    const Fault* fault = Fails(kCreateNew);
    return fault ? Outcome::Failed(fault->code) : m_real.CreateNew(path, file);
}

Outcome FaultyFileOps::Write(Handle file, const void* data, size_t size)
{
    const Fault* fault = Fails(kWrite);
    if (!fault)
        return m_real.Write(file, data, size);
    m_real.Write(file, data, size / 2);  // as on a disk that fills up
    return Outcome::Failed(fault->code);
}

Outcome FaultyFileOps::Flush(Handle file)
{
    const Fault* fault = Fails(kFlush);
    return fault ? Outcome::Failed(fault->code) : m_real.Flush(file);
}

Outcome FaultyFileOps::Close(Handle file)
{
    const Fault* fault = Fails(kClose);
    const Outcome closed = m_real.Close(file);
    return fault ? Outcome::Failed(fault->code) : closed;
}

Outcome FaultyFileOps::Replace(const std::string& source, const std::string& target)
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
    return Outcome::Failed(fault->code);
}

Outcome FaultyFileOps::Remove(const std::string& path)
{
    const Fault* fault = Fails(kRemove);
    return fault ? Outcome::Failed(fault->code) : m_real.Remove(path);
}

Outcome FaultyFileOps::OpenToPlayers(const std::string& folder)
{
    const Fault* fault = Fails(kOpenToPlayers);
    return fault ? Outcome::Failed(fault->code) : m_real.OpenToPlayers(folder);
}
