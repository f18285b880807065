// The start-up's own work (steps 1 to 6, with a scripted display in place of
// DirectX) in a temporary copy of examples/game, shared by the native
// benchmark and the timing harness that runs under Wine.
#pragma once

#include <memory>

#include "support/ScriptedDisplay.h"
#include "support/TempDir.h"

constexpr int kStartupStepCount = 6;

// Each start-up step's name and its seconds, added up over the timed runs.
struct StartupStepTimes {
    const char* names[kStartupStepCount] = {};
    double seconds[kStartupStepCount] = {};
};

class StartupWorkbench {
public:
    // The game folder gets a save-data file of `foreignLines` lines of other
    // writers followed by the tool's 35 lines.
    explicit StartupWorkbench(int foreignLines);
    ~StartupWorkbench();
    StartupWorkbench(const StartupWorkbench&) = delete;
    StartupWorkbench& operator=(const StartupWorkbench&) = delete;

    // One start-up as the tool makes it, then its shutdown.
    void StartUpOnce();
    // The same, adding each step's seconds to `times`.
    void StartUpTimed(StartupStepTimes& times);
    // One load and run of each of the three scripts, through the script host.
    void LoadEachScriptOnce();

private:
    TempGameDir m_dir;
    ScriptedDisplaySource m_display;
    std::unique_ptr<ScopedDisplaySource> m_scope;
};
