// A display driver source that plays back a fixed list of drivers, modes and
// devices through the same steps as DirectX.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "display/DisplaySource.h"

struct ScriptedMode {
    uint32_t width;
    uint32_t height;
    uint32_t bits;
};

struct ScriptedDevice {
    std::string name;
    uint32_t devCaps;         // D3DDEVCAPS_HWRASTERIZATION marks hardware
    uint32_t renderDepths;    // DDBD_16 | DDBD_24 | DDBD_32
    GUID guid;
};

struct ScriptedDriver {
    bool hasGuid = false;     // false for the primary display driver
    GUID guid{};
    std::string description;
    std::vector<ScriptedMode> modes;
    std::vector<ScriptedDevice> devices;
    bool opens = true;        // DirectDrawCreateEx succeeds
    bool hasDirect3D = true;  // QueryInterface for Direct3D 7 succeeds
    uint8_t capsMarker = 0;   // written into both caps after their dwSize
};

constexpr uint32_t kHardwareDevice = 0x00080000u;
constexpr uint32_t kAllDepths = 0x400u | 0x200u | 0x100u;

DDSURFACEDESC2 MakeMode(const ScriptedMode& mode);
GUID MakeGuid(uint8_t seed);
bool SameGuid(const GUID& a, const GUID& b);
// "640x480x16 800x600x16 ", to compare lists of modes in one line.
std::string ModesText(const std::vector<ScriptedMode>& modes);

// The primary display driver (no GUID), and a secondary one whose GUID and
// caps marker come from `seed`.
ScriptedDriver Primary(std::vector<ScriptedMode> modes, std::vector<ScriptedDevice> devices);
ScriptedDriver Secondary(uint8_t seed, std::string description, std::vector<ScriptedMode> modes,
                         std::vector<ScriptedDevice> devices);
// Devices with their GUID from `seed`; bit 0x1 of their caps is set.
ScriptedDevice Hardware(std::string name, uint8_t seed, uint32_t depths = kAllDepths);
ScriptedDevice Software(std::string name, uint8_t seed, uint32_t depths = kAllDepths);

class ScriptedDisplaySource final : public DisplayDriverSource {
public:
    std::vector<ScriptedDriver> drivers;
    // Drivers opened and closed, to check that every open driver is closed.
    int opened = 0;
    int closed = 0;
    // Devices reported to the enumeration, stored or not.
    uint32_t devicesReported = 0;

    void EnumerateDrivers(DisplayEnumeration* enumeration) override;
    DisplayDriver* Open(const GUID* driverGuid) override;

    // dwSize of both caps structures when GetCaps was last called.
    uint32_t capsSizeSeen[2] = {0, 0};

private:
    class Driver final : public DisplayDriver {
    public:
        ScriptedDisplaySource* owner = nullptr;
        const ScriptedDriver* script = nullptr;

        void GetCaps(DDCAPS* driverCaps, DDCAPS* helCaps) override;
        void EnumerateModes(DriverRecord* record) override;
        void EnumerateDevices(DriverRecord* record) override;
        void Close() override;
    };

    Driver m_driver;
    const ScriptedDriver* m_current = nullptr;
};

// An enumeration that finds no driver: the device table as at program start.
void EmptyDeviceTable();

// Makes `source` current for the life of the object, and starts and ends with
// an empty device table.
class ScopedDisplaySource {
public:
    explicit ScopedDisplaySource(DisplayDriverSource& source);
    ~ScopedDisplaySource();
    ScopedDisplaySource(const ScopedDisplaySource&) = delete;
    ScopedDisplaySource& operator=(const ScopedDisplaySource&) = delete;

private:
    DisplaySeam::Override m_override;
};
