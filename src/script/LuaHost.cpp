#include "script/LuaHost.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

extern "C" {
#include <lauxlib.h>
#include <lua.h>
}

#include "common/Clock.h"
#include "common/FileOps.h"
#include "common/Path.h"
#include "script/ChunkCheck.h"
#include "settings/SettingNames.h"

namespace {

constexpr int kNoScript = -1;
constexpr size_t kMaxPath = 1024;
constexpr size_t kFormatBuffer = 4096;

// What each known script needs: the script read in its place when it cannot
// be compiled, and the tables created empty between compiling and running.
struct KnownScript {
    int name;
    int fallback;
    int tables[2];
    int tableCount;
};

const KnownScript kKnownScripts[] = {
    {kNameSavedScript, kNameDefaultScript, {kNameCommandTable, kNameOptionTable}, 2},
    {kNameDefaultScript, kNoScript, {}, 0},
    {kNameMessageScript, kNoScript, {kNameMessageTable}, 1},
};

const char* const kExtensions[] = {".lub", ".lua"};

const KnownScript* FindKnownScript(const char* scriptName)
{
    for (const KnownScript& script : kKnownScripts) {
        const char* name = GetSettingName(script.name);
        if (scriptName && name && std::strcmp(scriptName, name) == 0)
            return &script;
    }
    return nullptr;
}

// The platform's file name of script + extension in `out`. Runs inside the
// protected lookup, so its strings must be gone before the next Lua call.
bool FileName(const char* scriptName, const char* extension, char (&out)[kMaxPath])
{
    // No C++ exception may cross Lua's C frames.
    try {
        const std::string native = NativePath(std::string(scriptName) + extension);
        if (native.size() >= kMaxPath)
            return false;
        std::memcpy(out, native.c_str(), native.size() + 1);
        return true;
    } catch (...) {
        return false;
    }
}

// Reads the whole file into `bytes`; false, with `bytes` emptied, when it
// cannot be read or is larger than Lua may hold. Runs inside the protected
// lookup, so no exception may leave it.
bool ReadScript(const char* path, std::string& bytes)
{
    bool read = false;
    try {
        read = FileSeam::Current().ReadAll(path, bytes) && bytes.size() <= CLuaHost::kMemoryCap;
    } catch (...) {
    }
    if (!read)
        std::string().swap(bytes);
    return read;
}

struct Buffer {
    const char* data;
    size_t size;
};

// What of a script's bytes Lua gets, as luaL_loadfile gave it. That reads in
// the Windows C runtime's text mode, where a Ctrl-Z ends the file, and skips
// a first line starting with '#'; the byte after that line (or else the
// first) tells a chunk from text. A chunk is read again in binary mode from
// the file's first signature byte and must pass the checker; false when it
// does not. Text keeps the skipped line's line end.
bool LoadableBytes(const std::string& bytes, size_t sizeTWidth, Buffer& out)
{
    const char* const first = bytes.data();
    const char* const end = first + bytes.size();
    const void* stop = std::memchr(first, 0x1a, bytes.size());
    const char* const textEnd = stop ? static_cast<const char*>(stop) : end;
    const char* text = first;
    const char* next = first;
    if (first < textEnd && *first == '#') {
        const void* line = std::memchr(first, '\n', static_cast<size_t>(textEnd - first));
        text = line ? static_cast<const char*>(line) : textEnd;
        next = line ? text + 1 : textEnd;
    }
    if (next < textEnd && *next == LUA_SIGNATURE[0]) {
        const char* chunk = static_cast<const char*>(std::memchr(first, LUA_SIGNATURE[0], bytes.size()));
        out = Buffer{chunk, static_cast<size_t>(end - chunk)};
        return CheckChunk(out.data, out.size, sizeTWidth) == ChunkVerdict::kData;
    }
    out = Buffer{text, static_cast<size_t>(textEnd - text)};
    return true;
}

// Hands Lua the whole buffer at once.
const char* ReadBuffer(lua_State*, void* data, size_t* size)
{
    Buffer* buffer = static_cast<Buffer*>(data);
    *size = buffer->size;
    buffer->size = 0;
    return *size > 0 ? buffer->data : nullptr;
}

// Truncation toward zero; numbers an int32 cannot hold saturate, NaN has no
// sensible integer and gives the caller's default.
int ToInt32(double value, int defaultValue)
{
    if (std::isnan(value))
        return defaultValue;
    if (value >= 2147483648.0)
        return INT32_MAX;
    if (value <= -2147483649.0)
        return INT32_MIN;
    return static_cast<int>(value);
}

}  // namespace

