#include "script/ChunkCheck.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

namespace {

// The opcodes of Lua 5.1 (lopcodes.h) that data building uses.
enum Opcode {
    kMove = 0,
    kLoadK = 1,
    kLoadBool = 2,
    kLoadNil = 3,
    kGetGlobal = 5,
    kGetTable = 6,
    kSetGlobal = 7,
    kSetTable = 9,
    kNewTable = 10,
    kAdd = 12,
    kPow = 17,
    kUnm = 18,
    kNot = 19,
    kLen = 20,
    kConcat = 21,
    kJmp = 22,
    kEq = 23,
    kLt = 24,
    kLe = 25,
    kTest = 26,
    kTestSet = 27,
    kReturn = 30,
    kSetList = 34,
};

enum ConstantType { kNil = 0, kBoolean = 1, kNumber = 3, kString = 4 };

constexpr size_t kHeaderSize = 12;
constexpr int kMaxStack = 250;         // MAXSTACK
constexpr int kFieldsPerFlush = 50;    // LFIELDS_PER_FLUSH
constexpr uint32_t kConstantBit = 256; // BITRK
constexpr int kMaxSbx = 131071;        // MAXARG_sBx
// Far above any data script, and low enough that no size Lua derives from it overflows an int.
constexpr uint64_t kMaxTableSize = uint64_t(1) << 24;
constexpr uint8_t kVarargHasArg = 1;
constexpr uint8_t kVarargNeedsArg = 4;

uint32_t Op(uint32_t i) { return i & 0x3f; }
uint32_t A(uint32_t i) { return (i >> 6) & 0xff; }
uint32_t C(uint32_t i) { return (i >> 14) & 0x1ff; }
uint32_t B(uint32_t i) { return i >> 23; }
uint32_t Bx(uint32_t i) { return i >> 14; }
int64_t SBx(uint32_t i) { return int64_t(Bx(i)) - kMaxSbx; }

uint64_t LittleEndian(const unsigned char* p, size_t width)
{
    uint64_t value = 0;
    for (size_t i = width; i-- > 0;)
        value = value << 8 | p[i];
    return value;
}

// A cursor over the bytes after the header; a read past the end fails.
class Reader {
public:
    Reader(const unsigned char* p, size_t size, size_t sizeTWidth) : m_p(p), m_left(size), m_width(sizeTWidth) {}

    size_t Left() const { return m_left; }
    const unsigned char* At() const { return m_p; }

