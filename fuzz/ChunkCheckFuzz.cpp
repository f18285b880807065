// Arbitrary bytes through the chunk checker, for chunks of the native build.
// Every chunk it takes must then load in Lua and run under the host's bounds,
// in time and without a sanitizer report: what it lets through is what the
// tool runs.
//
// Random bytes almost never make a chunk the checker takes, so the mutator
// works on the decoded chunk: it puts in instructions of the opcodes data
// building may use, with operands at and next to their bounds, and keeps the
// chunk's layout whole. One mutation in eight, and every input that does not
// decode, still goes through libFuzzer's byte mutations, which find the
// malformed ones. KES_FUZZ_BYTE_MUTATIONS=1 uses those alone, to compare.
// At exit the target prints how many inputs it ran and how many the checker took.
#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

extern "C" {
#include <lua.h>
}

#include "FuzzSupport.h"
#include "script/ChunkCheck.h"
#include "script/LuaHost.h"
#include "settings/SettingNames.h"
#include "support/LuaChunks.h"
#include "support/LuaHostProbe.h"

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace {

constexpr size_t kWidth = sizeof(size_t);

size_t g_inputs = 0;
size_t g_taken = 0;
bool g_bytesOnly = false;

void ReportCounts()
{
    std::fprintf(stderr, "chunkcheck: %zu inputs, %zu taken by the checker\n", g_inputs, g_taken);
}

// A little-endian cursor over the bytes after the header.
class Cursor {
public:
    Cursor(const uint8_t* p, size_t size) : m_p(p), m_left(size) {}
    size_t Left() const { return m_left; }
    bool Read(size_t width, uint64_t& out)
    {
        if (width > m_left)
            return false;
        out = 0;
        for (size_t i = width; i-- > 0;)
            out = out << 8 | m_p[i];
        Skip(width);
        return true;
    }
    bool Int(uint32_t& out)
    {
        uint64_t value;
        if (!Read(4, value) || value > INT32_MAX)
            return false;
        out = static_cast<uint32_t>(value);
        return true;
    }
    // A string as the assembler writes it; `absent` allows size 0.
    bool String(std::string& out, bool absent)
    {
        uint64_t size;
        if (!Read(kWidth, size) || size > m_left)
            return false;
        if (size == 0) {
            out.clear();
            return absent;
        }
        if (m_p[size - 1] != '\0')
            return false;
        out.assign(reinterpret_cast<const char*>(m_p), static_cast<size_t>(size - 1));
        Skip(static_cast<size_t>(size));
        return true;
    }

private:
    void Skip(size_t n)
    {
        m_p += n;
        m_left -= n;
    }
    const uint8_t* m_p;
    size_t m_left;
};

// The input as the assembler's function, when it is one function of the
// native layout: the assembler writes it back byte for byte but for its line
// numbers and the ranges of its locals.
bool Decode(const uint8_t* data, size_t size, chunk::Function& f)
{
    const std::string header = chunk::Header(kWidth);
    if (size < header.size() || std::memcmp(data, header.data(), header.size()) != 0)
        return false;
    Cursor in(data + header.size(), size - header.size());
    uint32_t count, line;
    uint64_t value;
    if (!in.String(f.source, true) || !in.Int(line) || !in.Int(line))
        return false;
    for (uint8_t* byte : {&f.upvalueCount, &f.paramCount, &f.varargFlags, &f.maxStack}) {
        if (!in.Read(1, value))
            return false;
        *byte = static_cast<uint8_t>(value);
    }

    if (!in.Int(count) || count > in.Left() / 4)
        return false;
    f.code.resize(count);
    for (uint32_t& instruction : f.code) {
        in.Read(4, value);
        instruction = static_cast<uint32_t>(value);
    }

    if (!in.Int(count) || count > in.Left())
        return false;
    f.constants.resize(count);
    for (chunk::Constant& k : f.constants) {
        if (!in.Read(1, value) || (value != chunk::Constant::kNil && value != chunk::Constant::kBoolean &&
                                   value != chunk::Constant::kNumber && value != chunk::Constant::kString))
            return false;
        k.type = static_cast<chunk::Constant::Type>(value);
        bool read = k.type == chunk::Constant::kNil;
        if (k.type == chunk::Constant::kBoolean && in.Read(1, value)) {
            k.number = value != 0;
            read = true;
        } else if (k.type == chunk::Constant::kNumber && in.Read(8, value)) {
            std::memcpy(&k.number, &value, sizeof k.number);
            read = true;
        } else if (k.type == chunk::Constant::kString) {
            read = in.String(k.text, false);
        }
        if (!read)
            return false;
    }

    uint32_t nested;
    if (!in.Int(nested) || nested != 0 || !in.Int(count) || (count != 0 && count != f.code.size()) ||
        count > in.Left() / 4)
        return false;
    f.lineInfo = count != 0;
    for (uint32_t i = 0; i < count; ++i)
        in.Read(4, value);

    if (!in.Int(count) || count > in.Left())
        return false;
    f.localNames.resize(count);
    for (std::string& name : f.localNames)
        if (!in.String(name, false) || !in.Int(line) || !in.Int(line))
            return false;
    if (!in.Int(count) || count > in.Left())
        return false;
    f.upvalueNames.resize(count);
    for (std::string& name : f.upvalueNames)
        if (!in.String(name, false))
            return false;
    return in.Left() == 0;
}

// A SETLIST whose batch number is the word after it.
bool HasBatchWord(uint32_t instruction)
{
    return (instruction & 0x3f) == chunk::kSetList && ((instruction >> 14) & 0x1ff) == 0;
}

// Instructions and constants for one function, drawn to sit at and next to
// the checker's bounds more often than chance would.
class Draw {
public:
    Draw(chunk::Function& f, unsigned seed) : m_f(f), m_random(seed) {}

    uint32_t Below(uint32_t n) { return n == 0 ? 0 : static_cast<uint32_t>(m_random() % n); }
    bool OneIn(uint32_t n) { return Below(n) == 0; }

    // A value below `bound`, or the bound itself, or the last one below it.
    uint32_t Near(uint32_t bound)
    {
        switch (Below(8)) {
        case 0:
            return bound;
        case 1:
            return bound == 0 ? 0 : bound - 1;
        case 2:
            return 0;
        default:
            return Below(bound);
        }
    }
    uint32_t Register() { return Near(m_f.maxStack); }
    uint32_t Constant() { return Near(static_cast<uint32_t>(m_f.constants.size())); }
    uint32_t RK()
    {
        const uint32_t k = Constant();
        return OneIn(2) && k < 256 ? chunk::kK + k : Register();
    }
    // A string constant to name a global: mostly one already there, else a
    // table or key the lookups read, or any text.
    uint32_t GlobalName()
    {
        for (size_t k = Below(static_cast<uint32_t>(m_f.constants.size())); k < m_f.constants.size(); ++k)
            if (m_f.constants[k].type == chunk::Constant::kString && !OneIn(4))
                return static_cast<uint32_t>(k);
        m_f.constants.push_back(RandomConstant(true));
        return static_cast<uint32_t>(m_f.constants.size() - 1);
    }
    // A table size in Lua's floating point byte: 2^24 is 176, the checker's
    // largest. Mostly small, as a table near the bound costs a run dearly.
    uint32_t TableSize()
    {
        const uint32_t sizes[] = {175, 176, 177, 255};
        return OneIn(16) ? sizes[Below(4)] : Below(64);
    }

    chunk::Constant RandomConstant(bool text)
    {
        if (text || OneIn(2)) {
            static const char* const tables[] = {"OptionInfoList", "CmdOnOffList", "SetupMSG"};
            switch (Below(4)) {
            case 0:
                return chunk::Constant::Text(tables[Below(3)]);
            case 1:
                return chunk::Constant::Text(GetSettingName(static_cast<int>(Below(kSettingNameCount))));
            case 2:
                return chunk::Constant::Text(std::string(Below(4), '\0') + "x");
            default:
                return chunk::Constant::Text(std::string(Below(64), static_cast<char>('a' + Below(26))));
            }
        }
        // Around the int32 range the lookups saturate at, and the odd doubles.
        const double infinity = std::numeric_limits<double>::infinity();
        const double numbers[] = {0, -0.0, 1, -1, 0.5, 2147483647.0, 2147483648.0, -2147483649.0, 1e300,
                                  infinity, -infinity, std::numeric_limits<double>::quiet_NaN()};
        switch (Below(4)) {
        case 0:
            return {chunk::Constant::kNil, 0, {}, true};
        case 1:
            return {chunk::Constant::kBoolean, static_cast<double>(Below(2)), {}, true};
        default:
            return chunk::Constant::Number(numbers[Below(sizeof numbers / sizeof numbers[0])]);
        }
    }

    // One instruction, or two where the checker wants a jump after it, for
    // position `pc` of code that will be `size` long.
    void Instructions(size_t pc, size_t size, std::vector<uint32_t>& out)
    {
        using namespace chunk;
        // Every opcode the checker takes, the arithmetic ones (ADD to POW) once.
        static const int kOpcodes[] = {kMove, kLoadK, kLoadBool, kLoadNil, kGetGlobal, kGetTable, kSetGlobal,
                                       kSetTable, kNewTable, kAdd, kUnm, kNot, kLen, kConcat, kJmp, kEq, kLt,
                                       kLe, kTest, kTestSet, kReturn, kSetList};
        int op = kOpcodes[Below(sizeof kOpcodes / sizeof kOpcodes[0])];
        if (op == kAdd)
            op += static_cast<int>(Below(kPow - kAdd + 1));
        const uint32_t a = Register();
        // The farthest a jump from here may go: to the last instruction.
        const uint32_t reach = size > pc + 2 ? static_cast<uint32_t>(size - pc - 2) : 0;
        switch (op) {
        case kMove:
        case kUnm:
        case kNot:
        case kLen:
            out.push_back(ABC(op, a, Register(), 0));
            break;
        case kLoadK:
            out.push_back(ABx(op, a, Constant()));
            break;
        case kLoadBool:
            out.push_back(ABC(op, a, Below(2), Below(2)));
            break;
        case kLoadNil:
            out.push_back(ABC(op, a, a + Below(3), 0));
            break;
        case kGetGlobal:
        case kSetGlobal:
            out.push_back(ABx(op, a, GlobalName()));
            break;
        case kGetTable:
            out.push_back(ABC(op, a, Register(), RK()));
            break;
        case kNewTable:
            out.push_back(ABC(op, a, TableSize(), TableSize()));
            break;
        case kConcat: {
            const uint32_t b = Register();
            out.push_back(ABC(op, a, b, b + 1 + Below(3)));
            break;
        }
        case kJmp:
            out.push_back(AsBx(op, 0, static_cast<int>(Near(reach))));
            break;
        case kEq:
        case kLt:
        case kLe:
            out.push_back(ABC(op, Below(2), RK(), RK()));
            out.push_back(AsBx(kJmp, 0, static_cast<int>(Near(reach > 0 ? reach - 1 : 0))));
            break;
        case kTest:
        case kTestSet:
            out.push_back(ABC(op, a, op == kTest ? 0 : Register(), Below(2)));
            out.push_back(AsBx(kJmp, 0, static_cast<int>(Near(reach > 0 ? reach - 1 : 0))));
            break;
        case kReturn:
            out.push_back(ABC(op, a, 1 + Below(3), 0));
            break;
        case kSetList: {
            const uint32_t count = 1 + Near(a < m_f.maxStack ? m_f.maxStack - a - 1 : 0);
            if (OneIn(4)) {
                out.push_back(ABC(op, a, count, 0));
                // The batch word; the checker's bound is 2^24 / 50 + 1, and a
                // large array costs a run dearly.
                out.push_back(OneIn(8) ? 335544 + Below(3) : Below(4));
            } else {
                out.push_back(ABC(op, a, count, 1 + Below(4)));
            }
            break;
        }
        default:  // arithmetic
            out.push_back(ABC(op, a, RK(), RK()));
            break;
        }
    }

    // One change to the function; it ends with a RETURN afterwards. A SETLIST
    // and its batch word stay together: any other word as a batch number
    // mostly asks for an array of millions, which costs a run dearly.
    void Mutate()
    {
        std::vector<uint32_t>& code = m_f.code;
        if (code.empty())
            code.push_back(chunk::ABC(chunk::kReturn, 0, 1, 0));
        const size_t size = code.size();
        size_t pc = Below(static_cast<uint32_t>(size));  // before the final RETURN
        if (pc > 0 && HasBatchWord(code[pc - 1]))
            ++pc;
        // The instruction at pc, with its batch word.
        const size_t length = pc + 1 < size && HasBatchWord(code[pc]) ? 2 : 1;
        const auto at = [&](size_t i) { return code.begin() + static_cast<std::ptrdiff_t>(i); };
        std::vector<uint32_t> drawn;
        switch (Below(10)) {
        case 0:
        case 1:
        case 2:
            Instructions(pc, size + 1, drawn);
            code.insert(at(pc), drawn.begin(), drawn.end());
            break;
        case 3:
        case 4:
            Instructions(pc, size, drawn);
            if (pc < size)
                code.erase(at(pc), at(pc + length));
            code.insert(at(pc), drawn.begin(), drawn.end());
            break;
        case 5:
            if (pc + 1 < size)
                code.erase(at(pc), at(pc + length));
            break;
        case 6: {
            // A run of the code again, elsewhere: longer programs of the same kind.
            size_t from = Below(static_cast<uint32_t>(size));
            if (from > 0 && HasBatchWord(code[from - 1]))
                --from;
            size_t end = from + 1 + Below(static_cast<uint32_t>(std::min<size_t>(size - from, 16)));
            if (end < size && HasBatchWord(code[end - 1]))
                ++end;
            const std::vector<uint32_t> run(at(from), at(end));
            code.insert(at(pc), run.begin(), run.end());
            break;
        }
        case 7:
            if (m_f.constants.empty() || OneIn(2))
                m_f.constants.push_back(RandomConstant(false));
            else
                m_f.constants[Below(static_cast<uint32_t>(m_f.constants.size()))] = RandomConstant(false);
            break;
        case 8: {
            const uint32_t stacks[] = {2, 3, 249, 250};
            m_f.maxStack = static_cast<uint8_t>(OneIn(2) ? stacks[Below(4)] : 2 + Below(249));
            break;
        }
        default:
            switch (Below(3)) {
            case 0:
                m_f.lineInfo = !m_f.lineInfo;
                break;
            case 1:
                m_f.source = m_f.source.empty() ? "=fuzz" : "";
                break;
            default:
                if (m_f.localNames.empty() || OneIn(2))
                    m_f.localNames.push_back("l");
                else
                    m_f.localNames.pop_back();
                break;
            }
        }
        if (code.empty() || (code.back() & 0x3f) != chunk::kReturn)
            code.push_back(chunk::ABC(chunk::kReturn, 0, 1, 0));
    }

private:
    chunk::Function& m_f;
    std::minstd_rand m_random;
};

// The smallest data chunk: OptionInfoList = {}.
chunk::Function Smallest()
{
    chunk::Function f;
    f.constants = {chunk::Constant::Text("OptionInfoList")};
    f.code = {chunk::ABC(chunk::kNewTable, 0, 0, 0), chunk::ABx(chunk::kSetGlobal, 0, 0),
              chunk::ABC(chunk::kReturn, 0, 1, 0)};
    return f;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    InitSettingNames();
    FuzzGameDir();
    const char* bytesOnly = std::getenv("KES_FUZZ_BYTE_MUTATIONS");
    g_bytesOnly = bytesOnly && *bytesOnly == '1';
    std::atexit(&ReportCounts);
    return 0;
}

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned seed)
{
    chunk::Function f;
    const bool decoded = Decode(data, size, f);
    if (g_bytesOnly || seed % 8 == 0 || (!decoded && seed % 2 == 0))
        return LLVMFuzzerMutate(data, size, maxSize);
    if (!decoded)
        f = Smallest();
    Draw draw(f, seed);
    for (uint32_t i = 1 + draw.Below(3); i > 0; --i)
        draw.Mutate();
    const std::string bytes = chunk::Assemble(f, kWidth);
    if (bytes.size() > maxSize)
        return LLVMFuzzerMutate(data, size, maxSize);
    std::memcpy(data, bytes.data(), bytes.size());
    return bytes.size();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ++g_inputs;
    const char* bytes = reinterpret_cast<const char*>(data);
    const ChunkVerdict verdict = CheckChunk(bytes, size, kWidth);
    (void)CheckChunk(bytes, size, kChunkSizeTWidth);  // the shipped width's reads, under the sanitizers
    if (verdict != ChunkVerdict::kData)
        return 0;
    ++g_taken;

    // The default script, as it is the only one read with no table prepared.
    const char* const script = "System\\LuaFiles514\\OptionInfo";
    PutFile("System/LuaFiles514/OptionInfo.lub", data, size);
    CLuaHost host(kWidth);
    FuzzCheck(LuaHostProbe::LoadChunk(host, script), "Lua refused a chunk the checker took");
    lua_settop(LuaHostProbe::State(host), 0);
    CLuaHost::Key keys[] = {
        CLuaHost::Key::Number(GetSettingName(kNameOptionTable), GetSettingName(kNameBgmVolume), 7),
        CLuaHost::Key::Number(GetSettingName(kNameCommandTable), GetSettingName(kNameFirstCommand), 7),
        CLuaHost::Key::Text(GetSettingName(kNameOptionTable), "WIDTH"),
    };
    TimedLookup([&] { host.LookupValues(script, keys, sizeof keys / sizeof keys[0]); });
    (void)std::strlen(keys[2].text.c_str());
    FuzzCheck(lua_gettop(LuaHostProbe::State(host)) == 0, "a lookup changed the Lua stack height");
    return 0;
}
