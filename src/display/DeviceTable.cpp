#include "display/DeviceTable.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "display/DisplaySource.h"

namespace {

constexpr int kEnumGoOn = 1;        // DDENUMRET_OK, D3DENUMRET_OK
constexpr uint32_t kCapsSize = 380;
constexpr size_t kNameChars = 38;   // copy bound 39 with the terminator
constexpr size_t kMaxModes = SIZE_MAX / sizeof(DDSURFACEDESC2) / 2;

DeviceEntry deviceTable[kDeviceTableSize];
uint32_t enumeratedDeviceCount = 0;
uint32_t storedDeviceCount = 0;

void CopyName(char (&target)[40], const char* source)
{
    size_t length = 0;
    if (source)
        while (length < kNameChars && source[length] != '\0')
            ++length;
    if (length)
        std::memcpy(target, source, length);
    target[length] = '\0';
}

DDSURFACEDESC2* AllocateModes(size_t count)
{
    if (count == 0 || count > kMaxModes)
        return nullptr;
    return static_cast<DDSURFACEDESC2*>(std::malloc(count * sizeof(DDSURFACEDESC2)));
}

void FreeModes(DeviceEntry& entry)
{
    std::free(entry.modes);
    entry.modes = nullptr;
    entry.modeCount = 0;
}

bool DeviceRendersMode(uint32_t depths, const DDSURFACEDESC2& mode)
{
    switch (mode.ddpfPixelFormat.dwRGBBitCount) {
    case 32: return (depths & DDBD_32) != 0;
    case 24: return (depths & DDBD_24) != 0;
    case 16: return (depths & DDBD_16) != 0;
    default: return false;
    }
}

// Fills the candidate's modes with those of the driver it can render, in order.
void KeepRenderableModes(DeviceEntry& candidate, const DeviceEntry& driver)
{
    const uint32_t depths = candidate.deviceDesc.dwDeviceRenderBitDepth;
    for (uint32_t i = 0; i < driver.modeCount; ++i) {
        if (DeviceRendersMode(depths, driver.modes[i]))
            candidate.modes[candidate.modeCount++] = driver.modes[i];
    }
}

// Builds the candidate in `candidate`; false when it is rejected.
bool BuildCandidate(DeviceEntry& candidate, const char* deviceName,
                    const D3DDEVICEDESC7& desc, const DriverRecord& record)
{
    const DeviceEntry& driver = record.entry;
    std::memset(&candidate, 0, sizeof candidate);
    candidate.hardware = desc.dwDevCaps & D3DDEVCAPS_HWRASTERIZATION;
    candidate.deviceDesc = desc;
    candidate.driverCaps = driver.driverCaps;
    candidate.helCaps = driver.helCaps;
    candidate.deviceGuid = desc.deviceGUID;
    // No array when the driver has no modes or memory runs out: nothing can be kept.
    candidate.modes = AllocateModes(driver.modeCount);
    if (driver.hasDriverGuid) {
        candidate.driverGuid = driver.driverGuid;
        candidate.hasDriverGuid = 1;
        CopyName(candidate.name, driver.name);
    } else {
        CopyName(candidate.name, deviceName);
    }
    // A driver other than the primary one contributes its hardware devices only.
    if (candidate.hasDriverGuid && !candidate.hardware)
        return false;
    if (record.accept && record.accept(&candidate.driverCaps, &candidate.deviceDesc) < 0)
        return false;
    if (candidate.modes)
        KeepRenderableModes(candidate, driver);
    return candidate.modeCount > 0;
}

}  // namespace

struct DisplayEnumeration {
    DisplayDriverSource& source;
    DeviceAcceptFn accept;
};

