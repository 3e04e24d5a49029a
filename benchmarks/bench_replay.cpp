// Speed of replay over a one-hour capture: reading the file alone, then reading and filtering.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "attitude_filter.h"
#include "capture_reader.h"
#include "capture_text.h"
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

BENCHMARK(BM_ReadCapture)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReplayCapture)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    std::filesystem::remove(hourCapturePath(), ec);  // 157 MB: not left behind
    return 0;
}
