// The headset's factory calibration file, loaded strictly into HeadsetConfig.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace vesko {

using ConfigVector = std::array<double, 3>;                 // x, y, z
using ConfigMatrix = std::array<std::array<double, 3>, 3>;  // row by row

// Orientation of a device frame as its +X and +Z directions, plus a position.
struct AxisPose {
    ConfigVector plusX{1.0, 0.0, 0.0};
    ConfigVector plusZ{0.0, 0.0, 1.0};
    ConfigVector position{0.0, 0.0, 0.0};
    bool operator==(const AxisPose&) const = default;
};

struct ImuCalibration {
    ConfigVector plusX{1.0, 0.0, 0.0};     // IMU x axis in head coordinates
    ConfigVector plusZ{0.0, 0.0, 1.0};     // IMU z axis in head coordinates
    ConfigVector position{0.0, 0.0, 0.0};
    ConfigVector accBias{0.0, 0.0, 0.0};   // g
    ConfigVector accScale{1.0, 1.0, 1.0};  // factor per axis
    ConfigVector gyroBias{0.0, 0.0, 0.0};  // raw gyroscope counts
    bool hasGyroAxisScale = false;
    ConfigVector gyroAxisScale{1.0, 1.0, 1.0};
    bool operator==(const ImuCalibration&) const = default;
};

// Lens distortion of one colour channel.
struct DistortionPoly3 {
    double centerX = 0.0;
    double centerY = 0.0;
    ConfigVector coeffs{0.0, 0.0, 0.0};
    bool operator==(const DistortionPoly3&) const = default;
};

struct EyeConfig {
    std::array<DistortionPoly3, 3> distortion{};  // red, green, blue
    double growForUndistort = 0.0;
    double undistortR2Cutoff = 0.0;
    ConfigMatrix intrinsics{};
    ConfigMatrix eyeToHead{};
    ConfigVector colorMult{1.0, 1.0, 1.0};
    bool operator==(const EyeConfig&) const = default;
};

struct HeadsetConfig {
    std::string deviceSerialNumber;
    std::string modelNumber;
    std::int32_t eyeTargetWidthInPixels = 0;
    std::int32_t eyeTargetHeightInPixels = 0;
    bool parallelRenderCameras = false;
    double ipdDefaultMm = 0.0;
    double secondsFromVsyncToPhotons = 0.0;
    double secondsFromPhotonsToVblank = 0.0;
    AxisPose head;
    ImuCalibration imu;
    std::array<EyeConfig, 2> eyes{};
    bool operator==(const HeadsetConfig&) const = default;
};

// Reads the file at `path` (as typed) into `cfg`. On failure returns false and,
// when `errorText` is given, sets it to one line saying why; fields read before
// the failure keep their new values. Never throws.
bool loadHeadsetConfig(const std::string& path, HeadsetConfig& cfg,
                       std::string* errorText = nullptr);

// The same for a JSON text already in memory (no path suffix on errors).
bool parseHeadsetConfig(const std::string& text, HeadsetConfig& cfg,
                        std::string* errorText = nullptr);

}  // namespace vesko
