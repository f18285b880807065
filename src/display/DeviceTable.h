// The display devices found at start-up and the display modes each can render.
#pragma once

#include <cstdint>

#include "display/DxTypes.h"

constexpr int kDeviceTableSize = 20;
constexpr uint32_t ENUM_ERR_NO_DEVICE = 0x81000002u;
constexpr uint32_t ENUM_ERR_NONE_ACCEPTED = 0x81000003u;

struct DeviceEntry {
    char name[40];
    D3DDEVICEDESC7 deviceDesc;
    uint32_t hardware;        // dwDevCaps & D3DDEVCAPS_HWRASTERIZATION
    uint32_t hasDriverGuid;
    DDCAPS driverCaps;
    DDCAPS helCaps;
    GUID deviceGuid;
    GUID driverGuid;
    DDSURFACEDESC2* modes;    // owned until ReleaseDisplayModes
    uint32_t modeCount;
};

// A negative status rejects the candidate device.
typedef int32_t (*DeviceAcceptFn)(const DDCAPS* driverCaps, const D3DDEVICEDESC7* deviceDesc);

int32_t AcceptAllDevices(const DDCAPS* driverCaps, const D3DDEVICEDESC7* deviceDesc);

class DisplayDriverSource;

// Empties the table, then runs `source` once over every driver; 0,
// ENUM_ERR_NO_DEVICE or ENUM_ERR_NONE_ACCEPTED (both negative as signed
// values). `accept` may be null.
int32_t EnumerateDisplayDevices(DisplayDriverSource& source, DeviceAcceptFn accept);

// One run of EnumerateDisplayDevices: its source and hook. Sources pass it
// through to OnDirectDrawDriver untouched.
struct DisplayEnumeration;

// One driver while its modes and devices are reported: the driver in the shape
// of a device entry (its description, caps, GUID and every mode it reported)
// and the hook its devices are put to.
struct DriverRecord {
    DeviceEntry entry;
    DeviceAcceptFn accept;
};

// The three steps the display driver source feeds. Each returns 1, the "go on"
// value of DDENUMRET_OK and D3DENUMRET_OK.
int OnDirectDrawDriver(DisplayEnumeration* enumeration, const GUID* driverGuid, const char* description);
int OnDisplayMode(const DDSURFACEDESC2* mode, DriverRecord* driverRecord);
int OnDirect3DDevice(const char* description, const char* deviceName,
                     const D3DDEVICEDESC7* deviceDesc, DriverRecord* driverRecord);

// qsort comparator over DDSURFACEDESC2: width, then height, then bit count.
int CompareDisplayModes(const void* a, const void* b);

DeviceEntry* GetDeviceTable();
uint32_t GetStoredDeviceCount();

// The stored entries of a device table, for a walk over them.
struct StoredDevices {
    const DeviceEntry* entries;
    uint32_t count;
};
inline StoredDevices GetStoredDevices()
{
    return StoredDevices{GetDeviceTable(), GetStoredDeviceCount()};
}
// Frees the mode arrays of the stored entries; a second call does nothing.
void ReleaseDisplayModes();

// Offered modes: at least 480 pixels high and exactly 16 bits deep.
inline bool IsOfferedMode(const DDSURFACEDESC2& mode)
{
    return mode.dwHeight >= 480u && mode.ddpfPixelFormat.dwRGBBitCount == 16u;
}
