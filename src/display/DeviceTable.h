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

DeviceEntry* GetDeviceTable();
uint32_t GetStoredDeviceCount();
void ReleaseDisplayModes();

// Offered modes: at least 480 pixels high and exactly 16 bits deep.
inline bool IsOfferedMode(const DDSURFACEDESC2& mode)
{
    return mode.dwHeight >= 480u && mode.ddpfPixelFormat.dwRGBBitCount == 16u;
}
