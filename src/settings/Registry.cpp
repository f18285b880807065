#include "settings/Registry.h"

#include <cstring>
#include <new>

#include "display/DeviceTable.h"
#include "script/LuaHost.h"
#include "settings/SettingNames.h"

ModeEntry modeList[kModeListSize] = {
#define KES_MODE_640 {640, 480, 16}
#define KES_MODE_640x10 KES_MODE_640, KES_MODE_640, KES_MODE_640, KES_MODE_640, KES_MODE_640, \
                        KES_MODE_640, KES_MODE_640, KES_MODE_640, KES_MODE_640, KES_MODE_640
    KES_MODE_640x10, KES_MODE_640x10, KES_MODE_640x10, KES_MODE_640x10,
#undef KES_MODE_640x10
#undef KES_MODE_640
};

CRegistry* CRegistry::s_instance = nullptr;

void ResetModeList()
{
    for (ModeEntry& mode : modeList)
        mode = ModeEntry{640, 480, 16};
}

void ChooseDevice(CRegistry& record, const DeviceEntry& device)
{
    // The whole field is written, so the stored DEVICENAME bytes hold no leftovers.
    const size_t length = strnlen(device.name, sizeof record.deviceName - 1);
    std::memset(record.deviceName, 0, sizeof record.deviceName);
    std::memcpy(record.deviceName, device.name, length);
    record.deviceGuid = device.deviceGuid;
    record.driverGuid = device.driverGuid;
}

int FillModeList(const DeviceEntry& device)
{
    int lines = 0;
    for (uint32_t i = 0; device.modes && i < device.modeCount && lines < kModeListSize; ++i) {
        const DDSURFACEDESC2& mode = device.modes[i];
        if (IsOfferedMode(mode))
            modeList[lines++] = ModeEntry{static_cast<int32_t>(mode.dwWidth), static_cast<int32_t>(mode.dwHeight),
                                          static_cast<int32_t>(mode.ddpfPixelFormat.dwRGBBitCount)};
    }
    return lines;
}

CRegistry::CRegistry() : valid(true) {}

CRegistry::~CRegistry() = default;

bool CRegistry::CrateInstance()
{
    if (s_instance)
        return false;
    CRegistry* record = new (std::nothrow) CRegistry;
    if (!record)
        return false;
    s_instance = record;
    if (!record->valid) {
        delete record;
        s_instance = nullptr;
        return false;
    }
    return true;
}

void CRegistry::DestroyInstance()
{
    delete s_instance;
    s_instance = nullptr;
}

namespace {

// The 26 defaults of the default-values script, read from one run of it; a
// key the script does not give is 0.
void ReadScriptDefaults(CRegistry& record, CLuaHost& host)
{
    const char* options = GetSettingName(kNameOptionTable);
    const char* commands = GetSettingName(kNameCommandTable);
    struct Default {
        const char* table;
        int name;
        int32_t* field;
    };
    const Default fixed[] = {
        {options, kNameBgmVolume, &record.bgmVolume},     {options, kNameEffectVolume, &record.effectVolume},
        {commands, kNameBgmOn, &record.bgmOn},            {commands, kNameSoundOn, &record.soundOn},
        {options, kNameMouseExclusive, &record.mouseExclusive},
    };
    constexpr size_t kFixed = sizeof fixed / sizeof fixed[0];
    CLuaHost::Key keys[kFixed + kCommandCount];
    int32_t* fields[kFixed + kCommandCount];
    for (size_t i = 0; i < kFixed; ++i) {
        keys[i] = CLuaHost::Key::Number(fixed[i].table, GetSettingName(fixed[i].name), 0);
        fields[i] = fixed[i].field;
    }
    for (int k = 0; k < kCommandCount; ++k) {
        keys[kFixed + k] = CLuaHost::Key::Number(commands, GetSettingName(kNameFirstCommand + k), 0);
        fields[kFixed + k] = &record.commandFlags[k];
    }
    host.LookupValues(GetSettingName(kNameDefaultScript), keys, kFixed + kCommandCount);
    for (size_t i = 0; i < kFixed + kCommandCount; ++i)
        *fields[i] = keys[i].number;
}

}  // namespace

void CRegistry::SetDefaults(CLuaHost& host, const StoredDevices& devices)
{
    fullScreen = 0;
    width = 640;
    height = 480;
    bitsPerPixel = 16;
    spriteMode = 2;
    textureMode = 2;
    soundMode = 1;
    speakerType = 0;
    digitalRateType = 0;
    digitalBitsType = 0;
    std::memset(providerName, 0, sizeof providerName);
    std::strcpy(providerName, "No Provider");

    ReadScriptDefaults(*this, host);

    modeList[0] = ModeEntry{640, 480, 16};

    for (uint32_t i = 0; i < devices.count; ++i) {
        const DeviceEntry& device = devices.entries[i];
        if (!device.hardware)
            continue;
        ChooseDevice(*this, device);
        deviceIndex = 0;
        const int lines = FillModeList(device);
        for (int line = 0; line < lines; ++line) {
            if (modeList[line].width == 640 && modeList[line].height == 480 && modeList[line].bitsPerPixel == 16)
                modeIndex = line;
        }
        break;
    }
}