int OnDirectDrawDriver(DisplayEnumeration* enumeration, const GUID* driverGuid, const char* description)
{
    DisplayDriver* driver = enumeration ? enumeration->source.Open(driverGuid) : nullptr;
    if (!driver)
        return kEnumGoOn;

    DriverRecord record;
    std::memset(&record, 0, sizeof record);
    record.accept = enumeration->accept;
    DeviceEntry& entry = record.entry;
    CopyName(entry.name, description);
    entry.driverCaps.dwSize = kCapsSize;
    entry.helCaps.dwSize = kCapsSize;
    driver->GetCaps(&entry.driverCaps, &entry.helCaps);
    if (driverGuid) {
        entry.driverGuid = *driverGuid;
        entry.hasDriverGuid = 1;
    }
    driver->EnumerateModes(&record);
    if (entry.modeCount > 1)
        std::qsort(entry.modes, entry.modeCount, sizeof(DDSURFACEDESC2), CompareDisplayModes);
    driver->EnumerateDevices(&record);
    FreeModes(entry);
    driver->Close();
    return kEnumGoOn;
}

int OnDisplayMode(const DDSURFACEDESC2* mode, DriverRecord* driverRecord)
{
    if (!mode || !driverRecord)
        return kEnumGoOn;
    DeviceEntry& entry = driverRecord->entry;
    const size_t count = entry.modeCount;
    // The array grows to the next power of two whenever it is full, so a
    // driver with many modes costs linear time. A mode that finds no memory
    // is left out.
    if ((count & (count - 1)) == 0) {
        DDSURFACEDESC2* grown = AllocateModes(count ? count * 2 : 1);
        if (!grown)
            return kEnumGoOn;
        if (count)
            std::memcpy(grown, entry.modes, count * sizeof(DDSURFACEDESC2));
        std::free(entry.modes);
        entry.modes = grown;
    }
    entry.modes[count] = *mode;
    entry.modeCount = static_cast<uint32_t>(count + 1);
    return kEnumGoOn;
}

int OnDirect3DDevice(const char* description, const char* deviceName,
                     const D3DDEVICEDESC7* deviceDesc, DriverRecord* driverRecord)
{
    ++enumeratedDeviceCount;
    // The table is full: further devices are counted but never stored.
    if (storedDeviceCount >= kDeviceTableSize || !deviceDesc || !driverRecord)
        return kEnumGoOn;
    DeviceEntry& candidate = deviceTable[storedDeviceCount];
    if (BuildCandidate(candidate, deviceName, *deviceDesc, *driverRecord))
        ++storedDeviceCount;
    else
        FreeModes(candidate);
    return kEnumGoOn;
}

int CompareDisplayModes(const void* a, const void* b)
{
    const DDSURFACEDESC2& left = *static_cast<const DDSURFACEDESC2*>(a);
    const DDSURFACEDESC2& right = *static_cast<const DDSURFACEDESC2*>(b);
    const uint32_t keys[3][2] = {
        {left.dwWidth, right.dwWidth},
        {left.dwHeight, right.dwHeight},
        {left.ddpfPixelFormat.dwRGBBitCount, right.ddpfPixelFormat.dwRGBBitCount},
    };
    for (const auto& key : keys) {
        if (key[0] != key[1])
            return key[0] < key[1] ? -1 : 1;
    }
    return 0;
}

int32_t AcceptAllDevices(const DDCAPS*, const D3DDEVICEDESC7*)
{
    return 0;
}

int32_t EnumerateDisplayDevices(DisplayDriverSource& source, DeviceAcceptFn accept)
{
    // From an empty table: the tool enumerates once, its tests many times.
    ReleaseDisplayModes();
    std::memset(deviceTable, 0, sizeof deviceTable);
    enumeratedDeviceCount = 0;
    storedDeviceCount = 0;
    DisplayEnumeration enumeration{source, accept};
    source.EnumerateDrivers(&enumeration);
    if (enumeratedDeviceCount == 0)
        return static_cast<int32_t>(ENUM_ERR_NO_DEVICE);
    if (storedDeviceCount == 0)
        return static_cast<int32_t>(ENUM_ERR_NONE_ACCEPTED);
    return 0;
}

DeviceEntry* GetDeviceTable()
{
    return deviceTable;
}

uint32_t GetStoredDeviceCount()
{
    return storedDeviceCount;
}

void ReleaseDisplayModes()
{
    for (uint32_t i = 0; i < storedDeviceCount; ++i)
        FreeModes(deviceTable[i]);
}
