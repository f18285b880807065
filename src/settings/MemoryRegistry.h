// A registry in memory: the native build's store and the tests' double. Any
// operation can be told to fail, and every stored value is logged in order.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "settings/RegistryApi.h"

class MemoryRegistry : public IRegistryApi {
public:
    struct Value {
        uint32_t type = 0;
        std::string bytes;
    };
    struct SetCall {
        std::string key;
        std::string name;
        uint32_t type;
        std::string bytes;
    };
    enum Operation { kCreate, kOpen, kQuery, kSet, kClose, kDelete, kOperationCount };

    long CreateKey(const char* subKey, uint32_t access, RegKey* key) override;
    long OpenKey(const char* subKey, uint32_t access, RegKey* key) override;
    long QueryValue(RegKey key, const char* name, uint32_t* type, void* data, uint32_t* size) override;
    long SetValue(RegKey key, const char* name, uint32_t type, const void* data, uint32_t size) override;
    long DeleteValue(RegKey key, const char* name) override;
    long CloseKey(RegKey key) override;
    // Each change of a key's values moves its time one step on, the same clock for every store.
    long KeyWritten(const char* subKey, uint64_t* time) override;
    void SetWritten(const std::string& key, uint64_t time) { m_written[key] = time; }

    // Makes every call of `op` fail with `error`; for kSet optionally only the named value.
    void Fail(Operation op, long error = kRegAccessDenied, const std::string& valueName = std::string());
    void ClearFailures();

    bool HasKey(const std::string& key) const { return m_keys.count(key) != 0; }
    void AddKey(const std::string& key) { m_keys[key]; }
    void Put(const std::string& key, const std::string& name, uint32_t type, const std::string& bytes);
    const Value* Get(const std::string& key, const std::string& name) const;

    const std::vector<SetCall>& SetCalls() const { return m_setCalls; }
    size_t OpenHandles() const { return m_handles.size(); }
    const std::vector<uint32_t>& AccessLog() const { return m_accessLog; }

private:
    std::map<std::string, std::map<std::string, Value>> m_keys;
    std::map<RegKey, std::string> m_handles;
    std::map<std::string, uint64_t> m_written;  // on one clock for every store, as time is
    RegKey m_nextHandle = 0x100;
    long m_fail[kOperationCount] = {};
    std::string m_failValue;
    std::vector<SetCall> m_setCalls;
    std::vector<uint32_t> m_accessLog;
};
