// Runs the Allan analysis over the six axes of a capture.
#include "noise_analysis.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

#include "allan_of_counts.h"
#include "imu_sample.h"

namespace vesko {

namespace {

bool neverChanges(std::span<const ImuSample> run, ImuAxis axis) {
    return std::all_of(run.begin(), run.end(),
                       [&](const ImuSample& s) { return countOf(s, axis) == countOf(run.front(), axis); });
}

void analyseAxes(std::span<const ImuSample> run, const AxisScales& scales, std::size_t from, std::size_t to,
                 NoiseAnalysis& out) {
    std::vector<std::int64_t> sums;
    for (std::size_t i = from; i < to; ++i) {
        AxisNoise& axis = out.axes[i];
        axis.axis = kImuAxes[i];
        axis.neverChanged = !run.empty() && neverChanges(run, axis.axis);
        if (axis.neverChanged) continue;
        cumulativeCounts(run, axis.axis, sums);
        axis.curve = overlappingAllan(sums, out.tau0, scales[i], out.settings);
        axis.figures = readNoiseFigures(figurePoints(axis.curve, out.settings.taus), out.settings.confidence);
    }
}

void analyseAxes(const SampleColumns& columns, const AxisScales& scales, std::size_t from, std::size_t to,
                 NoiseAnalysis& out) {
    const std::size_t first = out.run.first;
    const std::size_t length = out.run.length;
    for (std::size_t i = from; i < to; ++i) {
        AxisNoise& axis = out.axes[i];
        axis.axis = kImuAxes[i];
        axis.neverChanged = length > 0 && columns.counts(i).constantOver(first, first + length);
        if (axis.neverChanged) continue;
        axis.curve = overlappingAllan(columns.counts(i), first, length, out.tau0, scales[i], out.settings);
        axis.figures = readNoiseFigures(figurePoints(axis.curve, out.settings.taus), out.settings.confidence);
    }
}

// The gyroscope axes here, the accelerometer axes on a thread of their own;
// each half writes only its own three entries of out.axes.
template <class Samples>
void analyseSideBySide(const Samples& samples, const AxisScales& scales, NoiseAnalysis& out) {
    const auto half = [&](std::size_t from, std::size_t to) { analyseAxes(samples, scales, from, to, out); };
    std::thread accelerometer;
    try {
        accelerometer = std::thread(half, 3, 6);
    } catch (const std::system_error&) {
        half(3, 6);  // no thread to be had: one after the other
    }
    half(0, 3);
    if (accelerometer.joinable()) accelerometer.join();
}

}  // namespace

NoiseAnalysis analyseNoise(std::span<const ImuSample> samples, const AxisScales& unitsPerCount,
                           const AllanSettings& settings) {
    NoiseAnalysis out;
    out.settings = settings;
    out.totalSamples = samples.size();
    out.run = longestUniformRun(samples);
    out.tau0 = static_cast<double>(out.run.periodTicks) / kImuTicksPerSecond;
    analyseSideBySide(samples.subspan(out.run.first, out.run.length), unitsPerCount, out);
    return out;
}

NoiseAnalysis analyseNoise(const SampleColumns& samples, const AxisScales& unitsPerCount,
                           const AllanSettings& settings) {
    NoiseAnalysis out;
    out.settings = settings;
    out.totalSamples = samples.size();
    out.run = samples.longestUniformRun();
    out.tau0 = static_cast<double>(out.run.periodTicks) / kImuTicksPerSecond;
    analyseSideBySide(samples, unitsPerCount, out);
    return out;
}

}  // namespace vesko
