// Speed of the long-capture generator: one hour of rows, plain and at gzip's fastest level.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "long_capture.h"

namespace {

void BM_MakeLongCaptureHour(benchmark::State& state) {
    const int level = static_cast<int>(state.range(0));
    const auto path = std::filesystem::temp_directory_path() / "headvane-bench-make-long-capture.csv";
    for (auto _ : state) {
        const std::string error = vesko::writeLongCapture(path.string(), 1.0, level, true);
        if (!error.empty()) state.SkipWithError(error.c_str());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * vesko::kLongCaptureRowsPerHour));
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
    std::filesystem::remove(path);
}
BENCHMARK(BM_MakeLongCaptureHour)->ArgName("gzip_level")->Arg(0)->Arg(1)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
