// Speed of AttitudeFilter::update while tracking, alone, against the plainly
// written step, and behind report processing. The common path: integration
// with the gravity correction, lock included.
#include "attitude_filter.h"
#include "imu_sample.h"
#include "literal_attitude_step.h"

#include <benchmark/benchmark.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kPatternSamples = 3 * 1024;   // cycled; a multiple of 3 for whole reports
constexpr std::uint32_t kTicksPerSample = vesko::kImuTicksPerSecond / 1000;  // 1 kHz

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

void feed(vesko::AttitudeFilter& filter, const vesko::ImuSample& s) { filter.update(s); }
void feed(vesko::bench::LiteralFilter& filter, const vesko::ImuSample& s) { vesko::bench::literalUpdate(filter, s); }
vesko::FilterSnapshot status(const vesko::AttitudeFilter& filter) { return filter.snapshot(); }
vesko::FilterSnapshot status(const vesko::bench::LiteralFilter& filter) { return filter.status; }
vesko::Quaternion orientation(const vesko::AttitudeFilter& filter) { return filter.orientation(0.0); }
vesko::Quaternion orientation(const vesko::bench::LiteralFilter& filter) { return filter.q; }

// A filter past its bias window; returns the next timestamp.
template <class Filter>
std::uint32_t startTracking(Filter& filter) {
    vesko::ImuSample still;
    still.acc = {0, static_cast<std::int16_t>(vesko::kImuAccCountsPerG), 0};
    still.gyro = {3, -2, 0};
    std::uint32_t time = 0;
    while (!status(filter).ready) {
        still.timestamp = time;
        feed(filter, still);
        time += kTicksPerSample;
    }
    return time;
}

std::uint32_t startTracking(vesko::AttitudeFilter& filter) {
    filter.configure(vesko::HeadsetConfig{}, vesko::FilterParams{});
    return startTracking<vesko::AttitudeFilter>(filter);
}

template <class Filter>
void updateTracking(benchmark::State& bench, Filter& filter) {
    const auto pattern = makePattern();
    std::uint32_t time = startTracking(filter);
    std::size_t n = 0;
    for (auto _ : bench) {
        vesko::ImuSample s = pattern[n];
        s.timestamp = time;
        feed(filter, s);
        time += kTicksPerSample;
        n = n + 1 == kPatternSamples ? 0 : n + 1;
    }
    const auto shown = status(filter);
    if (!shown.ready || shown.resets != 0 || shown.gapsBridged != 0) {
        bench.SkipWithError("the filter left tracking");
    }
    bench.SetItemsProcessed(bench.iterations());
}

bool sameBits(double a, double b) { return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); }

// The filter and the plain step, fed the benchmark's data, agree to the bit.
bool sameResults() {
    vesko::AttitudeFilter filter;
    vesko::bench::LiteralFilter literal;
    std::uint32_t time = startTracking(filter);
    if (startTracking(literal) != time) return false;
    const auto pattern = makePattern();
    for (std::size_t n = 0; n < 4 * kPatternSamples; ++n, time += kTicksPerSample) {
        vesko::ImuSample s = pattern[n % kPatternSamples];
        s.timestamp = time;
        feed(filter, s);
        feed(literal, s);
        const vesko::Quaternion a = orientation(filter);
        const vesko::Quaternion b = orientation(literal);
        const vesko::FilterSnapshot x = status(filter);
        const vesko::FilterSnapshot y = status(literal);
        for (const auto& [u, v] : {std::pair{a.w, b.w}, {a.x, b.x}, {a.y, b.y}, {a.z, b.z}, {x.gHead.x, y.gHead.x},
                                   {x.gHead.y, y.gHead.y}, {x.gHead.z, y.gHead.z}, {x.accNorm, y.accNorm},
                                   {x.omegaNorm, y.omegaNorm}}) {
            if (!sameBits(u, v)) return false;
        }
    }
    return true;
}

void BM_UpdateTracking(benchmark::State& bench) {
    vesko::AttitudeFilter filter;
    updateTracking(bench, filter);
}
BENCHMARK(BM_UpdateTracking);

// The baseline: the same step written plainly from the filter's definition.
void BM_LiteralStep(benchmark::State& bench) {
    vesko::bench::LiteralFilter literal;
    updateTracking(bench, literal);
    if (!sameResults()) {
        bench.SkipWithError("the filter and the literal step disagree");
    }
}
BENCHMARK(BM_LiteralStep);

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

// The console report, then update's time over the literal step's (CPU time,
// the median when repeated): within one run, so a loaded machine slows both.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            const bool wanted = single || run.aggregate_name == "median";
            if (!wanted || run.error_occurred) continue;
            const std::string name = run.run_name.function_name;
            if (name == "BM_UpdateTracking") update = run.GetAdjustedCPUTime();
            if (name == "BM_LiteralStep") literal = run.GetAdjustedCPUTime();
        }
    }
    void printRatio() const {
        if (update > 0.0 && literal > 0.0) {
            std::printf("update / literal step: %.1f ns / %.1f ns = %.3f\n", update, literal, update / literal);
        }
    }

private:
    double update = 0.0;
    double literal = 0.0;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio();
    benchmark::Shutdown();
    return 0;
}
