// The four noise values a visual-inertial calibrator takes, in SI, and its IMU noise file (YAML).
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "noise_analysis.h"

namespace vesko {

// One of the four values: the largest of a sensor's three axes.
struct LargestAxisFigure {
    std::string_view name;      // the file's key, e.g. "gyroscope_noise_density"
    std::string_view unit;      // as the file's comment and the JSON write it
    std::array<ImuAxis, 3> axes{};
    std::array<std::optional<NoiseFigure>, 3> perAxis;  // in SI; empty for an axis that never changed
    std::optional<std::size_t> largest;                  // index into perAxis; empty when no axis has a figure
    // For a bound: the record length (s) that would at least be needed to
    // measure it; 0 when a longer record would not help.
    double recordSeconds = 0.0;

    bool available() const { return largest.has_value(); }
    const NoiseFigure& figure() const { return *perAxis[*largest]; }
};

struct ImuNoiseSi {
    LargestAxisFigure accNoise;   // N, m/s^2/sqrt(Hz)
    LargestAxisFigure accWalk;    // K, m/s^3/sqrt(Hz)
    LargestAxisFigure gyroNoise;  // N, rad/s/sqrt(Hz)
    LargestAxisFigure gyroWalk;   // K, rad/s^2/sqrt(Hz)
    double updateRateHz = 0.0;    // 1 / tau0

    std::array<const LargestAxisFigure*, 4> all() const { return {&accNoise, &accWalk, &gyroNoise, &gyroWalk}; }
};

inline constexpr std::string_view kImuTopic = "/imu0";

ImuNoiseSi imuNoiseSi(const NoiseAnalysis& analysis);

// "headvane-lab 0.1.0 allan of CAPTURE: analysed ...": where a noise file's figures came from.
std::string noiseSource(const NoiseAnalysis& analysis, const std::string& capturePath, const std::string& toolVersion);

// The file's text, or empty when a value is missing (every axis of a sensor
// never changed): the format wants four positive numbers, and a guess would
// pass for a measurement. `source` says where the figures came from (a
// comment line); `missing` names the first value missing.
std::string kalibrYaml(const ImuNoiseSi& noise, std::string_view source, std::string* missing = nullptr);

}  // namespace vesko
