// Allan analysis of four hours at 1 kHz (14.4 M samples), all six axes.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "allan_curve.h"
#include "imu_sample.h"
#include "noise_analysis.h"

namespace vesko {
namespace {

constexpr std::size_t kFourHours = 14'400'000;
constexpr double kGyroScale = 0.061;  // deg/s per count: about 2000 deg/s over 32768
// One count of each axis: the gyroscope's in deg/s, the accelerometer's in g.
constexpr AxisScales kScales{kGyroScale, kGyroScale, kGyroScale,
                             1.0 / kImuAccCountsPerG, 1.0 / kImuAccCountsPerG, 1.0 / kImuAccCountsPerG};

const std::vector<ImuSample>& fourHours() {
    static const std::vector<ImuSample> samples = [] {
        std::vector<ImuSample> s(kFourHours);
        std::mt19937 rng(5);
        std::uniform_int_distribution<int> noise(-40, 40);
        for (std::size_t i = 0; i < s.size(); ++i) {
            for (std::size_t a = 0; a < 3; ++a) {
                s[i].gyro[a] = static_cast<std::int16_t>(noise(rng));
                s[i].acc[a] = static_cast<std::int16_t>(kImuAccCountsPerG * (a == 1) + noise(rng));
            }
            s[i].timestamp = static_cast<std::uint32_t>(i * (kImuTicksPerSecond / 1000));
            s[i].seq = static_cast<std::uint8_t>(i);
        }
        return s;
    }();
    return samples;
}

// The uniform run, the six curves and their figures: the analysis without parsing or output.
void BM_AllanSixAxes(benchmark::State& state) {
    const auto& samples = fourHours();  // made once, outside the timing
    for (auto _ : state) benchmark::DoNotOptimize(analyseNoise(samples, kScales));
}
BENCHMARK(BM_AllanSixAxes)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// The same analysis of the samples packed as allan keeps them while it reads, and the packing itself.
const SampleColumns& fourHoursPacked() {
    static const SampleColumns columns = [] {
        SampleColumns c;
        for (const ImuSample& s : fourHours()) c.append(s);
        return c;
    }();
    return columns;
}

void BM_AllanSixAxesPacked(benchmark::State& state) {
    const SampleColumns& columns = fourHoursPacked();
    for (auto _ : state) benchmark::DoNotOptimize(analyseNoise(columns, kScales));
    state.counters["packed_MB"] = static_cast<double>(columns.storedBytes()) / 1e6;
}
BENCHMARK(BM_AllanSixAxesPacked)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_PackFourHours(benchmark::State& state) {
    const auto& samples = fourHours();
    for (auto _ : state) {
        SampleColumns c;
        for (const ImuSample& s : samples) c.append(s);
        benchmark::DoNotOptimize(c.size());
    }
}
BENCHMARK(BM_PackFourHours)->Unit(benchmark::kMillisecond)->UseRealTime();

// One axis's curve from its running sums alone.
void BM_CurveOneAxis(benchmark::State& state) {
    std::vector<std::int64_t> sums;
    cumulativeCounts(fourHours(), ImuAxis::gyroX, sums);
    for (auto _ : state) benchmark::DoNotOptimize(overlappingAllan(sums, 0.001, kGyroScale));
}
BENCHMARK(BM_CurveOneAxis)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace vesko

BENCHMARK_MAIN();
