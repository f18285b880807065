// Lua 5.1 chunks for the chunk checker's tests: a small assembler of the
// chunk format for any size_t width, a chunk Lua's own check lets through,
// a data script that uses everything data building may, and Lua's own chunks.
#pragma once

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

extern "C" {
#include <lauxlib.h>
#include <lua.h>
}

namespace chunk {

// The chunk this build's Lua writes for `source` read from the file `name`,
// as its luac would.
inline std::string Compile(const std::string& source, const std::string& name = "chunk.lua")
{
    lua_State* state = luaL_newstate();
    std::string bytes;
    if (luaL_loadbuffer(state, source.data(), source.size(), ("@" + name).c_str()) == 0)
        lua_dump(state, [](lua_State*, const void* data, size_t size, void* out) {
            static_cast<std::string*>(out)->append(static_cast<const char*>(data), size);
            return 0;
        }, &bytes);
    lua_close(state);
    return bytes;
}

enum Opcode {
    kMove = 0, kLoadK = 1, kLoadBool = 2, kLoadNil = 3, kGetUpval = 4, kGetGlobal = 5, kGetTable = 6,
    kSetGlobal = 7, kSetTable = 9, kNewTable = 10, kAdd = 12, kPow = 17, kUnm = 18, kNot = 19, kLen = 20,
    kConcat = 21, kJmp = 22, kEq = 23, kLt = 24, kLe = 25, kTest = 26, kTestSet = 27, kCall = 28,
    kReturn = 30, kForLoop = 31, kSetList = 34, kClosure = 36,
};
constexpr int kK = 256;  // an RK operand naming a constant

inline uint32_t ABC(int op, int a, int b, int c)
{
    return uint32_t(op) | uint32_t(a) << 6 | uint32_t(c) << 14 | uint32_t(b) << 23;
}
inline uint32_t ABx(int op, int a, uint32_t bx) { return uint32_t(op) | uint32_t(a) << 6 | bx << 14; }
inline uint32_t AsBx(int op, int a, int sbx) { return ABx(op, a, uint32_t(sbx + 131071)); }

struct Constant {
    enum Type { kNil = 0, kBoolean = 1, kNumber = 3, kString = 4 } type;
    double number = 0;
    std::string text;
    bool terminated = true;  // a string written with its NUL

    static Constant Number(double value) { return {kNumber, value, {}, true}; }
    static Constant Text(const std::string& value) { return {kString, 0, value, true}; }
};

struct Function {
    std::string source = "=asm";  // empty: written as Lua's absent string
    uint8_t upvalueCount = 0, paramCount = 0, varargFlags = 2, maxStack = 2;
    std::vector<uint32_t> code;
    std::vector<Constant> constants;
    std::vector<Function> functions;
    bool lineInfo = true;
    std::vector<std::string> localNames;
    std::vector<std::string> upvalueNames;
};

class Writer {
public:
    explicit Writer(size_t sizeTWidth) : m_width(sizeTWidth) {}
    void Byte(int value) { bytes += static_cast<char>(value); }
    void Int(uint32_t value) { Little(value, 4); }
    void Size(uint64_t value) { Little(value, m_width); }
    void String(const std::string& text, bool terminated = true)
    {
        Size(text.size() + (terminated ? 1 : 0));
        bytes += text;
        if (terminated)
            Byte(0);
    }
    void Source(const std::string& text) { text.empty() ? Size(0) : String(text); }
    void Proto(const Function& f)
    {
        Source(f.source);
        Int(0);
        Int(0);
        for (int value : {f.upvalueCount, f.paramCount, f.varargFlags, f.maxStack})
            Byte(value);
        Int(static_cast<uint32_t>(f.code.size()));
        for (uint32_t i : f.code)
            Int(i);
        Int(static_cast<uint32_t>(f.constants.size()));
        for (const Constant& k : f.constants) {
            Byte(k.type);
            if (k.type == Constant::kBoolean)
                Byte(k.number != 0);
            if (k.type == Constant::kNumber) {
                uint64_t bits;
                std::memcpy(&bits, &k.number, sizeof bits);
                Little(bits, 8);
            }
            if (k.type == Constant::kString)
                String(k.text, k.terminated);
        }
        Int(static_cast<uint32_t>(f.functions.size()));
        for (const Function& nested : f.functions)
            Proto(nested);
        Int(f.lineInfo ? static_cast<uint32_t>(f.code.size()) : 0);
        for (size_t i = 0; f.lineInfo && i < f.code.size(); ++i)
            Int(1);
        Int(static_cast<uint32_t>(f.localNames.size()));
        for (const std::string& name : f.localNames) {
            String(name);
            Int(0);
            Int(static_cast<uint32_t>(f.code.size()));
        }
        Int(static_cast<uint32_t>(f.upvalueNames.size()));
        for (const std::string& name : f.upvalueNames)
            String(name);
    }

