// Runs the Allan analysis over the six axes of a capture.
#include "noise_analysis.h"

#include <system_error>
#include <thread>
#include <vector>

#include "imu_sample.h"

namespace vesko {

namespace {

void analyseAxes(std::span<const ImuSample> run, double tau0, const AxisScales& scales, std::size_t from,
                 std::size_t to, NoiseAnalysis& out) {
    std::vector<std::int64_t> sums;
    for (std::size_t i = from; i < to; ++i) {
        AxisNoise& axis = out.axes[i];
        axis.axis = kImuAxes[i];
        cumulativeCounts(run, axis.axis, sums);
        axis.curve = overlappingAllan(sums, tau0, scales[i]);
        axis.figures = readNoiseFigures(axis.curve);
    }
}

}  // namespace

NoiseAnalysis analyseNoise(std::span<const ImuSample> samples, const AxisScales& unitsPerCount) {
    NoiseAnalysis out;
    out.totalSamples = samples.size();
    out.run = longestUniformRun(samples);
    out.tau0 = static_cast<double>(out.run.periodTicks) / kImuTicksPerSecond;
    const auto run = samples.subspan(out.run.first, out.run.length);
    // Each half writes only its own three entries of out.axes.
    std::thread accelerometer;
    try {
        accelerometer = std::thread(analyseAxes, run, out.tau0, std::cref(unitsPerCount), 3, 6, std::ref(out));
    } catch (const std::system_error&) {
        analyseAxes(run, out.tau0, unitsPerCount, 3, 6, out);  // no thread to be had: one after the other
    }
    analyseAxes(run, out.tau0, unitsPerCount, 0, 3, out);
    if (accelerometer.joinable()) accelerometer.join();
    return out;
}

}  // namespace vesko
