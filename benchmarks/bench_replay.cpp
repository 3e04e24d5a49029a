// Speed of replay: over a one-hour capture, reading alone and reading with filtering; the whole command on long ones.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "attitude_filter.h"
#include "capture_reader.h"
#include "capture_text.h"
#include "lab_command_run.h"
#include "replay_run.h"
#include "simulated_headset.h"

namespace {

constexpr std::uint64_t kRows = 3'600'000;  // one hour at 1000 samples/s

std::filesystem::path hourCapturePath() {
    return std::filesystem::temp_directory_path() / "headvane-bench-hour.csv";
}

// The simulated unit's first hour as a capture file, written once per run.
const std::string& hourCapture() {
    static const std::string path = [] {
        const auto file = hourCapturePath();
        std::ofstream out(file, std::ios::binary);
        std::string text = vesko::captureHeaderText({});
        for (std::uint64_t i = 0; i < kRows; ++i) {
            vesko::appendCaptureRow(text, {static_cast<std::int64_t>(i * 1000), vesko::simulatedSample(i)});
            if (text.size() > (1u << 20)) {
                out << text;
                text.clear();
            }
        }
        out << text;
        return file.string();
    }();
    return path;
}

void report(benchmark::State& bench) {
    bench.SetItemsProcessed(static_cast<std::int64_t>(bench.iterations() * kRows));
    bench.counters["ns_per_row"] = benchmark::Counter(static_cast<double>(bench.iterations() * kRows),
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_ReadCapture(benchmark::State& bench) {
    const std::string& path = hourCapture();
    for (auto _ : bench) {
        std::uint64_t sum = 0;
        vesko::CaptureHandlers h;
        h.onRow = [&sum](const vesko::CaptureRow& row) { sum += row.sample.timestamp; };
        const auto outcome = vesko::readCaptureFile(path, std::move(h));
        if (!outcome.ok || outcome.rows != kRows) bench.SkipWithError(outcome.error.c_str());
        benchmark::DoNotOptimize(sum);
    }
    report(bench);
}

void BM_ReplayCapture(benchmark::State& bench) {
    const std::string& path = hourCapture();
    for (auto _ : bench) {
        vesko::AttitudeFilter filter;
        filter.configure(vesko::HeadsetConfig{}, vesko::FilterParams{});
        vesko::ReplayRun run(filter, 0.2);
        std::size_t printed = 0;
        vesko::CaptureHandlers h;
        h.onRow = [&](const vesko::CaptureRow& row) { printed += run.feed(row.sample).size(); };
        const auto outcome = vesko::readCaptureFile(path, std::move(h));
        if (!outcome.ok) bench.SkipWithError(outcome.error.c_str());
        benchmark::DoNotOptimize(printed);
    }
    report(bench);
}

// headvane-lab-sim replay as a user runs it, status lines to the null device.
void replayCommand(benchmark::State& bench, int hours, bool gzip) {
    const std::string& capture = vesko::bench::longCapture(hours, gzip);
    vesko::bench::ChildRun run;
    for (auto _ : bench) {
        run = vesko::bench::runChild({LAB_SIM_EXE, "replay", capture, "--config", HEADVANE_EXAMPLE_CONFIG});
        if (!run.ok) bench.SkipWithError("replay failed");
    }
    bench.counters["peak_MB"] = run.peakMegabytes;
    bench.counters["cpu_s"] = run.cpuSeconds;
}

void BM_ReplayCommandFourHours(benchmark::State& bench) { replayCommand(bench, 4, false); }
void BM_ReplayCommandFourHoursGzip(benchmark::State& bench) { replayCommand(bench, 4, true); }

BENCHMARK(BM_ReadCapture)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReplayCapture)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReplayCommandFourHours)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_ReplayCommandFourHoursGzip)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    vesko::bench::registerDayVariants("BM_ReplayCommandDay", replayCommand);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    std::filesystem::remove(hourCapturePath(), ec);  // 157 MB: not left behind
    return 0;
}
