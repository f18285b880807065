// Times the start-up's own work under Wine, where Google Benchmark is not
// built: the same workbench as the native benchmark, step by step.
//
//   startup_timing [ROUNDS]     prints one line per save-data size
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "StartupWork.h"

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    for (int lines : {200, 20000}) {
        StartupWorkbench bench(lines);
        bench.StartUpOnce();  // warm the file cache and the registry key
        StartupStepTimes steps;
        for (int i = 0; i < rounds; ++i)
            bench.StartUpTimed(steps);

        double total = 0;
        std::printf("foreign lines %d, mean of %d rounds:", lines, rounds);
        for (int i = 0; i < kStartupStepCount && steps.names[i]; ++i) {
            total += steps.seconds[i];
            std::printf(" %s %.2f ms;", steps.names[i], steps.seconds[i] * 1e3 / rounds);
        }
        double once = 0;
        std::printf("\n");
        for (int i = 0; i < rounds; ++i) {
            const auto start = std::chrono::steady_clock::now();
            bench.LoadEachScriptOnce();
            once += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        }
        std::printf("own_work_ms=%.2f load_each_once_ms=%.3f ratio=%.1f lines=%d\n", total * 1e3 / rounds,
                    once * 1e3 / rounds, once > 0 ? total / once : 0.0, lines);
    }
    return 0;
}
