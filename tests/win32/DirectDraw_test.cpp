// The real DirectX 7 enumeration on the drivers Wine offers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/DeviceTable.h"
#include "display/DisplaySource.h"
#include "support/ScriptedDisplay.h"

namespace {

struct DriverReport {
    bool hasGuid = false;
    bool opened = false;
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

        void EnumerateModes(DriverRecord* record) override { inner->EnumerateModes(record); }

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

class DirectDrawTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EmptyDeviceTable();
        status = EnumerateDisplayDevices(source, AcceptAllDevices);
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

    // The table's own rules are the portable code's, tried natively; from
    // Wine's devices each entry must at least offer a mode.
    const DeviceEntry* table = GetDeviceTable();
    for (uint32_t i = 0; i < stored; ++i)
        EXPECT_GE(table[i].modeCount, 1u) << "entry " << i;
}

}  // namespace
