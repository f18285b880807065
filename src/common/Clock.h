// The clock that run deadlines are measured on.
#pragma once

#include <cstdint>

// Milliseconds since some fixed start; never set back. std::chrono's
// steady_clock will not do on Windows: mingw's libstdc++ has no clock_gettime
// there and makes it the wall clock, which a time sync or the user may set back.
uint64_t MonotonicMs();
