// Which precompiled Lua 5.1 chunks the tool hands to Lua. The game folder is
// writable by players and Lua's own load-time check lets code through that
// mistakes one type of value for another, so a chunk is decoded here from its
// bytes and taken only when it is straight-line code that builds data.
#pragma once

#include <cstddef>

enum class ChunkVerdict {
    kData,           // one function of straight-line code: may be loaded
    kForeignHeader,  // not a chunk of the expected build
    kMalformed,      // a count, size or string the bytes do not hold, or bytes after the chunk
    kNotData,        // nested functions, upvalues, calls, loops, or an operand out of range
};

// The size_t of the Windows build: 4 in the shipped 32-bit one, 8 in the
// 64-bit build the Wine tests use where 32-bit code cannot run.
#ifdef _WIN64
constexpr size_t kChunkSizeTWidth = 8;
#else
constexpr size_t kChunkSizeTWidth = 4;
#endif

// The verdict on `bytes` as a chunk of a little-endian Lua 5.1 build with
// 4-byte int and Instruction, double lua_Number and a size_t of `sizeTWidth`
// bytes (4 or 8).
ChunkVerdict CheckChunk(const char* bytes, size_t size, size_t sizeTWidth);
