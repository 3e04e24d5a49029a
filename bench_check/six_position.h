// The six resting faces: which IMU axis the mounting says sees gravity, and the
// accelerometer's bias and scale from the six means.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "bench_operator.h"
#include "headset_config.h"
#include "sample_stats.h"
#include "vector_math.h"

namespace vesko {

inline constexpr std::array<HeadsetFace, 6> kSixFaces{
    HeadsetFace::upright, HeadsetFace::faceDown,     HeadsetFace::upsideDown,
    HeadsetFace::faceUp,  HeadsetFace::leftSideDown, HeadsetFace::rightSideDown};

// A mounting axis further than this from a head axis is not axis-aligned.
inline constexpr double kMountingToleranceDegrees = 2.0;

const char* faceName(HeadsetFace face) noexcept;  // "face down", as a person says it

// An IMU axis with a sign: axis 0, 1, 2 for x, y, z; sign +1 or -1.
struct SignedAxis {
    int axis = 0;
    int sign = 1;
    bool operator==(const SignedAxis&) const = default;
};
std::string axisName(SignedAxis a);          // "+x", "-z"
SignedAxis dominantAxis(const Axes3& v) noexcept;

// The configured axes must be unit vectors within this and perpendicular
// within the angle, or they describe no mounting at all.
inline constexpr double kMountingLengthTolerance = 0.01;  // of the unit length
inline constexpr double kMountingRightAngleToleranceDegrees = 1.0;

// Empty when plus_x and plus_z can be an IMU's axes; otherwise a sentence
// saying why not (zero, not of unit length, parallel, not perpendicular).
std::string degenerateMounting(const ImuCalibration& calibration);

// Empty when plus_x and plus_z each lie within the tolerance of a distinct head
// axis; otherwise a sentence saying which does not.
std::string mountingMisalignment(const ImuCalibration& calibration);
// The IMU axis that the mounting says points up when the headset lies on `face`.
SignedAxis predictedUpAxis(const ImuCalibration& calibration, HeadsetFace face);

struct FaceMeasurement {
    HeadsetFace face = HeadsetFace::upright;
    Axes3 accRaw{};  // counts, mean over the still stretch
};

struct SixPositionResult {
    std::vector<std::string> mismatches;  // one sentence per face whose axis disagrees
    bool complete = false;                // each IMU axis was seen up and down
    Axes3 accBias{};                      // g, the configuration's convention
    Axes3 accScale{1.0, 1.0, 1.0};
};

// Axes are taken as measured (the one nearest gravity on each face), so the
// estimate holds even where the mounting is wrong.
SixPositionResult estimateSixPosition(const std::vector<FaceMeasurement>& faces,
                                      const ImuCalibration& calibration);

}  // namespace vesko
