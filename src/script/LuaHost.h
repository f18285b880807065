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
    // A host that takes precompiled chunks of a build whose size_t has this
    // many bytes instead of the shipped build's, so native tests and fuzzing
    // can run native chunks. The tool uses the default.
    explicit CLuaHost(size_t chunkSizeTWidth);
    ~CLuaHost();
    CLuaHost(const CLuaHost&) = delete;
    CLuaHost& operator=(const CLuaHost&) = delete;

    // The process-wide host.
    static CLuaHost& Instance();

    // Lua's type codes of the two kinds of value the tool reads.
    enum ValueType { kNumber = 3, kText = 4 };

    // One key of a lookup: its table, the type wanted and, for a number, the
    // default. The lookup fills in the value found, or the default ("" for a
    // text).
    struct Key {
        const char* tableName;
        const char* key;
        ValueType wantedType;
        int number;
        std::string text;

        static Key Number(const char* tableName, const char* key, int defaultValue)
        {
            return Key{tableName, key, kNumber, defaultValue, std::string()};
        }
        static Key Text(const char* tableName, const char* key) { return Key{tableName, key, kText, 0, std::string()}; }
    };

    // Compiles one of the three known scripts, runs it once under the run
    // bounds and reads every key from that run, each from its own table.
    // A compile failure, a run error or a bound gives every key its default.
    // The stack is left as it was found. Returns whether the script ran.
    bool LookupValues(const char* scriptName, Key* keys, size_t count);

    // The text of the setup message `key`, or "" when the script has none.
    std::string GetSetupMessage(const char* key);

    // One line of the saved script's option or command table, in one write.
    static void WriteOptionEntry(IOutputFile& file, const char* key, int value);
    static void WriteCommandEntry(IOutputFile& file, const char* key, int value);

    // Bounds of one run of a script. Game scripts are small data files and
    // stay far below both; a runaway script fails like a script error.
    static constexpr int kInstructionBudget = 10000000;
    static constexpr size_t kMemoryCap = size_t(64) << 20;
    // After a successful run the state is collected only above this size;
    // Lua's own incremental collector takes care of the rest.
    static constexpr size_t kCollectAbove = kMemoryCap / 16;

private:
    struct Lookup;
    // Tests look at the state and at the steps a lookup is made of.
    friend class LuaHostProbe;

    static void* Allocate(void* host, void* block, size_t oldSize, size_t newSize);
    static int Panic(lua_State* state);
    static void StopRunaway(lua_State* state, lua_Debug* debug);
    static int RunLookup(lua_State* state);
    // Compiles name.lub, else name.lua; on success the chunk is left on the stack.
    // A precompiled chunk is taken only when it passes CheckChunk.
    bool LoadChunk(const char* scriptName);
    // LoadChunk for one of the three known scripts, plus the tables it expects.
    bool LoadScript(const char* scriptName);
    // Runs the chunk on top of the stack under the instruction budget; the
    // chunk is gone afterwards, and so is an error.
    bool RunChunk();
    // Pushes table[key] when it has the wanted type, nil otherwise.
    void PushValue(const char* tableName, const char* key, int wantedType);
    // In one protected call: compiles, prepares and runs the script once,
    // then pushes the value of every key (nil where none). False, with the
    // stack as it was, when the script could not be compiled or run.
    bool PushValues(const char* scriptName, const Key* keys, size_t count);
    void OpenState();
    // Drops what a lookup left above `top`; collects after a failed run or
    // when the state grew large, and starts over when a run hoarded memory.
    void Release(int top, bool failed);

    // The file LoadChunk hands to Lua: kept here, not on the C++ stack, which
    // a Lua error unwinds without running destructors.
    std::string m_chunk;
    size_t m_chunkSizeTWidth;
    lua_State* m_state;
    size_t m_used = 0;
    // On only inside the protected lookup, where a refused allocation is a
    // caught error rather than a panic.
    bool m_capped = false;
};
