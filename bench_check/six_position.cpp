// Face geometry, the mounting check and the six-position accelerometer estimate.
#include "six_position.h"

#include <cmath>
#include <cstdio>
#include <optional>

#include "rest_estimate.h"

namespace vesko {

namespace {

Vector3 toVector(const ConfigVector& v) noexcept { return {v[0], v[1], v[2]}; }

// Degrees between `v` and the head axis nearest to it.
double offAxisDegrees(const Vector3& v) noexcept {
    const double n = norm(v);
    if (n <= 0.0) return 90.0;
    const double largest = std::fmax(std::fabs(v.x), std::fmax(std::fabs(v.y), std::fabs(v.z)));
    return std::acos(std::fmin(1.0, largest / n)) * kDegreesPerRadian;
}

std::string describeOffAxis(const char* key, const Vector3& v, double degrees) {
    char text[200];
    std::snprintf(text, sizeof text, "imu %s [%g, %g, %g] is %.1f° from the nearest head axis", key, v.x,
                  v.y, v.z, degrees);
    return text;
}

std::string lengthFault(const char* key, const Vector3& v) {
    const double length = norm(v);
    if (std::fabs(length - 1.0) <= kMountingLengthTolerance) return {};
    char text[200];
    std::snprintf(text, sizeof text, "imu %s [%g, %g, %g] is %.3g long, not a unit vector", key, v.x, v.y, v.z,
                  length);
    return text;
}

}  // namespace

std::string degenerateMounting(const ImuCalibration& calibration) {
    const Vector3 plusX = toVector(calibration.plusX);
    const Vector3 plusZ = toVector(calibration.plusZ);
    for (const std::string& fault : {lengthFault("plus_x", plusX), lengthFault("plus_z", plusZ)}) {
        if (!fault.empty()) return fault;
    }
    const double cosine = std::fmax(-1.0, std::fmin(1.0, dot(plusX, plusZ) / (norm(plusX) * norm(plusZ))));
    const double degrees = std::acos(cosine) * kDegreesPerRadian;
    if (std::fabs(degrees - 90.0) <= kMountingRightAngleToleranceDegrees) return {};
    char text[200];
    std::snprintf(text, sizeof text, "imu plus_x and plus_z are %.1f\u00b0 apart, not perpendicular%s", degrees,
                  degrees < kMountingRightAngleToleranceDegrees || degrees > 180.0 - kMountingRightAngleToleranceDegrees
                      ? " (parallel)"
                      : "");
    return text;
}

const char* faceName(HeadsetFace face) noexcept {
    switch (face) {
        case HeadsetFace::upright: return "upright";
        case HeadsetFace::faceDown: return "face down";
        case HeadsetFace::upsideDown: return "upside down";
        case HeadsetFace::faceUp: return "face up";
        case HeadsetFace::leftSideDown: return "left side down";
        case HeadsetFace::rightSideDown: return "right side down";
    }
    return "?";
}

std::string axisName(SignedAxis a) {
    std::string name = a.sign < 0 ? "-" : "+";
    return name + static_cast<char>('x' + a.axis);
}

SignedAxis dominantAxis(const Axes3& v) noexcept {
    int best = 0;
    for (int i = 1; i < 3; ++i) {
        if (std::fabs(v[static_cast<std::size_t>(i)]) > std::fabs(v[static_cast<std::size_t>(best)])) best = i;
    }
    return {best, v[static_cast<std::size_t>(best)] < 0.0 ? -1 : 1};
}

std::string mountingMisalignment(const ImuCalibration& calibration) {
    const Vector3 plusX = toVector(calibration.plusX);
    const Vector3 plusZ = toVector(calibration.plusZ);
    const double offX = offAxisDegrees(plusX);
    if (offX > kMountingToleranceDegrees) return describeOffAxis("plus_x", plusX, offX);
    const double offZ = offAxisDegrees(plusZ);
    if (offZ > kMountingToleranceDegrees) return describeOffAxis("plus_z", plusZ, offZ);
    const Axes3 ax{plusX.x, plusX.y, plusX.z};
    const Axes3 az{plusZ.x, plusZ.y, plusZ.z};
    if (dominantAxis(ax).axis == dominantAxis(az).axis) return "imu plus_x and plus_z lie along the same head axis";
    return {};
}

SignedAxis predictedUpAxis(const ImuCalibration& calibration, HeadsetFace face) {
    const Vector3 plusX = toVector(calibration.plusX);
    const Vector3 plusZ = toVector(calibration.plusZ);
    const Vector3 plusY = cross(plusZ, plusX);  // as the filter builds its mounting
    const Vector3 up = toVector(faceUpInHead(face));
    return dominantAxis({dot(plusX, up), dot(plusY, up), dot(plusZ, up)});
}

SixPositionResult estimateSixPosition(const std::vector<FaceMeasurement>& faces,
                                      const ImuCalibration& calibration) {
    SixPositionResult result;
    std::array<std::optional<double>, 3> upReading{};
    std::array<std::optional<double>, 3> downReading{};
    for (const FaceMeasurement& m : faces) {
        const SignedAxis seen = dominantAxis(m.accRaw);
        const SignedAxis expected = predictedUpAxis(calibration, m.face);
        if (!(seen == expected)) {
            result.mismatches.push_back(std::string(faceName(m.face)) + ": gravity seen on IMU " +
                                        axisName(seen) + ", the mounting predicts " + axisName(expected));
        }
        auto& slot = seen.sign > 0 ? upReading : downReading;
        slot[static_cast<std::size_t>(seen.axis)] = m.accRaw[static_cast<std::size_t>(seen.axis)];
    }
    result.complete = true;
    for (std::size_t i = 0; i < 3; ++i) {
        if (!upReading[i] || !downReading[i] || *upReading[i] <= *downReading[i]) {
            result.complete = false;
            continue;
        }
        // +1 g = up / kImuAccCountsPerG * s - b and -1 g = down / kImuAccCountsPerG * s - b.
        result.accScale[i] = 2.0 * kImuAccCountsPerG / (*upReading[i] - *downReading[i]);
        result.accBias[i] = (*upReading[i] + *downReading[i]) * result.accScale[i] / (2.0 * kImuAccCountsPerG);
    }
    return result;
}

}  // namespace vesko