static_assert(CLuaHost::kNumber == LUA_TNUMBER && CLuaHost::kText == LUA_TSTRING, "Lua's type codes");

struct CLuaHost::Lookup {
    CLuaHost* host;
    const char* scriptName;
    const Key* keys;
    size_t count;
    bool ran;
};

CLuaHost::CLuaHost() : CLuaHost(kChunkSizeTWidth) {}

CLuaHost::CLuaHost(size_t chunkSizeTWidth) : m_chunkSizeTWidth(chunkSizeTWidth)
{
    OpenState();
}

CLuaHost::~CLuaHost()
{
    if (m_state) {
        lua_close(m_state);
        m_state = nullptr;
    }
}

CLuaHost& CLuaHost::Instance()
{
    static CLuaHost host;
    return host;
}

void* CLuaHost::Allocate(void* ud, void* block, size_t oldSize, size_t newSize)
{
    CLuaHost* host = static_cast<CLuaHost*>(ud);
    if (newSize == 0) {
        std::free(block);
        host->m_used -= oldSize;
        host->CountBlock(oldSize, false);
        return nullptr;
    }
    if (host->m_capped && newSize > oldSize) {
        const size_t room = host->m_used < kMemoryCap ? kMemoryCap - host->m_used : 0;
        if (newSize > kLargestBlock || newSize - oldSize > room)
            return nullptr;
    }
    void* grown = std::realloc(block, newSize);
    if (grown) {
        host->m_used = host->m_used - oldSize + newSize;
        host->CountBlock(oldSize, false);
        host->CountBlock(newSize, true);
        // The next instruction may already compare the string just made.
        if (host->m_running && newSize >= kLargeBlock) {
            const int interval = host->CheckInterval();
            if (interval < host->m_interval)
                host->CheckAfter(interval);
        }
    }
    return grown;
}

void CLuaHost::CountBlock(size_t size, bool alive)
{
    if (size < kLargeBlock)
        return;
    int sizeClass = 0;
    while (sizeClass + 1 < kLargeClasses && size >= kLargeBlock << (sizeClass + 1))
        ++sizeClass;
    if (alive)
        ++m_largeBlocks[sizeClass];
    else
        --m_largeBlocks[sizeClass];
}

int CLuaHost::CheckInterval() const
{
    // A block of class i is less than kLargeBlock << (i + 1) bytes.
    for (int sizeClass = kLargeClasses - 1; sizeClass >= 0; --sizeClass)
        if (m_largeBlocks[sizeClass] != 0)
            return std::max(1, (kCheckInterval / 2) >> sizeClass);
    return kCheckInterval;
}

void CLuaHost::CheckAfter(int instructions)
{
    // Counted when granted, so a hook moved earlier counts a few too many.
    m_granted += instructions;
    m_interval = instructions;
    lua_sethook(m_state, &CLuaHost::StopRunaway, LUA_MASKCOUNT, instructions);
}

int CLuaHost::Panic(lua_State*)
{
    // Every script runs protected, so this means a broken state. Returning
    // would make the library call exit(), running destructors on that state.
    std::abort();
}

void CLuaHost::StopRunaway(lua_State* state, lua_Debug*)
{
    void* ud = nullptr;
    lua_getallocf(state, &ud);
    CLuaHost& host = *static_cast<CLuaHost*>(ud);
    if (host.m_granted >= kInstructionBudget) {
        lua_pushstring(state, "instruction budget exhausted");
        lua_error(state);
    }
    if (MonotonicMs() >= host.m_deadline) {
        lua_pushstring(state, "run deadline passed");
        lua_error(state);
    }
    host.CheckAfter(host.CheckInterval());
}