    bool Skip(uint64_t size)
    {
        if (size > m_left)
            return false;
        m_p += size;
        m_left -= static_cast<size_t>(size);
        return true;
    }
    bool Byte(uint8_t& out)
    {
        if (m_left < 1)
            return false;
        out = *m_p;
        return Skip(1);
    }
    // An int as lundump reads it: negative ones are refused.
    bool Int(uint32_t& out)
    {
        if (m_left < 4)
            return false;
        out = static_cast<uint32_t>(LittleEndian(m_p, 4));
        return out <= INT32_MAX && Skip(4);
    }
    // A count of elements of at least `each` bytes that the rest can hold.
    bool Count(size_t each, uint32_t& out) { return Int(out) && out <= m_left / each; }
    // size 0 is Lua's absent string; any other ends with its NUL.
    bool String(bool mayBeAbsent)
    {
        if (m_left < m_width)
            return false;
        const uint64_t size = LittleEndian(m_p, m_width);
        Skip(m_width);
        if (size == 0)
            return mayBeAbsent;
        return size <= m_left && m_p[size - 1] == '\0' && Skip(size);
    }
    size_t SizeTWidth() const { return m_width; }

private:
    const unsigned char* m_p;
    size_t m_left;
    size_t m_width;
};

class Bits {
public:
    explicit Bits(size_t count) : m_bytes(new (std::nothrow) unsigned char[count / 8 + 1]()) {}
    bool Ok() const { return m_bytes != nullptr; }
    void Set(size_t i) { m_bytes[i / 8] |= static_cast<unsigned char>(1u << (i % 8)); }
    bool operator[](size_t i) const { return (m_bytes[i / 8] >> (i % 8)) & 1u; }

private:
    std::unique_ptr<unsigned char[]> m_bytes;
};

// The one function of a chunk, as decoded.
struct Function {
    int maxStack = 0;
    const unsigned char* code = nullptr;
    size_t codeSize = 0;
    uint32_t constantCount = 0;
    Bits strings{0};  // which constants are strings
};

ChunkVerdict Decode(Reader& in, Function& f)
{
    const ChunkVerdict malformed = ChunkVerdict::kMalformed;
    uint32_t lineDefined, lastLineDefined;
    uint8_t upvalues, params, vararg, maxStack;
    if (!in.String(true) || !in.Int(lineDefined) || !in.Int(lastLineDefined) || !in.Byte(upvalues) ||
        !in.Byte(params) || !in.Byte(vararg) || !in.Byte(maxStack))
        return malformed;
    // Lua's own check refuses a vararg function that needs an argument table without having one.
    if (upvalues != 0 || params != 0 || ((vararg & kVarargNeedsArg) && !(vararg & kVarargHasArg)) ||
        maxStack < 2 || maxStack > kMaxStack)
        return ChunkVerdict::kNotData;
    f.maxStack = maxStack;

    uint32_t count;
    if (!in.Count(4, count))
        return malformed;
    f.code = in.At();
    f.codeSize = count;
    if (!in.Skip(uint64_t(count) * 4))
        return malformed;

    if (!in.Count(1, count))
        return malformed;
    f.constantCount = count;
    f.strings = Bits(count);
    if (!f.strings.Ok())
        return malformed;
    for (uint32_t k = 0; k < f.constantCount; ++k) {
        uint8_t type, boolean;
        if (!in.Byte(type))
            return malformed;
        const bool read = type == kNil || (type == kBoolean && in.Byte(boolean)) || (type == kNumber && in.Skip(8)) ||
                          (type == kString && in.String(false));
        if (!read)
            return malformed;
        if (type == kString)
            f.strings.Set(k);
    }
    if (!in.Int(count))
        return malformed;
    if (count != 0)
        return ChunkVerdict::kNotData;  // nested functions

    if (!in.Count(4, count) || !in.Skip(uint64_t(count) * 4))
        return malformed;
    if (count != 0 && count != f.codeSize)
        return ChunkVerdict::kNotData;
    if (!in.Count(in.SizeTWidth() + 1 + 8, count))
        return malformed;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t startPc, endPc;
        if (!in.String(false) || !in.Int(startPc) || !in.Int(endPc))
            return malformed;
    }
    if (!in.Int(count))
        return malformed;
    return count == 0 ? ChunkVerdict::kData : ChunkVerdict::kNotData;  // upvalue names
}

// Lua's "floating point byte" of a table size (luaO_fb2int), without its overflow.
uint64_t TableSize(uint32_t x)
{
    const uint32_t e = (x >> 3) & 31;
    return e == 0 ? x : uint64_t((x & 7) + 8) << (e - 1);
}

class CodeCheck {
public:
    explicit CodeCheck(const Function& f) : m_f(f), m_counts(f.codeSize) {}

    bool Run()
    {
        const size_t n = m_f.codeSize;
        if (n == 0 || !m_counts.Ok())
            return false;
        // The word after a SETLIST with C = 0 is its batch number, not an instruction.
        for (size_t pc = 0; pc < n; ++pc) {
            const uint32_t i = Word(pc);
            if (Op(i) == kSetList && C(i) == 0) {
                if (++pc == n)
                    return false;
                m_counts.Set(pc);
            }
        }
        for (size_t pc = 0; pc < n; ++pc)
            if (!m_counts[pc] && !Instruction(pc))
                return false;
        return !m_counts[n - 1] && Op(Word(n - 1)) == kReturn;
    }

private:
    uint32_t Word(size_t pc) const { return static_cast<uint32_t>(LittleEndian(m_f.code + pc * 4, 4)); }
    bool Register(uint32_t r) const { return r < static_cast<uint32_t>(m_f.maxStack); }
    bool Constant(uint32_t k) const { return k < m_f.constantCount; }
    bool RK(uint32_t x) const { return (x & kConstantBit) ? Constant(x & ~kConstantBit) : Register(x); }
    // Where execution may go on: an instruction inside the code.
    bool Target(uint64_t pc) const { return pc < m_f.codeSize && !m_counts[static_cast<size_t>(pc)]; }
    bool FollowedByJump(size_t pc) const { return Target(pc + 1) && Op(Word(pc + 1)) == kJmp; }

