// Start-up's own work on examples/game with save-data files of 200 and of
// 20,000 foreign lines, against one load and run of the same three scripts.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdio>
#include <map>
#include <string>

#include "StartupWork.h"

namespace {

const int kForeignLines[] = {200, 20000};

void StartUp(benchmark::State& state)
{
    StartupWorkbench bench(static_cast<int>(state.range(0)));
    for (auto _ : state)
        bench.StartUpOnce();
}

void LoadEachScript(benchmark::State& state)
{
    StartupWorkbench bench(static_cast<int>(state.range(0)));
    for (auto _ : state)
        bench.LoadEachScriptOnce();
}

// The same steps one by one, each step's mean time as a counter (ms).
void StartUpBySteps(benchmark::State& state)
{
    StartupWorkbench bench(static_cast<int>(state.range(0)));
    StartupStepTimes times;
    for (auto _ : state)
        bench.StartUpTimed(times);
    for (int step = 0; step < kStartupStepCount; ++step)
        if (times.names[step])
            state.counters[times.names[step]] =
                benchmark::Counter(times.seconds[step] * 1e3, benchmark::Counter::kAvgIterations);
}

// Keeps the mean time of each run by name, for the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> seconds;

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (!run.error_occurred && run.iterations > 0)
                seconds[run.benchmark_name()] = run.GetAdjustedRealTime() /
                                                benchmark::GetTimeUnitMultiplier(run.time_unit);
    }
};

}  // namespace

int main(int argc, char** argv)
{
    for (int lines : kForeignLines) {
        benchmark::RegisterBenchmark("StartUp", StartUp)->Arg(lines)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("LoadEachScript", LoadEachScript)->Arg(lines)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("StartUpBySteps", StartUpBySteps)->Arg(lines)->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    for (int lines : kForeignLines) {
        const std::string arg = "/" + std::to_string(lines);
        const auto startUp = reporter.seconds.find("StartUp" + arg);
        const auto once = reporter.seconds.find("LoadEachScript" + arg);
        if (startUp == reporter.seconds.end() || once == reporter.seconds.end() || once->second <= 0)
            continue;
        std::printf("start-up own work, %d foreign lines: %.2f ms = %.1f x one load and run of the three scripts (%.3f ms)\n",
                    lines, startUp->second * 1e3, startUp->second / once->second, once->second * 1e3);
    }
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory of the benchmark process: %ld KiB\n", usage.ru_maxrss);
    return 0;
}