bool CLuaHost::LoadChunk(const char* scriptName)
{
    if (!m_state || !scriptName)
        return false;
    for (const char* extension : kExtensions) {
        char path[kMaxPath];
        if (!FileName(scriptName, extension, path) || !ReadScript(path, m_chunk))
            continue;
        // The bytes checked are the bytes Lua reads: the file is read once.
        Buffer chunk;
        int status = LUA_ERRSYNTAX;
        if (LoadableBytes(m_chunk, m_chunkSizeTWidth, chunk)) {
            char name[kMaxPath + 1] = "@";  // as luaL_loadfile named it
            std::memcpy(name + 1, path, std::strlen(path) + 1);
            status = lua_load(m_state, &ReadBuffer, &chunk, name);
            if (status != 0)
                lua_pop(m_state, 1);  // the error message
        }
        std::string().swap(m_chunk);
        if (status == 0)
            return true;
    }
    return false;
}

bool CLuaHost::LoadScript(const char* scriptName)
{
    const KnownScript* script = FindKnownScript(scriptName);
    if (!script)
        return false;
    if (!LoadChunk(scriptName))
        return script->fallback != kNoScript && LoadChunk(GetSettingName(script->fallback));
    for (int i = 0; i < script->tableCount; ++i) {
        lua_createtable(m_state, 0, 0);
        lua_setfield(m_state, LUA_GLOBALSINDEX, GetSettingName(script->tables[i]));
    }
    return true;
}

bool CLuaHost::RunChunk()
{
    if (!m_state || lua_type(m_state, -1) != LUA_TFUNCTION)
        return false;
    const int below = lua_gettop(m_state) - 1;
    m_deadline = MonotonicMs() + kRunDeadlineMs;
    m_granted = 0;
    m_running = true;
    CheckAfter(CheckInterval());
    const int status = lua_pcall(m_state, 0, 0, 0);
    m_running = false;
    lua_sethook(m_state, nullptr, 0, 0);
    if (status != 0) {
        lua_settop(m_state, below);
        return false;
    }
    return true;
}

void CLuaHost::PushValue(const char* tableName, const char* key, int wantedType)
{
    lua_getfield(m_state, LUA_GLOBALSINDEX, tableName);
    if (lua_type(m_state, -1) != LUA_TTABLE) {
        lua_pop(m_state, 1);
        lua_pushnil(m_state);
        return;
    }
    lua_pushstring(m_state, key);
    lua_gettable(m_state, -2);
    lua_remove(m_state, -2);
    if (lua_type(m_state, -1) != wantedType) {
        lua_pop(m_state, 1);
        lua_pushnil(m_state);
    }
}

int CLuaHost::RunLookup(lua_State* state)
{
    // Errors raised in here unwind by longjmp: keep no C++ objects alive.
    Lookup* lookup = static_cast<Lookup*>(lua_touserdata(state, 1));
    lua_settop(state, 0);
    CLuaHost& host = *lookup->host;
    if (!host.LoadScript(lookup->scriptName) || !host.RunChunk())
        return 0;
    lookup->ran = true;
    // Each value, plus the table and the key while it is fetched.
    luaL_checkstack(state, static_cast<int>(lookup->count) + 2, "too many keys");
    for (size_t i = 0; i < lookup->count; ++i)
        host.PushValue(lookup->keys[i].tableName, lookup->keys[i].key, lookup->keys[i].wantedType);
    return static_cast<int>(lookup->count);
}

bool CLuaHost::PushValues(const char* scriptName, const Key* keys, size_t count)
{
    if (!m_state || count > static_cast<size_t>(INT32_MAX))
        return false;
    const int top = lua_gettop(m_state);
    Lookup lookup{this, scriptName, keys, count, false};
    lua_pushcfunction(m_state, &CLuaHost::RunLookup);
    lua_pushlightuserdata(m_state, &lookup);
    // Compiling, preparing, running and reading all happen in this one
    // protected call, so a refused allocation anywhere in them is an error
    // the call catches.
    m_capped = true;
    const int status = lua_pcall(m_state, 1, LUA_MULTRET, 0);
    m_capped = false;
    if (status == 0 && lookup.ran)
        return true;
    Release(top, true);
    return false;
}

