#include "StartupWork.h"

#include <chrono>
#include <string>

#include "display/DeviceTable.h"
#include "script/LuaHost.h"
#include "settings/Registry.h"
#include "settings/SettingNames.h"
#include "support/LuaHostProbe.h"
#include "settings/Sequence.h"

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
    for (int i = 0; i < kOptionKeyCount; ++i)
        text += std::string("OptionInfoList[\"") + GetSettingName(i) + "\"] = 1\r\n";
    text += "\r\n";
    for (int i = kOptionKeyCount; i < kScriptSettingCount; ++i)
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

namespace {

using Clock = std::chrono::steady_clock;

struct StepClock {
    StartupStepTimes& times;
    Clock::time_point last;
    int step;
};

void NoteStep(const char* name, void* context)
{
    StepClock& clock = *static_cast<StepClock*>(context);
    const Clock::time_point now = Clock::now();
    if (clock.step < kStartupStepCount) {
        clock.times.names[clock.step] = name;
        clock.times.seconds[clock.step] += std::chrono::duration<double>(now - clock.last).count();
    }
    ++clock.step;
    clock.last = now;
}

}  // namespace

void StartupWorkbench::StartUpOnce()
{
    StartUp(SetupParts::Current());
    ShutDown();
    ResetModeList();  // the tool starts once per process; here every round starts afresh
}

void StartupWorkbench::StartUpTimed(StartupStepTimes& times)
{
    StepClock clock{times, Clock::now(), 0};
    StartUp(SetupParts::Current(), &NoteStep, &clock);
    ShutDown();
    ResetModeList();
}

void StartupWorkbench::LoadEachScriptOnce()
{
    CLuaHost& host = CLuaHost::Instance();
    DefaultOption(host, GetSettingName(kNameBgmVolume));
    host.GetSetupMessage(GetSettingName(kNameFirstSystemTip));
    SavedOption(host, "WIDTH", 0);
}
