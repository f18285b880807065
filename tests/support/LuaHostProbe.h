// What the script host's tests read besides the tool's own lookups: one key
// at a time through LookupValues, the state, and the steps a script run is made of.
#pragma once

#include <string>
#include <vector>

#include "common/OutputFile.h"
#include "script/LuaHost.h"
#include "settings/SettingNames.h"

class LuaHostProbe {
public:
    static lua_State* State(const CLuaHost& host) { return host.m_state; }
    // The chunk is left on the stack.
    static bool LoadChunk(CLuaHost& host, const char* scriptName) { return host.LoadChunk(scriptName); }
    static bool RunChunk(CLuaHost& host) { return host.RunChunk(); }
};

// `key` after a lookup of it alone.
inline CLuaHost::Key LookupOne(CLuaHost& host, const char* scriptName, CLuaHost::Key key)
{
    host.LookupValues(scriptName, &key, 1);
    return key;
}

inline int LookupNumber(CLuaHost& host, const char* scriptName, const char* tableName, const char* key,
                        int defaultValue)
{
    return LookupOne(host, scriptName, CLuaHost::Key::Number(tableName, key, defaultValue)).number;
}

inline int SavedOption(CLuaHost& host, const char* key, int defaultValue)
{
    return LookupNumber(host, GetSettingName(kNameSavedScript), GetSettingName(kNameOptionTable), key, defaultValue);
}

inline int SavedCommand(CLuaHost& host, const char* key, int defaultValue)
{
    return LookupNumber(host, GetSettingName(kNameSavedScript), GetSettingName(kNameCommandTable), key, defaultValue);
}

inline int DefaultOption(CLuaHost& host, const char* key)
{
    return LookupNumber(host, GetSettingName(kNameDefaultScript), GetSettingName(kNameOptionTable), key, 0);
}

inline int DefaultCommand(CLuaHost& host, const char* key)
{
    return LookupNumber(host, GetSettingName(kNameDefaultScript), GetSettingName(kNameCommandTable), key, 0);
}

// An output file that keeps each write.
class RecordingFile : public IOutputFile {
public:
    void Write(const void* data, size_t size) override { writes.emplace_back(static_cast<const char*>(data), size); }
    std::string Text() const
    {
        std::string text;
        for (const std::string& write : writes)
            text += write;
        return text;
    }
    std::vector<std::string> writes;
};
