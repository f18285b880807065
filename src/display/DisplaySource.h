// What feeds the enumeration steps: DirectX 7 on Windows, a scripted list in
// tests.
#pragma once

#include "common/Seam.h"
#include "display/DeviceTable.h"

// One driver opened by its source: its DirectDraw 7 and Direct3D 7 interfaces.
class DisplayDriver {
public:
    virtual void GetCaps(DDCAPS* driverCaps, DDCAPS* helCaps) = 0;
    // Reports every display mode to OnDisplayMode with `record`.
    virtual void EnumerateModes(DriverRecord* record) = 0;
    // Reports every Direct3D device to OnDirect3DDevice with `record`.
    virtual void EnumerateDevices(DriverRecord* record) = 0;
    // Releases Direct3D, then DirectDraw; the driver is not used afterwards.
    virtual void Close() = 0;

protected:
    ~DisplayDriver() = default;
};

class DisplayDriverSource {
public:
    virtual ~DisplayDriverSource() = default;
    // Reports every driver to OnDirectDrawDriver with `enumeration`; the
    // primary one without a GUID.
    virtual void EnumerateDrivers(DisplayEnumeration* enumeration) = 0;
    // Null when the driver has no DirectDraw 7 object or no Direct3D 7 on it;
    // then nothing is left open.
    virtual DisplayDriver* Open(const GUID* driverGuid) = 0;
};

// DirectX 7 on Windows; elsewhere a source without drivers.
using DisplaySeam = Seam<DisplayDriverSource>;
template <>
DisplayDriverSource& DisplaySeam::Platform();
