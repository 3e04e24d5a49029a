// Speed of processReport on a realistic stream of IMU reports.
#include "imu_sample.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr std::size_t kStreamReports = 1024;     // 64 KiB of reports, cycled
constexpr std::uint32_t kTicksPerSample = vesko::kImuTicksPerSecond / 1000;  // 1 kHz

// Consecutive reports whose samples advance by `newPerReport`; with 1 each
// report repeats the two samples before its newest, as the device's do.
std::vector<std::uint8_t> makeStream(std::size_t newPerReport) {
    std::vector<std::uint8_t> stream;
    stream.reserve(kStreamReports * vesko::kImuReportReadSize);
    for (std::size_t r = 0; r < kStreamReports; ++r) {
        std::array<vesko::ImuSample, vesko::kImuSamplesPerReport> samples;
        for (std::size_t k = 0; k < vesko::kImuSamplesPerReport; ++k) {
            const auto n = static_cast<std::uint32_t>(r * newPerReport + k);
            for (std::size_t axis = 0; axis < 3; ++axis) {
                samples[k].acc[axis] = static_cast<std::int16_t>(n * 7 + axis * 1000);
                samples[k].gyro[axis] = static_cast<std::int16_t>(n * 7 + (axis + 3) * 1000);
            }
            samples[k].timestamp = n * kTicksPerSample;
            samples[k].seq = static_cast<std::uint8_t>(n);
        }
        const vesko::ImuReportBytes report = vesko::encodeImuReport(samples);
        stream.insert(stream.end(), report.begin(), report.end());
    }
    return stream;
}

void BM_ProcessReport(benchmark::State& bench) {
    const auto stream = makeStream(static_cast<std::size_t>(bench.range(0)));
    vesko::ImuSequenceState state;
    vesko::ImuStreamStats stats;
    std::size_t r = 0;
    for (auto _ : bench) {
        const std::uint8_t* report = stream.data() + r * vesko::kImuReportReadSize;
        auto fresh = vesko::processReport(state, report, vesko::kImuReportReadSize,
                                          vesko::kImuReportReadSize, stats);
        benchmark::DoNotOptimize(fresh);
        r = (r + 1) % kStreamReports;
    }
    bench.SetItemsProcessed(bench.iterations());
    bench.counters["accepted_per_report"] =
        static_cast<double>(stats.samples) / static_cast<double>(stats.reports);
}
BENCHMARK(BM_ProcessReport)->ArgName("new_per_report")->Arg(1)->Arg(3);

}  // namespace

BENCHMARK_MAIN();
