// The real DirectX 7 enumeration on the drivers Wine offers. Prints what Wine
// reported so the figures can be compared between machines.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "display/DeviceTable.h"
#include "display/DisplaySource.h"
#include "support/ScriptedDisplay.h"

namespace {

struct DriverReport {
    bool hasGuid = false;
    GUID guid{};
    bool opened = false;
    std::string description;
    std::vector<DDSURFACEDESC2> modes;   // as reported, before sorting
    uint32_t devicesStored = 0;
};

// Passes everything to the DirectX source and notes what went through.
class RecordingSource final : public DisplayDriverSource {
public:
    std::vector<DriverReport> drivers;
    int closed = 0;

    void EnumerateDrivers(DisplayEnumeration* enumeration) override
    {
        DisplaySeam::Platform().EnumerateDrivers(enumeration);
    }

    DisplayDriver* Open(const GUID* driverGuid) override
    {
        drivers.emplace_back();
        DriverReport& report = drivers.back();
        report.hasGuid = driverGuid != nullptr;
        if (driverGuid)
            report.guid = *driverGuid;
        m_driver.inner = DisplaySeam::Platform().Open(driverGuid);
        report.opened = m_driver.inner != nullptr;
        m_driver.owner = this;
        return report.opened ? &m_driver : nullptr;
    }

private:
    struct Driver final : DisplayDriver {
        DisplayDriver* inner = nullptr;
        RecordingSource* owner = nullptr;

        void GetCaps(DDCAPS* driverCaps, DDCAPS* helCaps) override { inner->GetCaps(driverCaps, helCaps); }

        void EnumerateModes(DriverRecord* record) override
        {
            inner->EnumerateModes(record);
            DriverReport& report = owner->drivers.back();
            const DeviceEntry& entry = record->entry;
            report.description = entry.name;
            report.modes.assign(entry.modes, entry.modes + entry.modeCount);
        }

        void EnumerateDevices(DriverRecord* record) override
        {
            const uint32_t stored = GetStoredDeviceCount();
            inner->EnumerateDevices(record);
            owner->drivers.back().devicesStored = GetStoredDeviceCount() - stored;
        }

        void Close() override
        {
            inner->Close();
            ++owner->closed;
        }
    };

    Driver m_driver;
};

std::string GuidText(const GUID& guid)
{
    char text[40];
    std::snprintf(text, sizeof text, "%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                  static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
                  guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return text;
}

std::string ModeText(const DDSURFACEDESC2& mode)
{
    return std::to_string(mode.dwWidth) + "x" + std::to_string(mode.dwHeight) + "x" +
           std::to_string(mode.ddpfPixelFormat.dwRGBBitCount);
}

void Print(const std::vector<DriverReport>& drivers)
{
    std::printf("[wine] %u DirectDraw driver(s)\n", static_cast<unsigned>(drivers.size()));
    for (const DriverReport& d : drivers) {
        std::printf("[wine] driver %s \"%s\": %s, %u mode(s), %u device(s) stored\n",
                    d.hasGuid ? GuidText(d.guid).c_str() : "(primary)", d.description.c_str(),
                    d.opened ? "DirectDraw 7 + Direct3D 7" : "not opened", static_cast<unsigned>(d.modes.size()),
                    d.devicesStored);
        std::string modes;
        for (const DDSURFACEDESC2& mode : d.modes)
            modes += " " + ModeText(mode);
        std::printf("[wine]   modes as reported:%s\n", modes.c_str());
    }
    const DeviceEntry* table = GetDeviceTable();
    std::printf("[wine] %u device(s) stored\n", GetStoredDeviceCount());
    for (uint32_t i = 0; i < GetStoredDeviceCount(); ++i) {
        const DeviceEntry& e = table[i];
        std::string offered;
        for (uint32_t m = 0; m < e.modeCount; ++m)
            if (IsOfferedMode(e.modes[m]))
                offered += " " + ModeText(e.modes[m]);
        std::printf("[wine]   %u \"%s\" hardware=%s depths=0x%lX device %s, %u mode(s), offered:%s\n", i, e.name,
                    e.hardware ? "yes" : "no", static_cast<unsigned long>(e.deviceDesc.dwDeviceRenderBitDepth),
                    GuidText(e.deviceGuid).c_str(), e.modeCount, offered.empty() ? " none" : offered.c_str());
    }
    std::fflush(stdout);
}

class DirectDrawTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EmptyDeviceTable();
        status = EnumerateDisplayDevices(source, AcceptAllDevices);
        static bool printed = false;
        if (!printed)
            Print(source.drivers);
        printed = true;
    }

    void TearDown() override
    {
        EmptyDeviceTable();
    }

    RecordingSource source;
    int32_t status = 0;
};

TEST_F(DirectDrawTest, TableInvariants)
{
    const uint32_t stored = GetStoredDeviceCount();
    ASSERT_FALSE(source.drivers.empty()) << "Wine reports at least the primary driver";
    EXPECT_FALSE(source.drivers.front().hasGuid) << "the primary driver comes without a GUID";
    EXPECT_LE(stored, static_cast<uint32_t>(kDeviceTableSize));
    // Wine's DirectDraw offers hardware devices on any X server.
    ASSERT_GT(stored, 0u);
    EXPECT_EQ(status, 0);

    int opened = 0;
    uint32_t storedPerDriver = 0;
    for (const DriverReport& d : source.drivers) {
        opened += d.opened ? 1 : 0;
        storedPerDriver += d.devicesStored;
    }
    EXPECT_EQ(source.closed, opened) << "every opened driver is released";
    EXPECT_EQ(storedPerDriver, stored);

    const DeviceEntry* table = GetDeviceTable();
    for (uint32_t i = 0; i < stored; ++i) {
        const DeviceEntry& e = table[i];
        SCOPED_TRACE("entry " + std::to_string(i));
        EXPECT_LE(strnlen(e.name, sizeof e.name), 38u);
        ASSERT_GE(e.modeCount, 1u);
        ASSERT_NE(e.modes, nullptr);
        for (uint32_t m = 0; m < e.modeCount; ++m) {
            const uint32_t bits = e.modes[m].ddpfPixelFormat.dwRGBBitCount;
            const uint32_t flag = bits == 16 ? DDBD_16 : bits == 24 ? DDBD_24 : bits == 32 ? DDBD_32 : 0;
            EXPECT_NE(e.deviceDesc.dwDeviceRenderBitDepth & flag, 0u) << ModeText(e.modes[m]);
            if (m > 0)
                EXPECT_LE(CompareDisplayModes(&e.modes[m - 1], &e.modes[m]), 0) << m;
        }
        EXPECT_EQ(e.hardware, e.deviceDesc.dwDevCaps & D3DDEVCAPS_HWRASTERIZATION);
        EXPECT_TRUE(SameGuid(e.deviceGuid, e.deviceDesc.deviceGUID));
        if (e.hasDriverGuid) {
            EXPECT_NE(e.hardware, 0u) << "a secondary driver gives hardware devices only";
        } else {
            EXPECT_TRUE(SameGuid(e.driverGuid, GUID{}));
        }
    }
}

}  // namespace