bool CLuaHost::LookupValues(const char* scriptName, Key* keys, size_t count)
{
    if (!m_state)
        return false;
    const int top = lua_gettop(m_state);
    if (!PushValues(scriptName, keys, count))
        return false;
    // Outside the protected call nothing below can raise a Lua error: the
    // values are numbers, strings or nil already on the stack.
    for (size_t i = 0; i < count; ++i) {
        const int index = top + 1 + static_cast<int>(i);
        Key& key = keys[i];
        if (key.wantedType == kNumber && lua_type(m_state, index) == LUA_TNUMBER)
            key.number = ToInt32(lua_tonumber(m_state, index), key.number);
        else if (key.wantedType == kText && lua_type(m_state, index) == LUA_TSTRING)
            try {
                key.text = lua_tolstring(m_state, index, nullptr);
            } catch (const std::bad_alloc&) {
                key.text.clear();  // no memory for the text: its default
            }
    }
    Release(top, false);
    return true;
}

void CLuaHost::OpenState()
{
    // Our own allocator, so the state can be capped; the library's default
    // would let a runaway script take all memory.
    m_state = lua_newstate(&CLuaHost::Allocate, this);
    if (m_state)
        lua_atpanic(m_state, &CLuaHost::Panic);
}

void CLuaHost::Release(int top, bool failed)
{
    lua_settop(m_state, top);
    if (failed || m_used > kCollectAbove)
        lua_gc(m_state, LUA_GCCOLLECT, 0);
    // A run stopped at a bound may have grown the library's string buffer,
    // which only halves per collection.
    if (failed && m_used > kCollectAbove)
        lua_gc(m_state, LUA_GCCOLLECT, 0);
    // Live data this large was hoarded in a global by a runaway run; kept, it
    // would make every later lookup fail at the cap. Start over without it.
    // A run stopped by its deadline can hoard any amount below the cap, so
    // after a failure less is enough. Only with nothing of a caller's left
    // on the stack.
    const size_t hoard = failed ? kCollectAbove : kMemoryCap / 2;
    if (top == 0 && m_used > hoard) {
        lua_gc(m_state, LUA_GCCOLLECT, 0);
        if (m_used > hoard) {
            lua_close(m_state);
            OpenState();
        }
    }
}

std::string CLuaHost::GetSetupMessage(const char* key)
{
    Key wanted = Key::Text(GetSettingName(kNameMessageTable), key);
    LookupValues(GetSettingName(kNameMessageScript), &wanted, 1);
    return wanted.text;
}

namespace {

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string FormatText(const char* format, ...)
{
    // Longer output grows the buffer instead of being cut: a cut line would
    // lose its line end and run into the next one.
    char buffer[kFormatBuffer] = {};
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    std::string text;
    if (length >= 0 && static_cast<size_t>(length) < sizeof buffer) {
        text.assign(buffer, static_cast<size_t>(length));
    } else if (length > 0) {
        std::vector<char> large(static_cast<size_t>(length) + 1);
        if (std::vsnprintf(large.data(), large.size(), format, again) == length)
            text.assign(large.data(), static_cast<size_t>(length));
    }
    va_end(again);
    return text;
}

void WriteEntry(IOutputFile& file, const char* tableName, const char* key, int value)
{
    const std::string line = tableName + FormatText("[\"%s\"] = %d\r\n", key, value);
    file.Write(line.data(), line.size());
}

}  // namespace

void CLuaHost::WriteOptionEntry(IOutputFile& file, const char* key, int value)
{
    WriteEntry(file, GetSettingName(kNameOptionTable), key, value);
}

void CLuaHost::WriteCommandEntry(IOutputFile& file, const char* key, int value)
{
    WriteEntry(file, GetSettingName(kNameCommandTable), key, value);
}
