#include "common/Clock.h"

#include <windows.h>

uint64_t MonotonicMs()
{
    static const uint64_t perSecond = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<uint64_t>(frequency.QuadPart);
    }();
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    // In two parts, as ticks * 1000 overflows within weeks at a high frequency.
    const uint64_t ticks = static_cast<uint64_t>(count.QuadPart);
    return ticks / perSecond * 1000 + ticks % perSecond * 1000 / perSecond;
}
