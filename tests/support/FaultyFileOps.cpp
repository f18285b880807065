#include "support/FaultyFileOps.h"

void FaultyFileOps::Fail(Op op, int nth)
{
    m_faults.push_back(Fault{op, nth});
}

bool FaultyFileOps::Fails(Op op)
{
    const int n = m_counts[op]++;
    for (const Fault& fault : m_faults) {
        if (fault.op == op && (fault.nth < 0 || fault.nth == n))
            return true;
    }
    return false;
}

bool FaultyFileOps::ReadAll(const std::string& path, std::string& bytes)
{
    return !Fails(kReadAll) && m_real.ReadAll(path, bytes);
}

IFileOps::Handle FaultyFileOps::Create(const std::string& path)
{
    return Fails(kCreate) ? nullptr : m_real.Create(path);
}

bool FaultyFileOps::Write(Handle file, const void* data, size_t size)
{
    return !Fails(kWrite) && m_real.Write(file, data, size);
}

bool FaultyFileOps::Flush(Handle file)
{
    return !Fails(kFlush) && m_real.Flush(file);
}

bool FaultyFileOps::Close(Handle file)
{
    const bool fails = Fails(kClose);
    return m_real.Close(file) && !fails;
}

bool FaultyFileOps::Replace(const std::string& source, const std::string& target)
{
    return !Fails(kReplace) && m_real.Replace(source, target);
}

bool FaultyFileOps::Remove(const std::string& path)
{
    return !Fails(kRemove) && m_real.Remove(path);
}