    std::string bytes;

private:
    void Little(uint64_t value, size_t width)
    {
        for (size_t i = 0; i < width; ++i)
            Byte(static_cast<int>((value >> (8 * i)) & 0xff));
    }
    size_t m_width;
};

inline std::string Header(size_t sizeTWidth)
{
    return std::string("\x1bLua\x51\x00\x01\x04", 8) + static_cast<char>(sizeTWidth) + std::string("\x04\x08\x00", 3);
}

inline std::string Assemble(const Function& f, size_t sizeTWidth)
{
    Writer out(sizeTWidth);
    out.Proto(f);
    return Header(sizeTWidth) + out.bytes;
}

// Sets OptionInfoList.Bgm_Volume from a FORLOOP that has no FORPREP: Lua's
// load-time check accepts it, and the loop reads the table in register 0 as
// its number, so the value stored is made of the table's address.
inline std::string ForLoopConfusion(size_t sizeTWidth)
{
    Function f;
    f.maxStack = 5;
    f.constants = {Constant::Number(-std::numeric_limits<double>::infinity()), Constant::Number(0),
                   Constant::Text("Bgm_Volume"), Constant::Text("OptionInfoList")};
    f.code = {
        ABC(kNewTable, 0, 0, 0),     ABx(kLoadK, 1, 0),          ABx(kLoadK, 2, 1), AsBx(kForLoop, 0, 0),
        ABC(kNewTable, 4, 0, 1),     ABC(kSetTable, 4, kK + 2, 0), ABx(kSetGlobal, 4, 3),
        ABC(kReturn, 0, 1, 0),
    };
    return Assemble(f, sizeTWidth);
}

// Sets OptionInfoList.K = 5, doubles a string of one NUL 23 times into 8 MiB
// (MOVE, CONCAT) and compares it with itself `pairs` times (LT, JMP +0).
// Straight-line data building to the checker, yet Lua compares strings with a
// strcoll call per NUL, so each comparison takes tens of milliseconds.
inline std::string CostlyComparisons(size_t sizeTWidth, int pairs)
{
    Function f;
    f.maxStack = 3;
    f.constants = {Constant::Text("OptionInfoList"), Constant::Text("K"), Constant::Number(5),
                   Constant::Text(std::string(1, '\0'))};
    f.code = {ABC(kNewTable, 0, 0, 1), ABC(kSetTable, 0, kK + 1, kK + 2), ABx(kSetGlobal, 0, 0), ABx(kLoadK, 1, 3)};
    for (int i = 0; i < 23; ++i) {
        f.code.push_back(ABC(kMove, 2, 1, 0));
        f.code.push_back(ABC(kConcat, 1, 1, 2));
    }
    for (int i = 0; i < pairs; ++i) {
        f.code.push_back(ABC(kLt, 0, 1, 1));
        f.code.push_back(AsBx(kJmp, 0, 0));
    }
    f.code.push_back(ABC(kReturn, 0, 1, 0));
    return Assemble(f, sizeTWidth);
}

// The largest data a script may hold, each setting OptionInfoList.K to `k`.
struct LargeData {
    const char* name;
    std::string source;
    int k;
};

inline std::vector<LargeData> LargestData()
{
    std::string text(2 << 20, 'x');
    std::string fields, array, nested, path;
    for (int i = 1; i <= 140000; ++i)
        fields += "f" + std::to_string(i) + " = " + std::to_string(i % 1000) + ", ";
    for (int i = 1; i <= 100000; ++i)
        array += std::to_string(i) + ".5, ";
    for (int i = 0; i < 180; ++i) {
        nested = "{ " + nested + (i == 0 ? "180" : "") + " }";
        path += "[1]";
    }
    return {
        {"2 MiB long string", "S = [[" + text + "]] OptionInfoList = { K = #S }", 2 << 20},
        // The compiler's table of constants and the table's own fields are 2^18 nodes each.
        {"140,000 fields", "T = { " + fields + "} OptionInfoList = { K = T.f139999 }", 999},
        {"100,000-element array", "A = { " + array + "} OptionInfoList = { K = #A + A[100000] }", 200000},
        {"nesting 180 deep", "N = " + nested + " OptionInfoList = { K = N" + path + " }", 180},
    };
}

// Keys of OptionInfoList that RichDataScript sets besides the setting names.
inline std::vector<std::string> RichDataKeys()
{
    std::vector<std::string> keys = {"Name", "Length", "Nested", "Text", "Branch", "Pick", "Flag", "Last"};
    for (int i = 1; i <= 300; ++i)
        keys.push_back("k" + std::to_string(i));
    return keys;
}

// All that a data script may do: locals, nested constructors with array and
// hash parts, more than 256 constants, an array long enough for a SETLIST
// batch word, arithmetic, length, concatenation, if/elseif/else and and/or.
inline std::string RichDataScript()
{
    std::string big;
    for (int i = 0; i < 26000; ++i)
        big += std::to_string(i % 7) + ",";
    std::string many;
    for (int i = 1; i <= 300; ++i)
        many += "k" + std::to_string(i) + " = " + std::to_string(i) + ".5, ";
    return "local base, step = 12, 2.5\n"
           "local name = \"Mode\" .. base .. \"x\" .. step\n"
           "Deep = { a = { b = { 10, 20, 30 }, c = \"deep\" }, 1, 2, 3, [5] = 5, [\"with space\"] = true }\n"
           "Big = { " + big + " 'end' }\n"
           "OptionInfoList = { " + many + "Bgm_Volume = base * 8 + 4, Effect_Volume = (base - 3) % 7 ^ 2 / 3,\n"
           "    MouseExclusive = -base, WIDTH = 640 + 2 ^ 8 * 1.5 }\n"
           "OptionInfoList.Name = name\n"
           "OptionInfoList.Length = #name + #Deep + #Big\n"
           "OptionInfoList.Nested = Deep.a.b[2] + Deep[3]\n"
           "OptionInfoList.Text = Deep.a.c .. \"/\" .. Deep.a.b[1]\n"
           "if base > 20 then OptionInfoList.Branch = 1\n"
           "elseif base >= 12 then OptionInfoList.Branch = 2\n"
           "else OptionInfoList.Branch = 3 end\n"
           "local pick = (base < 0 and \"neg\") or (base == 12 and \"twelve\") or \"other\"\n"
           "OptionInfoList.Pick = pick\n"
           "OptionInfoList.Flag = not (base ~= 12) and 1 or 0\n"
           "OptionInfoList.Last = Big[#Big - 1]\n"
           "CmdOnOffList = { [\"/fog\"] = Deep[\"with space\"] and 1 or 0, [\"/bgm\"] = base <= 12 and 1 or 0 }\n"
           "SetupMSG = { ISOK = \"Save \" .. name .. \"?\", Mode = Deep.a.c }\n";
}

}  // namespace chunk
