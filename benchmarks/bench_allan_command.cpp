// The whole allan command on long captures (plain and gzip): parse, analysis, JSON and SVG, as a process.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "lab_command_run.h"

namespace vesko {
namespace {

namespace fs = std::filesystem;

void allanCommand(benchmark::State& state, int hours, bool gzip) {
    const std::string& capture = bench::longCapture(hours, gzip);
    const std::string out = (fs::temp_directory_path() / ("headvane-bench-allan-" + std::to_string(hours) + "h")).string();
    bench::ChildRun run;
    for (auto _ : state) {
        run = bench::runChild({LAB_SIM_EXE, "allan", capture, "--json", out + ".json", "--svg", out + ".svg"});
        if (!run.ok) state.SkipWithError("allan failed");
    }
    state.counters["peak_MB"] = run.peakMegabytes;
    state.counters["cpu_s"] = run.cpuSeconds;
    state.counters["capture_MB"] = static_cast<double>(fs::file_size(capture)) / 1e6;
}

void BM_AllanCommandFourHours(benchmark::State& state) { allanCommand(state, 4, false); }
void BM_AllanCommandFourHoursGzip(benchmark::State& state) { allanCommand(state, 4, true); }
BENCHMARK(BM_AllanCommandFourHours)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_AllanCommandFourHoursGzip)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace vesko

int main(int argc, char** argv) {
    vesko::bench::registerDayVariants("BM_AllanCommandDay", vesko::allanCommand);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
