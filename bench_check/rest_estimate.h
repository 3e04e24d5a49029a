// What the rest step measures: gyroscope bias and noise, |a|, and the yaw drift left after the bias.
#pragma once

#include <vector>

#include "headset_config.h"
#include "sample_stats.h"

namespace vesko {

struct RestResult {
    double seconds = 0.0;        // device time measured
    Axes3 gyroBias{};            // counts, the raw mean
    Axes3 gyroNoise{};           // counts, standard deviation per axis
    Axes3 accRaw{};              // counts, the raw mean
    double accNorm = 0.0;        // g, the mean acceleration through the configuration's calibration
    double yawDriftPerMin = 0.0; // degrees per minute about the measured vertical
};

// The configuration's accelerometer convention: acc = raw / kImuAccCountsPerG * acc_scale - acc_bias, in g.
Axes3 calibratedAcc(const Axes3& rawCounts, const ImuCalibration& calibration) noexcept;

// From the still blocks of the rest, in order. The drift is what a bias taken
// over the first half leaves over the second half: the change of the rate
// about the vertical between the halves. `gyroScale` in rad/s per count.
RestResult estimateRest(const std::vector<SampleStats>& blocks, const ImuCalibration& calibration,
                        double gyroScale);

}  // namespace vesko
