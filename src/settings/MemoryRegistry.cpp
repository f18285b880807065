#include "settings/MemoryRegistry.h"

#include <algorithm>
#include <cstring>

namespace {

uint64_t Tick()
{
    static uint64_t clock = 0;
    return ++clock;
}

}  // namespace

void MemoryRegistry::Fail(Operation op, long error, const std::string& valueName)
{
    m_fail[op] = error;
    if (op == kSet)
        m_failValue = valueName;
}

void MemoryRegistry::ClearFailures()
{
    std::fill(std::begin(m_fail), std::end(m_fail), 0);
    m_failValue.clear();
}

long MemoryRegistry::CreateKey(const char* subKey, uint32_t access, RegKey* key)
{
    m_accessLog.push_back(access);
    if (m_fail[kCreate])
        return m_fail[kCreate];
    if (!m_keys.count(subKey))
        m_written[subKey] = Tick();
    m_keys[subKey];
    *key = m_nextHandle++;
    m_handles[*key] = subKey;
    return kRegSuccess;
}

long MemoryRegistry::OpenKey(const char* subKey, uint32_t access, RegKey* key)
{
    m_accessLog.push_back(access);
    if (m_fail[kOpen])
        return m_fail[kOpen];
    if (!m_keys.count(subKey))
        return kRegFileNotFound;
    *key = m_nextHandle++;
    m_handles[*key] = subKey;
    return kRegSuccess;
}

long MemoryRegistry::QueryValue(RegKey key, const char* name, uint32_t* type, void* data, uint32_t* size)
{
    if (m_fail[kQuery])
        return m_fail[kQuery];
    auto handle = m_handles.find(key);
    if (handle == m_handles.end())
        return 6;  // ERROR_INVALID_HANDLE
    const Value* value = Get(handle->second, name);
    if (!value)
        return kRegFileNotFound;
    if (type)
        *type = value->type;
    const uint32_t needed = static_cast<uint32_t>(value->bytes.size());
    const uint32_t room = *size;
    *size = needed;
    if (!data)
        return kRegSuccess;
    if (needed > room) {
        // The real store leaves the buffer undefined here; scribble to prove nobody relies on it.
        std::memset(data, 0xCD, room);
        return kRegMoreData;
    }
    std::memcpy(data, value->bytes.data(), needed);
    return kRegSuccess;
}

long MemoryRegistry::SetValue(RegKey key, const char* name, uint32_t type, const void* data, uint32_t size)
{
    auto handle = m_handles.find(key);
    if (handle == m_handles.end())
        return 6;
    if (m_fail[kSet] && (m_failValue.empty() || m_failValue == name))
        return m_fail[kSet];
    std::string bytes(static_cast<const char*>(data), size);
    m_keys[handle->second][name] = Value{type, bytes};
    m_written[handle->second] = Tick();
    m_setCalls.push_back(SetCall{handle->second, name, type, bytes});
    return kRegSuccess;
}

long MemoryRegistry::DeleteValue(RegKey key, const char* name)
{
    auto handle = m_handles.find(key);
    if (handle == m_handles.end())
        return 6;
    if (m_fail[kDelete])
        return m_fail[kDelete];
    if (!m_keys[handle->second].erase(name))
        return kRegFileNotFound;
    m_written[handle->second] = Tick();
    return kRegSuccess;
}

long MemoryRegistry::KeyWritten(const char* subKey, uint64_t* time)
{
    if (m_fail[kOpen])
        return m_fail[kOpen];
    if (!m_keys.count(subKey))
        return kRegFileNotFound;
    const auto written = m_written.find(subKey);
    *time = written == m_written.end() ? 0 : written->second;
    return kRegSuccess;
}

long MemoryRegistry::CloseKey(RegKey key)
{
    if (m_fail[kClose])
        return m_fail[kClose];
    return m_handles.erase(key) ? kRegSuccess : 6;
}

void MemoryRegistry::Put(const std::string& key, const std::string& name, uint32_t type, const std::string& bytes)
{
    m_keys[key][name] = Value{type, bytes};
    m_written[key] = Tick();
}

const MemoryRegistry::Value* MemoryRegistry::Get(const std::string& key, const std::string& name) const
{
    auto k = m_keys.find(key);
    if (k == m_keys.end())
        return nullptr;
    auto v = k->second.find(name);
    return v == k->second.end() ? nullptr : &v->second;
}
