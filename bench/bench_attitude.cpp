// Speed of AttitudeFilter::update while tracking, alone and behind report processing.
// The common path: integration with the gravity correction, lock included.
#include "attitude_filter.h"
#include "imu_sample.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr std::size_t kPatternSamples = 3 * 1024;   // cycled; a multiple of 3 for whole reports
constexpr std::uint32_t kTicksPerSample = 48'000;   // 1 ms at 48 MHz

// A slow wobble: about 1 g with the tilt moving and rates well under 1 rad/s,
// so every sample takes the gravity correction, as a head nearly at rest does.
std::vector<vesko::ImuSample> makePattern() {
    std::vector<vesko::ImuSample> pattern(kPatternSamples);
    for (std::size_t n = 0; n < kPatternSamples; ++n) {
        const double phase = 2.0 * 3.141592653589793 * static_cast<double>(n) / kPatternSamples;
        auto& s = pattern[n];
        s.acc = {static_cast<std::int16_t>(600 * std::sin(phase)), static_cast<std::int16_t>(4050 + 20 * std::cos(3 * phase)),
                 static_cast<std::int16_t>(-500 * std::cos(phase))};
        s.gyro = {static_cast<std::int16_t>(90 * std::cos(phase) + 3), static_cast<std::int16_t>(-40 * std::sin(2 * phase) - 2),
                  static_cast<std::int16_t>(60 * std::sin(phase))};
    }
    return pattern;
}

// A configured filter past its bias window; returns the next timestamp.
std::uint32_t startTracking(vesko::AttitudeFilter& filter) {
    filter.configure(vesko::HeadsetConfig{}, vesko::FilterParams{});
    vesko::ImuSample still;
    still.acc = {0, 4096, 0};
    still.gyro = {3, -2, 0};
    std::uint32_t time = 0;
    while (!filter.snapshot().ready) {
        still.timestamp = time;
        filter.update(still);
        time += kTicksPerSample;
    }
    return time;
}

void BM_UpdateTracking(benchmark::State& bench) {
    const auto pattern = makePattern();
    vesko::AttitudeFilter filter;
    std::uint32_t time = startTracking(filter);
    std::size_t n = 0;
    for (auto _ : bench) {
        vesko::ImuSample s = pattern[n];
        s.timestamp = time;
        filter.update(s);
        time += kTicksPerSample;
        n = n + 1 == kPatternSamples ? 0 : n + 1;
    }
    const auto status = filter.snapshot();
    if (!status.ready || status.resets != 0 || status.gapsBridged != 0) {
        bench.SkipWithError("the filter left tracking");
    }
    bench.SetItemsProcessed(bench.iterations());
}
BENCHMARK(BM_UpdateTracking);

void putLe(std::uint8_t* out, std::uint32_t value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

constexpr std::size_t kTimestampOffset = 12;  // inside a sub-sample
constexpr std::size_t kSeqOffset = 16;

std::uint8_t* subSample(std::uint8_t* report, std::size_t k) {
    return report + 1 + k * vesko::kImuSubSampleSize;
}

// The pattern as reports of three samples each; stamp() gives them their times.
std::vector<std::uint8_t> makeReports(const std::vector<vesko::ImuSample>& pattern) {
    std::vector<std::uint8_t> stream;
    stream.reserve(pattern.size() / 3 * vesko::kImuReportReadSize);
    for (std::size_t n = 0; n + 3 <= pattern.size(); n += 3) {
        const vesko::ImuReportBytes report = vesko::encodeImuReport({pattern[n], pattern[n + 1], pattern[n + 2]});
        stream.insert(stream.end(), report.begin(), report.end());
    }
    return stream;
}

// Gives a cycled report the next three timestamps and sequence numbers, so the
// stream keeps moving forward as a device's does.
void stamp(std::uint8_t* report, std::uint32_t& time, std::uint8_t& seq) {
    for (std::size_t k = 0; k < vesko::kImuSamplesPerReport; ++k) {
        putLe(subSample(report, k) + kTimestampOffset, time, 4);
        subSample(report, k)[kSeqOffset] = seq;
        time += kTicksPerSample;
        ++seq;
    }
}

// One report as the reader handles it: decode and accept, then update per
// sample. Stamping the cycled report in place is timed with it.
void BM_ReportThenUpdates(benchmark::State& bench) {
    vesko::AttitudeFilter filter;
    std::uint32_t time = startTracking(filter);
    std::uint8_t seq = 0;
    auto stream = makeReports(makePattern());
    const std::size_t reports = stream.size() / vesko::kImuReportReadSize;
    vesko::ImuSequenceState state;
    vesko::ImuStreamStats stats;
    std::size_t r = 0;
    for (auto _ : bench) {
        std::uint8_t* report = stream.data() + r * vesko::kImuReportReadSize;
        stamp(report, time, seq);
        const auto fresh = vesko::processReport(state, report, vesko::kImuReportReadSize,
                                                vesko::kImuReportReadSize, stats);
        for (std::size_t k = 0; k < fresh.count; ++k) {
            filter.update(fresh.samples[k]);
        }
        r = r + 1 == reports ? 0 : r + 1;
    }
    const auto status = filter.snapshot();
    if (stats.samples != 3 * stats.reports || !status.ready || status.resets != 0) {
        bench.SkipWithError("samples were dropped or the filter left tracking");
    }
    bench.SetItemsProcessed(bench.iterations());
}
BENCHMARK(BM_ReportThenUpdates);

}  // namespace

BENCHMARK_MAIN();
