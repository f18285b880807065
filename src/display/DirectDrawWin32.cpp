// The DirectX 7 display driver source. Only enumeration: no surface is
// created and no display mode is set.
#include "display/DisplaySource.h"

#include <windows.h>
#include <ddraw.h>
#include <d3d.h>

#include "system/SystemLibrary.h"

namespace {

constexpr DWORD kAllDrivers = DDENUM_ATTACHEDSECONDARYDEVICES | DDENUM_DETACHEDSECONDARYDEVICES |
                              DDENUM_NONDISPLAYDEVICES;
static_assert(kAllDrivers == 7, "every kind of display driver");

// The callbacks below are called from inside ddraw: no C++ exception may
// leave them, so each one ends the step it was in and lets the walk go on.

BOOL WINAPI DriverCallback(GUID* guid, LPSTR description, LPSTR, LPVOID enumeration, HMONITOR)
{
    try {
        return OnDirectDrawDriver(static_cast<DisplayEnumeration*>(enumeration), guid, description);
    } catch (...) {
        return DDENUMRET_OK;
    }
}

HRESULT WINAPI ModeCallback(LPDDSURFACEDESC2 mode, LPVOID record)
{
    try {
        return OnDisplayMode(mode, static_cast<DriverRecord*>(record));
    } catch (...) {
        return DDENUMRET_OK;
    }
}

HRESULT CALLBACK DeviceCallback(char* description, char* name, D3DDEVICEDESC7* desc, void* record)
{
    try {
        return OnDirect3DDevice(description, name, desc, static_cast<DriverRecord*>(record));
    } catch (...) {
        return D3DENUMRET_OK;
    }
}

// ddraw.dll from the system folder only, never one planted beside the
// executable in the game folder: loaded at run time, not imported. A
// DirectDraw wrapper a player added for the game is not what we enumerate.
struct DirectDrawLibrary {
    decltype(&DirectDrawEnumerateExA) enumerate = nullptr;
    decltype(&DirectDrawCreateEx) create = nullptr;

    DirectDrawLibrary()
    {
        // Wine's Direct3D loads setupapi by name when it first looks at the
        // adapters, through a delayed import that ignores the process's
        // search restriction; loaded here first, that name finds this copy.
        LoadSystemLibrary("setupapi.dll");
        HMODULE library = LoadSystemLibrary("ddraw.dll");
        if (!library)
            return;
        enumerate = LibraryFunction<decltype(enumerate)>(library, "DirectDrawEnumerateExA");
        create = LibraryFunction<decltype(create)>(library, "DirectDrawCreateEx");
        if (!enumerate || !create)
            enumerate = nullptr, create = nullptr;
    }

    static const DirectDrawLibrary& Get()
    {
        static const DirectDrawLibrary library;
        return library;
    }
};

class DirectDrawDriver final : public DisplayDriver {
public:
    bool Open(const GUID* driverGuid)
    {
        void* created = nullptr;
        const DirectDrawLibrary& library = DirectDrawLibrary::Get();
        if (!library.create || FAILED(library.create(const_cast<GUID*>(driverGuid), &created, IID_IDirectDraw7, nullptr)) ||
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

    void EnumerateModes(DriverRecord* record) override
    {
        m_draw->EnumDisplayModes(0, nullptr, record, ModeCallback);
    }

    void EnumerateDevices(DriverRecord* record) override
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
    void EnumerateDrivers(DisplayEnumeration* enumeration) override
    {
        // Without DirectDraw no driver is reported, as when it finds none.
        if (const auto enumerate = DirectDrawLibrary::Get().enumerate)
            enumerate(DriverCallback, enumeration, kAllDrivers);
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
