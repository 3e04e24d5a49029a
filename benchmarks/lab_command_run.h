// The lab's commands as child processes on generated long captures: wall time by the benchmark, peak memory here.
#pragma once

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace vesko::bench {

// The generated capture of `hours` (gzip-compressed when `gzip`), written once
// per process in the temporary folder and removed when the process ends.
const std::string& longCapture(int hours, bool gzip);

struct ChildRun {
    bool ok = false;              // exited with status 0
    double peakMegabytes = 0.0;   // the child's maximum resident set
    double cpuSeconds = 0.0;      // user and system, all its threads: steadier than wall time on a busy machine
};

// Runs `argv` with standard output to the null device and waits for it.
ChildRun runChild(const std::vector<std::string>& argv);

// Registers `name` and `name`Gzip on the day-long capture, only when asked for
// (HEADVANE_BENCH_DAY=1): they write some 5 GB of captures and take minutes,
// so the short runs of every benchmark leave them out.
using CommandBenchmark = void (*)(benchmark::State&, int hours, bool gzip);
void registerDayVariants(const std::string& name, CommandBenchmark run);

}  // namespace vesko::bench
