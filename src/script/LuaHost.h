// The one Lua state and the typed lookups into the game's scripts.
#pragma once

#include <cstddef>
#include <cstdint>
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
    // stay far below all of them; a script that reaches one fails like a
    // script error.
    static constexpr int kInstructionBudget = 10000000;
    // Steps alone do not bound time: Lua compares strings with one strcoll
    // call per NUL-separated piece, about 5 ns for each NUL. Counted from
    // the start of the run; compiling is not under it.
    static constexpr int kRunDeadlineMs = 500;
    static constexpr size_t kMemoryCap = size_t(64) << 20;
    // The largest single block, and so the dearest instruction: comparing two
    // strings this large takes about 90 ms. Data needs up to 10 MiB (the
    // compiler's table of 2^18 constants, a table of 140,000 fields).
    static constexpr size_t kLargestBlock = size_t(16) << 20;
    // The clock is read every kCheckInterval instructions while no block of
    // kLargeBlock bytes or more is alive. A larger block makes comparisons
    // dearer, so the interval halves with each doubling of the largest one,
    // down to every instruction: between two reads about 8 MiB is compared
    // at most, or what one instruction compares.
    static constexpr int kCheckInterval = 256;
    static constexpr size_t kLargeBlock = size_t(32) << 10;
    // After a successful run the state is collected only above this size;
    // Lua's own incremental collector takes care of the rest.
    static constexpr size_t kCollectAbove = kMemoryCap / 16;

private:
    struct Lookup;
    // Tests look at the state and at the steps a lookup is made of.
    friend class LuaHostProbe;

    static void* Allocate(void* host, void* block, size_t oldSize, size_t newSize);
    static int Panic(lua_State* state);
    // The count hook: ends a run past its budget or its deadline, and sets
    // when it is called next.
    static void StopRunaway(lua_State* state, lua_Debug* debug);
    // Keeps count of the large blocks alive, by size class.
    void CountBlock(size_t size, bool alive);
    // Instructions until the next look at the clock, for the blocks alive.
    int CheckInterval() const;
    void CheckAfter(int instructions);
    static int RunLookup(lua_State* state);
    // Compiles name.lub, else name.lua; on success the chunk is left on the stack.
    // A precompiled chunk is taken only when it passes CheckChunk.
    bool LoadChunk(const char* scriptName);
    // LoadChunk for one of the three known scripts, plus the tables it expects.
    bool LoadScript(const char* scriptName);
    // Runs the chunk on top of the stack under the run bounds; the
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

    // The run in progress: its deadline on MonotonicMs' clock, the
    // instructions granted so far and how many the hook granted last.
    bool m_running = false;
    uint64_t m_deadline = 0;
    int64_t m_granted = 0;
    int m_interval = 0;
    // Blocks alive of kLargeBlock << i bytes or more, but less than twice that.
    static constexpr int kLargeClasses = 12;
    size_t m_largeBlocks[kLargeClasses] = {};
};
