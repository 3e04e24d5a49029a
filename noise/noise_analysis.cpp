// Runs the Allan analysis over the six axes of a capture.
#include "noise_analysis.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

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

}  // namespace

NoiseAnalysis analyseNoise(std::span<const ImuSample> samples, const AxisScales& unitsPerCount,
                           const AllanSettings& settings) {
    NoiseAnalysis out;
    out.settings = settings;
    out.totalSamples = samples.size();
    out.run = longestUniformRun(samples);
    out.tau0 = static_cast<double>(out.run.periodTicks) / kImuTicksPerSecond;
    const auto run = samples.subspan(out.run.first, out.run.length);
    // Each half writes only its own three entries of out.axes.
    std::thread accelerometer;
    try {
        accelerometer = std::thread(analyseAxes, run, std::cref(unitsPerCount), 3, 6, std::ref(out));
    } catch (const std::system_error&) {
        analyseAxes(run, unitsPerCount, 3, 6, out);  // no thread to be had: one after the other
    }
    analyseAxes(run, unitsPerCount, 0, 3, out);
    if (accelerometer.joinable()) accelerometer.join();
    return out;
}

}  // namespace vesko
