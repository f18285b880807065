// The DirectX 7 display driver source. Only enumeration: no surface is
// created and no display mode is set.
#include "display/DisplaySource.h"

#include <windows.h>
#include <ddraw.h>
#include <d3d.h>

namespace {

constexpr DWORD kAllDrivers = DDENUM_ATTACHEDSECONDARYDEVICES | DDENUM_DETACHEDSECONDARYDEVICES |
                              DDENUM_NONDISPLAYDEVICES;
static_assert(kAllDrivers == 7, "every kind of display driver");

// The callbacks below are called from inside ddraw: no C++ exception may
// leave them, so each one ends the step it was in and lets the walk go on.

BOOL WINAPI DriverCallback(GUID* guid, LPSTR description, LPSTR, LPVOID, HMONITOR)
{
    try {
        return OnDirectDrawDriver(guid, description);
    } catch (...) {
        return DDENUMRET_OK;
    }
}

HRESULT WINAPI ModeCallback(LPDDSURFACEDESC2 mode, LPVOID record)
{
    try {
        return OnDisplayMode(mode, static_cast<DeviceEntry*>(record));
    } catch (...) {
        return DDENUMRET_OK;
    }
}

HRESULT CALLBACK DeviceCallback(char* description, char* name, D3DDEVICEDESC7* desc, void* record)
{
    try {
        return OnDirect3DDevice(description, name, desc, static_cast<DeviceEntry*>(record));
    } catch (...) {
        return D3DENUMRET_OK;
    }
}

class DirectDrawDriver final : public DisplayDriver {
public:
    bool Open(const GUID* driverGuid)
    {
        void* created = nullptr;
        if (FAILED(DirectDrawCreateEx(const_cast<GUID*>(driverGuid), &created, IID_IDirectDraw7, nullptr)) ||
            !created)
            return false;
        m_draw = static_cast<IDirectDraw7*>(created);
        void* queried = nullptr;
        if (FAILED(m_draw->QueryInterface(IID_IDirect3D7, &queried)) || !queried) {
            m_draw->Release();
            m_draw = nullptr;
            return false;
        }
        m_3d = static_cast<IDirect3D7*>(queried);
        return true;
    }

    void GetCaps(DDCAPS* driverCaps, DDCAPS* helCaps) override
    {
        m_draw->GetCaps(driverCaps, helCaps);
    }

    void EnumerateModes(DeviceEntry* record) override
    {
        m_draw->EnumDisplayModes(0, nullptr, record, ModeCallback);
    }

    void EnumerateDevices(DeviceEntry* record) override
    {
        m_3d->EnumDevices(DeviceCallback, record);
    }

    void Close() override
    {
        m_3d->Release();
        m_3d = nullptr;
        m_draw->Release();
        m_draw = nullptr;
    }

private:
    IDirectDraw7* m_draw = nullptr;
    IDirect3D7* m_3d = nullptr;
};

class DirectDrawSource final : public DisplayDriverSource {
public:
    void EnumerateDrivers() override
    {
        DirectDrawEnumerateExA(DriverCallback, nullptr, kAllDrivers);
    }

    // Drivers are processed one at a time, so one driver object serves them all.
    DisplayDriver* Open(const GUID* driverGuid) override
    {
        return m_driver.Open(driverGuid) ? &m_driver : nullptr;
    }

private:
    DirectDrawDriver m_driver;
};

}  // namespace

template <>
DisplayDriverSource& DisplaySeam::Platform()
{
    static DirectDrawSource directDraw;
    return directDraw;
}
