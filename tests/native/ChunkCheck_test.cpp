#include "script/ChunkCheck.h"

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

extern "C" {
#include <lauxlib.h>
#include <lua.h>
}

#include "support/LuaChunks.h"
#include "support/TempDir.h"

namespace {

using namespace chunk;
using V = ChunkVerdict;

// The native Lua's size_t; the shipped build's is 4.
constexpr size_t kNative = sizeof(size_t);

V Check(const std::string& bytes, size_t width) { return CheckChunk(bytes.data(), bytes.size(), width); }

// OptionInfoList = { K = 5 }
Function Base()
{
    Function f;
    f.constants = {Constant::Text("OptionInfoList"), Constant::Text("K"), Constant::Number(5)};
    f.code = {ABC(kNewTable, 0, 0, 1), ABC(kSetTable, 0, kK + 1, kK + 2), ABx(kSetGlobal, 0, 0), ABC(kReturn, 0, 1, 0)};
    return f;
}

// Base's table filled by a SETLIST whose batch number is the word after it,
// with `before` put ahead of the SETLIST.
std::string WithBatchWord(uint32_t before, uint32_t batch, size_t width)
{
    Function f = Base();
    f.code = {ABC(kNewTable, 0, 0, 0), ABx(kLoadK, 1, 2), before, ABC(kSetList, 0, 1, 0), batch,
              ABx(kSetGlobal, 0, 0), ABC(kReturn, 0, 1, 0)};
    return Assemble(f, width);
}

// Base with `instruction` put before its instruction `at`.
std::string Inserted(size_t at, uint32_t instruction, size_t width)
{
    Function f = Base();
    f.code.insert(f.code.begin() + at, instruction);
    return Assemble(f, width);
}

// Base with no source name and `value` as the int `at` bytes after the
// source's size: the first line number at 0, the code count at 12.
std::string WithInt(size_t at, uint32_t value, size_t width)
{
    Function f = Base();
    f.source = "";
    std::string bytes = Assemble(f, width);
    for (int i = 0; i < 4; ++i)
        bytes[12 + width + at + i] = static_cast<char>(value >> (8 * i));
    return bytes;
}

struct HandBuilt {
    const char* name;
    V verdict;
    std::string (*make)(size_t width);
};

const HandBuilt kHandBuilt[] = {
    {"data", V::kData, [](size_t w) { return Assemble(Base(), w); }},
    {"stripped", V::kData,
     [](size_t w) { Function f = Base(); f.source = ""; f.lineInfo = false; return Assemble(f, w); }},
    {"named local", V::kData, [](size_t w) { Function f = Base(); f.localNames = {"x"}; return Assemble(f, w); }},
    // Lua's own parity rule: the word after the batch word is an instruction again.
    {"jump past a batch word that looks like a SETLIST", V::kData,
     [](size_t w) { return WithBatchWord(AsBx(kJmp, 0, 2), ABC(kSetList, 0, 0, 0), w); }},

    {"FORLOOP without FORPREP", V::kNotData, &ForLoopConfusion},
    {"register beyond the stack", V::kNotData,
     [](size_t w) { Function f = Base(); f.code[0] = ABC(kNewTable, 2, 0, 1); return Assemble(f, w); }},
    {"constant beyond the constants", V::kNotData, [](size_t w) { return Inserted(0, ABx(kLoadK, 1, 3), w); }},
    {"RK constant beyond the constants", V::kNotData,
     [](size_t w) { Function f = Base(); f.code[1] = ABC(kSetTable, 0, kK + 1, kK + 3); return Assemble(f, w); }},
    {"global named by a number", V::kNotData,
     [](size_t w) { Function f = Base(); f.code[2] = ABx(kSetGlobal, 0, 2); return Assemble(f, w); }},
    {"upvalue", V::kNotData, [](size_t w) { Function f = Base(); f.upvalueCount = 1; return Assemble(f, w); }},
    {"upvalue read", V::kNotData, [](size_t w) { return Inserted(0, ABC(kGetUpval, 1, 0, 0), w); }},
    {"upvalue name", V::kNotData, [](size_t w) { Function f = Base(); f.upvalueNames = {"u"}; return Assemble(f, w); }},
    {"parameter", V::kNotData, [](size_t w) { Function f = Base(); f.paramCount = 1; return Assemble(f, w); }},
    {"stack of 251", V::kNotData, [](size_t w) { Function f = Base(); f.maxStack = 251; return Assemble(f, w); }},
    {"jump backward", V::kNotData, [](size_t w) { return Inserted(2, AsBx(kJmp, 0, -1), w); }},
    {"jump past the end", V::kNotData, [](size_t w) { return Inserted(3, AsBx(kJmp, 0, 1), w); }},
    {"jump onto a batch word", V::kNotData, [](size_t w) { return WithBatchWord(AsBx(kJmp, 0, 1), 600, w); }},
    {"LOADBOOL skipping onto a batch word", V::kNotData,
     [](size_t w) { return WithBatchWord(ABC(kLoadBool, 1, 1, 1), 600, w); }},
    {"batch number zero", V::kNotData, [](size_t w) { return WithBatchWord(ABC(kMove, 1, 1, 0), 0, w); }},
    {"batch number past any table", V::kNotData,
     [](size_t w) { return WithBatchWord(ABC(kMove, 1, 1, 0), 0x7fffffff, w); }},
    {"batch word in place of the last RETURN", V::kNotData, [](size_t w) {
         Function f = Base();
         f.code = {ABC(kNewTable, 0, 0, 0), ABx(kLoadK, 1, 2), ABC(kSetList, 0, 1, 0), ABC(kReturn, 0, 0, 0)};
         return Assemble(f, w);
     }},
    {"SETLIST past the stack", V::kNotData, [](size_t w) { return Inserted(1, ABC(kSetList, 0, 2, 1), w); }},
    {"table of 2^31 slots", V::kNotData,
     [](size_t w) { Function f = Base(); f.code[0] = ABC(kNewTable, 0, 0xff, 0); return Assemble(f, w); }},
    {"test without its jump", V::kNotData, [](size_t w) { return Inserted(1, ABC(kTest, 0, 0, 1), w); }},
    {"comparison without its jump", V::kNotData, [](size_t w) { return Inserted(1, ABC(kEq, 0, kK + 2, kK + 2), w); }},
    {"concatenation of one", V::kNotData, [](size_t w) { return Inserted(1, ABC(kConcat, 1, 1, 1), w); }},
    {"return up to the top", V::kNotData,
     [](size_t w) { Function f = Base(); f.code.back() = ABC(kReturn, 0, 0, 0); return Assemble(f, w); }},
    {"return past the stack", V::kNotData,
     [](size_t w) { Function f = Base(); f.code.back() = ABC(kReturn, 0, 4, 0); return Assemble(f, w); }},
    {"no RETURN at the end", V::kNotData,
     [](size_t w) { Function f = Base(); f.code.pop_back(); return Assemble(f, w); }},
    {"call", V::kNotData, [](size_t w) { return Inserted(3, ABC(kCall, 0, 1, 1), w); }},
    {"nested closure", V::kNotData, [](size_t w) {
         Function f = Base();
         f.functions = {Base()};
         f.code.insert(f.code.begin(), ABx(kClosure, 1, 0));
         return Assemble(f, w);
     }},
    {"opcode 38", V::kNotData, [](size_t w) { return Inserted(0, 38, w); }},

    {"truncated", V::kMalformed, [](size_t w) { std::string b = Assemble(Base(), w); b.pop_back(); return b; }},
    {"byte after the chunk", V::kMalformed, [](size_t w) { return Assemble(Base(), w) + '\0'; }},
    {"negative line number", V::kMalformed, [](size_t w) { return WithInt(0, 0xffffffff, w); }},
    {"code count beyond the bytes", V::kMalformed, [](size_t w) { return WithInt(12, 0x7fffffff, w); }},
    {"source size of all ones", V::kMalformed,
     [](size_t w) { std::string b = Assemble(Base(), w); b.replace(12, w, w, '\xff'); return b; }},
    {"string without its NUL", V::kMalformed,
     [](size_t w) { Function f = Base(); f.constants[0].terminated = false; return Assemble(f, w); }},
    {"empty constant string", V::kMalformed, [](size_t w) {
         Function f = Base();
         f.constants.push_back({Constant::kString, 0, "", false});
         return Assemble(f, w);
     }},
    {"constant of another type", V::kMalformed, [](size_t w) {
         Function f = Base();
         f.constants.push_back({Constant::Type(2), 0, "", true});
         return Assemble(f, w);
     }},

    {"4-byte numbers", V::kForeignHeader, [](size_t w) { std::string b = Assemble(Base(), w); b[10] = 4; return b; }},
    {"another Lua version", V::kForeignHeader,
     [](size_t w) { std::string b = Assemble(Base(), w); b[4] = 0x52; return b; }},
};

TEST(ChunkCheck, HandBuiltChunks)
{
    for (const HandBuilt& c : kHandBuilt) {
        SCOPED_TRACE(c.name);
        for (size_t width : {kChunkSizeTWidth, kNative}) {
            const std::string bytes = c.make(width);
            EXPECT_EQ(Check(bytes, width), c.verdict) << "size_t of " << width;
            EXPECT_EQ(Check(bytes, width == 4 ? 8 : 4), V::kForeignHeader);
        }
        if (c.verdict == V::kData) {
            lua_State* state = luaL_newstate();
            const std::string bytes = c.make(kNative);
            EXPECT_EQ(luaL_loadbuffer(state, bytes.data(), bytes.size(), "=chunk"), 0) << lua_tostring(state, -1);
            lua_close(state);
        }
    }
}

TEST(ChunkCheck, ForLoopConfusionPassesLuasOwnCheck)
{
    const std::string bytes = ForLoopConfusion(kNative);
    lua_State* state = luaL_newstate();
    ASSERT_EQ(luaL_loadbuffer(state, bytes.data(), bytes.size(), "=chunk"), 0) << lua_tostring(state, -1);
    ASSERT_EQ(lua_pcall(state, 0, 0, 0), 0);
    lua_getglobal(state, "OptionInfoList");
    lua_getfield(state, -1, "Bgm_Volume");
    EXPECT_EQ(lua_type(state, -1), LUA_TNUMBER) << "the only value the chunk stores is a table";
    lua_close(state);
}

// Debian's native luac5.1 on `source`, with `options`.
std::string NativeLuac(const TempGameDir& dir, const std::string& source, const std::string& options)
{
    dir.WriteFile("in.lua", source);
    const int status = std::system(("luac5.1 " + options + " -o out.luac in.lua").c_str());
    return status == 0 ? dir.ReadFile("out.luac") : std::string();
}

TEST(ChunkCheckLuac, DataScriptsAreAcceptedOnlyWithTheirOwnHeader)
{
    TempGameDir dir;
    dir.CopyExampleScripts();
    const std::string sources[] = {dir.ReadFile("System/LuaFiles514/OptionInfo.lua"),
                                   dir.ReadFile("System/LuaFiles514/MsgString.lua"), RichDataScript()};
    for (const std::string& source : sources) {
        ASSERT_FALSE(source.empty());
        for (const char* options : {"", "-s"}) {
            SCOPED_TRACE(source.substr(0, 60) + " " + options);
            const std::string bytes = NativeLuac(dir, source, options);
            ASSERT_FALSE(bytes.empty()) << "luac5.1 failed";
            EXPECT_EQ(Check(bytes, kNative), V::kData);
            EXPECT_EQ(Check(bytes, kChunkSizeTWidth), V::kForeignHeader);
        }
    }
}

TEST(ChunkCheckLuac, CodeBeyondDataBuildingIsRefused)
{
    const char* const sources[] = {
        "OptionInfoList = {} for i = 1, 3 do OptionInfoList[i] = i end",
        "OptionInfoList = {} for k, v in next, {} do end",
        "OptionInfoList = {} while OptionInfoList.K do end",
        "OptionInfoList = {} repeat until OptionInfoList",
        "OptionInfoList = { K = tostring(5) }",
        "OptionInfoList = {} function OptionInfoList.f() end",
        "local x = 1 OptionInfoList = { f = function() return x end }",
        "OptionInfoList = { ... }",
        "local t = {} OptionInfoList = t:method()",
    };
    TempGameDir dir;
    for (const char* source : sources) {
        SCOPED_TRACE(source);
        const std::string bytes = NativeLuac(dir, source, "");
        ASSERT_FALSE(bytes.empty()) << "luac5.1 failed";
        EXPECT_EQ(Check(bytes, kNative), V::kNotData);
    }
}

TEST(ChunkCheckLuac, EveryCutOfAChunkIsRefused)
{
    TempGameDir dir;
    const std::string bytes = NativeLuac(dir, "OptionInfoList = { K = 'text', 1, 2, x = { y = -3 } }", "");
    ASSERT_EQ(Check(bytes, kNative), V::kData);
    for (size_t size = 0; size < bytes.size(); ++size)
        EXPECT_NE(Check(bytes.substr(0, size), kNative), V::kData) << size << " of " << bytes.size() << " bytes";
}

}  // namespace
