// How long the script host takes on the costliest scripts it must stop and on
// the largest data it must still load, against its run deadline. Figures, not
// pass or fail: each case as the default script, median of five lookups.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

extern "C" {
#include <lua.h>
}

#include "script/LuaHost.h"
#include "settings/SettingNames.h"
#include "support/LuaChunks.h"
#include "support/LuaHostProbe.h"
#include "support/TempDir.h"

namespace {

const char kScript[] = "System\\LuaFiles514\\OptionInfo";

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double MsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// One case in its own folder and host: the compile alone, the run alone (the
// host's own steps) and the whole lookup, each the median of five.
void Measure(const char* name, const char* file, const std::string& bytes)
{
    TempGameDir dir;
    dir.WriteFile(file, bytes);
    CLuaHost host(sizeof(size_t));
    std::vector<double> compile, run, lookup;
    int value = 0;
    bool ran = true;
    for (int i = 0; i < 5; ++i) {
        auto start = std::chrono::steady_clock::now();
        const bool loaded = LuaHostProbe::LoadChunk(host, kScript);
        compile.push_back(MsSince(start));
        start = std::chrono::steady_clock::now();
        ran = loaded && LuaHostProbe::RunChunk(host);
        run.push_back(MsSince(start));
        lua_settop(LuaHostProbe::State(host), 0);
        start = std::chrono::steady_clock::now();
        value = LookupNumber(host, kScript, "OptionInfoList", "K", -1);
        lookup.push_back(MsSince(start));
    }
    std::printf("%-28s %10.1f %10.1f %10.1f  %s, K = %d\n", name, Median(compile), Median(run), Median(lookup),
                ran ? "ran" : "stopped", value);
}

}  // namespace

int main()
{
    InitSettingNames();
    std::printf("run deadline %d ms, largest block %zu MiB, clock read every %d instructions below %zu KiB blocks\n\n",
                CLuaHost::kRunDeadlineMs, CLuaHost::kLargestBlock >> 20, CLuaHost::kCheckInterval,
                CLuaHost::kLargeBlock >> 10);
    std::printf("%-28s %10s %10s %10s\n", "case", "compile ms", "run ms", "lookup ms");
    Measure("costly chunk", "System/LuaFiles514/OptionInfo.lub", chunk::CostlyComparisons(sizeof(size_t), 125000));
    Measure("costly source", "System/LuaFiles514/OptionInfo.lua",
            "OptionInfoList = { K = 5 } local s = '\\0' for i = 1, 23 do s = s .. s end while s < s or s do end");
    for (const chunk::LargeData& data : chunk::LargestData())
        Measure(data.name, "System/LuaFiles514/OptionInfo.lua", data.source);
    return 0;
}
