// The one Lua state and the typed lookups into the game's scripts.
#pragma once

#include <cstddef>
#include <string>

#include "common/OutputFile.h"

struct lua_State;
struct lua_Debug;

class CLuaHost {
public:
    CLuaHost();
    ~CLuaHost();
    CLuaHost(const CLuaHost&) = delete;
    CLuaHost& operator=(const CLuaHost&) = delete;

    // The process-wide host.
    static CLuaHost& Instance();

    // Compiles name.lub, else name.lua; on success the chunk is left on the stack.
    bool LoadChunk(const char* scriptName);
    // LoadChunk for one of the three known scripts, plus the tables it expects.
    bool LoadScript(const char* scriptName);
    // Runs the chunk on top of the stack and fetches table[key]. On success the
    // value replaces the chunk; on failure the chunk and all else pushed are gone.
    bool FindValue(const char* tableName, const char* key, int wantedType);
    // LoadScript and FindValue under the run bounds. On success the value is
    // left on the stack for the caller; on failure the stack is as it was.
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

    // Bounds of one lookup. Game scripts are small data files and stay far
    // below both; a runaway script fails like a script error.
    static constexpr int kInstructionBudget = 10000000;
    static constexpr size_t kMemoryCap = size_t(64) << 20;

private:
    struct Lookup;

    static void* Allocate(void* host, void* block, size_t oldSize, size_t newSize);
    static int Panic(lua_State* state);
    static void StopRunaway(lua_State* state, lua_Debug* debug);
    static int RunLookup(lua_State* state);
    void OpenState();
    // Drops what a lookup left above `top` and frees the garbage of the run.
    void Release(int top);

    std::string m_result;
    lua_State* m_state;
    size_t m_used = 0;
    // On only inside the protected lookup, where a refused allocation is a
    // caught error rather than a panic.
    bool m_capped = false;
};
