// The whole noise analysis of a capture: its uniform run, then a curve and figures per axis.
#pragma once

#include <array>
#include <span>
#include <string_view>

#include "noise_figures.h"
#include "sample_columns.h"
#include "uniform_run.h"

namespace vesko {

// What the table, the JSON and the picture say of an axis that never changed.
inline constexpr std::string_view kNeverChangedNote = "axis never changed: stuck or disconnected";

struct AxisNoise {
    ImuAxis axis = ImuAxis::gyroX;
    bool neverChanged = false;  // one count throughout the run: stuck or disconnected; no curve, no figures
    AllanCurve curve;
    NoiseFigures figures;
};

struct NoiseAnalysis {
    UniformRun run;
    std::size_t totalSamples = 0;
    double tau0 = 0.0;  // s
    AllanSettings settings;
    std::array<AxisNoise, 6> axes;  // in kImuAxes order
};

// One count on each axis in its unit (deg/s, g), in kImuAxes order.
using AxisScales = std::array<double, 6>;

// Analyses the longest uniform run on every axis; the gyroscope and the
// accelerometer axes are worked on side by side on two threads.
NoiseAnalysis analyseNoise(std::span<const ImuSample> samples, const AxisScales& unitsPerCount,
                           const AllanSettings& settings = {});

// The same analysis, with the same figures, of samples packed as they were read.
NoiseAnalysis analyseNoise(const SampleColumns& samples, const AxisScales& unitsPerCount,
                           const AllanSettings& settings = {});

}  // namespace vesko
