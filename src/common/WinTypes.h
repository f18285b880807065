// The few Windows types the portable core shares with the Win32 build.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdint>

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};
typedef int BOOL;
#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif
#endif

static_assert(sizeof(GUID) == 16, "GUIDs are stored as 16 raw bytes");
