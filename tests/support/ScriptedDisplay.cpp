#include "support/ScriptedDisplay.h"

#include <cstring>

DDSURFACEDESC2 MakeMode(const ScriptedMode& mode)
{
    DDSURFACEDESC2 desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwWidth = mode.width;
    desc.dwHeight = mode.height;
    desc.ddpfPixelFormat.dwSize = sizeof desc.ddpfPixelFormat;
    desc.ddpfPixelFormat.dwRGBBitCount = mode.bits;
    return desc;
}

GUID MakeGuid(uint8_t seed)
{
    GUID guid;
    std::memset(&guid, seed, sizeof guid);
    return guid;
}

bool SameGuid(const GUID& a, const GUID& b)
{
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

std::string ModesText(const std::vector<ScriptedMode>& modes)
{
    std::string text;
    for (const ScriptedMode& m : modes)
        text += std::to_string(m.width) + "x" + std::to_string(m.height) + "x" + std::to_string(m.bits) + " ";
    return text;
}

ScriptedDriver Primary(std::vector<ScriptedMode> modes, std::vector<ScriptedDevice> devices)
{
    ScriptedDriver driver;
    driver.description = "Primary Display";
    driver.modes = std::move(modes);
    driver.devices = std::move(devices);
    return driver;
}

ScriptedDriver Secondary(uint8_t seed, std::string description, std::vector<ScriptedMode> modes,
                         std::vector<ScriptedDevice> devices)
{
    ScriptedDriver driver = Primary(std::move(modes), std::move(devices));
    driver.hasGuid = true;
    driver.guid = MakeGuid(seed);
    driver.description = std::move(description);
    driver.capsMarker = seed;
    return driver;
}

ScriptedDevice Hardware(std::string name, uint8_t seed, uint32_t depths)
{
    return {std::move(name), kHardwareDevice | 0x1u, depths, MakeGuid(seed)};
}

ScriptedDevice Software(std::string name, uint8_t seed, uint32_t depths)
{
    return {std::move(name), 0x1u, depths, MakeGuid(seed)};
}

void ScriptedDisplaySource::EnumerateDrivers(DisplayEnumeration* enumeration)
{
    for (const ScriptedDriver& driver : drivers) {
        m_current = &driver;
        OnDirectDrawDriver(enumeration, driver.hasGuid ? &driver.guid : nullptr, driver.description.c_str());
    }
    m_current = nullptr;
}

DisplayDriver* ScriptedDisplaySource::Open(const GUID* driverGuid)
{
    if (!m_current || !m_current->opens || !m_current->hasDirect3D)
        return nullptr;
    // The step must ask for the driver it was told about.
    if ((driverGuid != nullptr) != m_current->hasGuid ||
        (driverGuid && std::memcmp(driverGuid, &m_current->guid, sizeof(GUID)) != 0))
        return nullptr;
    ++opened;
    m_driver.owner = this;
    m_driver.script = m_current;
    return &m_driver;
}

void ScriptedDisplaySource::Driver::GetCaps(DDCAPS* driverCaps, DDCAPS* helCaps)
{
    owner->capsSizeSeen[0] = driverCaps->dwSize;
    owner->capsSizeSeen[1] = helCaps->dwSize;
    const uint8_t hel = static_cast<uint8_t>(script->capsMarker + 1);
    std::memset(reinterpret_cast<unsigned char*>(driverCaps) + 4, script->capsMarker, 4);
    std::memset(reinterpret_cast<unsigned char*>(helCaps) + 4, hel, 4);
}

void ScriptedDisplaySource::Driver::EnumerateModes(DriverRecord* record)
{
    for (const ScriptedMode& mode : script->modes) {
        const DDSURFACEDESC2 desc = MakeMode(mode);
        OnDisplayMode(&desc, record);
    }
}

void ScriptedDisplaySource::Driver::EnumerateDevices(DriverRecord* record)
{
    for (const ScriptedDevice& device : script->devices) {
        D3DDEVICEDESC7 desc;
        std::memset(&desc, 0, sizeof desc);
        desc.dwDevCaps = device.devCaps;
        desc.dwDeviceRenderBitDepth = device.renderDepths;
        desc.deviceGUID = device.guid;
        ++owner->devicesReported;
        OnDirect3DDevice("scripted device", device.name.c_str(), &desc, record);
    }
}

void ScriptedDisplaySource::Driver::Close()
{
    ++owner->closed;
    script = nullptr;
}

void EmptyDeviceTable()
{
    ScriptedDisplaySource none;
    EnumerateDisplayDevices(none, AcceptAllDevices);
}

ScopedDisplaySource::ScopedDisplaySource(DisplayDriverSource& source) : m_override(source)
{
    EmptyDeviceTable();
}

ScopedDisplaySource::~ScopedDisplaySource()
{
    EmptyDeviceTable();
}
