// The one Lua state and the typed lookups into the game's scripts.
#pragma once

#include <string>

#include "common/OutputFile.h"

struct lua_State;

class CLuaHost {
public:
    CLuaHost();
    ~CLuaHost();
    CLuaHost(const CLuaHost&) = delete;
    CLuaHost& operator=(const CLuaHost&) = delete;

    // The process-wide host.
    static CLuaHost& Instance();

    bool LoadChunk(const char* scriptName);
    bool LoadScript(const char* scriptName);
    bool FindValue(const char* tableName, const char* key, int wantedType);
    bool LookupValue(const char* scriptName, const char* tableName, const char* key, int wantedType);

    int GetInt(const char* scriptName, const char* tableName, const char* key, int defaultValue);
    int GetSavedOption(const char* key, int defaultValue);
    int GetSavedCommand(const char* key, int defaultValue);
    int GetDefaultOption(const char* key);
    int GetDefaultCommand(const char* key);

    // The text stays valid until the next string lookup.
    const char* GetString(const char* tableName, const char* key);
    const char* GetSetupMessage(const char* key);

    static std::string FormatText(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 1, 2)))
#endif
        ;

    static void WriteEntry(IOutputFile& file, const char* tableName, const char* key, int value);
    static void WriteOptionEntry(IOutputFile& file, const char* key, int value);
    static void WriteCommandEntry(IOutputFile& file, const char* key, int value);

    lua_State* State() const { return m_state; }

private:
    std::string m_result;
    lua_State* m_state;
};
