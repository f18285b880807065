#include "StartupWork.h"

#include <chrono>
#include <string>

#include "display/DeviceTable.h"
#include "script/LuaHost.h"
#include "settings/Registry.h"
#include "settings/SettingNames.h"
#include "support/LuaHostProbe.h"
#include "support/SaveCheck.h"

const StartupStep kStartupSteps[kStartupStepCount] = {
    {"CrateInstance", [] { CRegistry::CrateInstance(); }},
    {"InitSettingNames", &InitSettingNames},
    {"EnumerateDisplays", [] { EnumerateDisplayDevices(DisplaySeam::Current(), AcceptAllDevices); }},
    {"ReadRegistry", [] { ReadRegistry(*CRegistry::Instance(), RegistrySeam::Current()); }},
    {"ReadSaveDataLines", [] { ReadSaveDataLines(*CRegistry::Instance(), FileSeam::Current()); }},
    {"ApplySavedOptions", [] { ApplySavedOptions(*CRegistry::Instance(), CLuaHost::Instance()); }},
};

namespace {

// A display card as a driver reports it: twelve sizes at three depths, a
// software rasterizer and two hardware devices.
ScriptedDriver TypicalDriver()
{
    ScriptedDriver driver;
    driver.description = "Primary Display Driver";
    const ScriptedMode sizes[] = {{320, 240, 0},   {400, 300, 0},   {512, 384, 0},   {640, 400, 0},
                                  {640, 480, 0},   {800, 600, 0},   {1024, 768, 0},  {1152, 864, 0},
                                  {1280, 960, 0},  {1280, 1024, 0}, {1600, 1200, 0}, {1920, 1080, 0}};
    for (uint32_t bits : {8u, 16u, 32u})
        for (ScriptedMode size : sizes)
            driver.modes.push_back({size.width, size.height, bits});
    driver.devices = {{"RGB Emulation", 0, kAllDepths, MakeGuid(1)},
                      {"Direct3D HAL", kHardwareDevice, kAllDepths, MakeGuid(2)},
                      {"Direct3D T&L HAL", kHardwareDevice, kAllDepths, MakeGuid(3)}};
    return driver;
}

std::string SaveDataFile(int foreignLines)
{
    std::string text;
    for (int i = 0; i < foreignLines; ++i)
        text += "GameWindowState" + std::to_string(i) + " = " + std::to_string(i % 97) + "\r\n";
    for (int i = 0; i <= kNameLastOption; ++i)
        text += std::string("OptionInfoList[\"") + GetSettingName(i) + "\"] = 1\r\n";
    text += "\r\n";
    for (int i = kNameLastOption + 1; i < kNameMessageTable; ++i)
        text += std::string("CmdOnOffList[\"") + GetSettingName(i) + "\"] = 1\r\n";
    return text;
}

}  // namespace

StartupWorkbench::StartupWorkbench(int foreignLines)
{
    InitSettingNames();
    m_dir.CopyExampleScripts();
    m_dir.WriteFile("SaveData/OptionInfo.lua", SaveDataFile(foreignLines));
    m_display.drivers.push_back(TypicalDriver());
    m_scope = std::make_unique<ScopedDisplaySource>(m_display);
}

StartupWorkbench::~StartupWorkbench()
{
    m_scope.reset();
}

void StartupWorkbench::StartUpOnce()
{
    StartUpLikeTheTool();
    ShutDownLikeTheTool();
    // The tool enumerates once per process; here every round starts afresh.
    ClearDeviceTable();
    ResetModeList();
}

void StartupWorkbench::StartUpTimed(double (&seconds)[kStartupStepCount])
{
    using Clock = std::chrono::steady_clock;
    for (int i = 0; i < kStartupStepCount; ++i) {
        const Clock::time_point start = Clock::now();
        kStartupSteps[i].run();
        seconds[i] += std::chrono::duration<double>(Clock::now() - start).count();
    }
    ShutDownLikeTheTool();
    ClearDeviceTable();
    ResetModeList();
}

void StartupWorkbench::LoadEachScriptOnce()
{
    CLuaHost& host = CLuaHost::Instance();
    DefaultOption(host, GetSettingName(kNameBgmVolume));
    host.GetSetupMessage(GetSettingName(kNameFirstSystemTip));
    SavedOption(host, GetSettingName(kNameWidth), 0);
}
