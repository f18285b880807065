// What feeds the enumeration steps: DirectX 7 on Windows, a scripted list in
// tests. One source is current for the whole process.
#pragma once

#include "display/DeviceTable.h"

// One driver opened by its source: its DirectDraw 7 and Direct3D 7 interfaces.
class DisplayDriver {
public:
    virtual void GetCaps(DDCAPS* driverCaps, DDCAPS* helCaps) = 0;
    // Reports every display mode to OnDisplayMode with `record`.
    virtual void EnumerateModes(DeviceEntry* record) = 0;
    // Reports every Direct3D device to OnDirect3DDevice with `record`.
    virtual void EnumerateDevices(DeviceEntry* record) = 0;
    // Releases Direct3D, then DirectDraw; the driver is not used afterwards.
    virtual void Close() = 0;

protected:
    ~DisplayDriver() = default;
};

class DisplayDriverSource {
public:
    virtual ~DisplayDriverSource() = default;
    // Reports every driver to OnDirectDrawDriver; the primary one without a GUID.
    virtual void EnumerateDrivers() = 0;
    // Null when the driver has no DirectDraw 7 object or no Direct3D 7 on it;
    // then nothing is left open.
    virtual DisplayDriver* Open(const GUID* driverGuid) = 0;
};

DisplayDriverSource& GetDisplayDriverSource();
// Null puts back the default source. Returns the previous override, or null.
DisplayDriverSource* SetDisplayDriverSource(DisplayDriverSource* source);
// The platform's source: DirectX 7 on Windows, no drivers elsewhere.
DisplayDriverSource& DefaultDisplayDriverSource();