    bool Instruction(size_t pc) const
    {
        const uint32_t i = Word(pc);
        const uint32_t a = A(i), b = B(i), c = C(i);
        switch (Op(i)) {
        case kMove:
        case kUnm:
        case kNot:
        case kLen:
            return Register(a) && Register(b) && c == 0;
        case kLoadK:
            return Register(a) && Constant(Bx(i));
        case kLoadBool:
            return Register(a) && b <= 1 && c <= 1 && (c == 0 || Target(pc + 2));
        case kLoadNil:
            return Register(a) && Register(b) && a <= b && c == 0;
        case kGetGlobal:
        case kSetGlobal:
            return Register(a) && Constant(Bx(i)) && m_f.strings[Bx(i)];
        case kGetTable:
            return Register(a) && Register(b) && RK(c);
        case kSetTable:
            return Register(a) && RK(b) && RK(c);
        case kNewTable:
            return Register(a) && TableSize(b) <= kMaxTableSize && TableSize(c) <= kMaxTableSize;
        case kConcat:
            return Register(a) && Register(b) && Register(c) && b < c;
        case kJmp:
            // Forward only: with no loops and no calls every run ends.
            return a == 0 && SBx(i) >= 0 && Target(pc + 1 + static_cast<uint64_t>(SBx(i)));
        case kEq:
        case kLt:
        case kLe:
            return a <= 1 && RK(b) && RK(c) && FollowedByJump(pc);
        case kTest:
            return Register(a) && b == 0 && c <= 1 && FollowedByJump(pc);
        case kTestSet:
            return Register(a) && Register(b) && c <= 1 && FollowedByJump(pc);
        case kReturn:
            return Register(a) && b >= 1 && a + b - 1 <= static_cast<uint32_t>(m_f.maxStack) && c == 0;
        case kSetList: {
            if (!Register(a) || b < 1 || !Register(a + b))
                return false;
            const uint64_t batch = c != 0 ? c : Word(pc + 1);
            return batch >= 1 && (batch - 1) * kFieldsPerFlush + b <= kMaxTableSize;
        }
        default:
            if (Op(i) >= kAdd && Op(i) <= kPow)
                return Register(a) && RK(b) && RK(c);
            return false;  // upvalues, calls, loops, closures, varargs and unknown opcodes
        }
    }

    const Function& m_f;
    Bits m_counts;
};

}  // namespace

ChunkVerdict CheckChunk(const char* bytes, size_t size, size_t sizeTWidth)
{
    if (!bytes || (sizeTWidth != 4 && sizeTWidth != 8))
        return ChunkVerdict::kForeignHeader;
    const unsigned char header[kHeaderSize] = {0x1b, 'L', 'u', 'a', 0x51, 0, 1, 4,
                                               static_cast<unsigned char>(sizeTWidth), 4, 8, 0};
    if (size < kHeaderSize || std::memcmp(bytes, header, kHeaderSize) != 0)
        return ChunkVerdict::kForeignHeader;
    Reader in(reinterpret_cast<const unsigned char*>(bytes) + kHeaderSize, size - kHeaderSize, sizeTWidth);
    Function f;
    const ChunkVerdict verdict = Decode(in, f);
    if (verdict != ChunkVerdict::kData)
        return verdict;
    if (in.Left() != 0)
        return ChunkVerdict::kMalformed;
    return CodeCheck(f).Run() ? ChunkVerdict::kData : ChunkVerdict::kNotData;
}
