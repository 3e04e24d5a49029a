// Helpers shared by the attitude tests: hand-made samples, a timed feed, rotations.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>

#include <gtest/gtest.h>

#include "attitude_filter.h"

namespace vesko::test {

constexpr std::uint32_t kTicksPerMs = kImuTicksPerSecond / 1000;
constexpr auto kOneG = static_cast<std::int16_t>(kImuAccCountsPerG);  // accelerometer counts
using Counts = std::array<std::int16_t, 3>;
constexpr Counts kLevel{0, kOneG, 0};  // 1 g straight up in the head frame
constexpr Counts kNoRate{0, 0, 0};

inline ImuSample makeSample(std::uint32_t timestamp, const Counts& gyro = kNoRate,
                            const Counts& acc = kLevel) {
    ImuSample s;
    s.acc = acc;
    s.gyro = gyro;
    s.timestamp = timestamp;
    return s;
}

// Feeds a filter samples stamped by a clock that advances by the given ticks.
struct SampleFeed {
    AttitudeFilter& filter;
    std::uint32_t time = 1'000'000;

    void first(const Counts& gyro = kNoRate, const Counts& acc = kLevel) {
        filter.update(makeSample(time, gyro, acc));
    }
    void after(std::uint32_t ticks, const Counts& gyro = kNoRate, const Counts& acc = kLevel) {
        time += ticks;
        filter.update(makeSample(time, gyro, acc));
    }
    // A first sample and then `count` more, 1 ms apart: 1001 samples close a window.
    void stillWindow(int count = 1000, const Counts& gyro = kNoRate, const Counts& acc = kLevel) {
        first(gyro, acc);
        for (int i = 0; i < count; ++i) {
            after(kTicksPerMs, gyro, acc);
        }
    }
};

inline Quaternion about(const Vector3& axis, double degrees) {
    const double h = degrees * 3.141592653589793 / 360.0;
    return {std::cos(h), axis.x * std::sin(h), axis.y * std::sin(h), axis.z * std::sin(h)};
}

inline Quaternion fromYawPitchRoll(double yaw, double pitch, double roll) {
    return multiply(multiply(about({0, 1, 0}, yaw), about({1, 0, 0}, pitch)), about({0, 0, 1}, roll));
}

inline void expectQuaternionEq(const Quaternion& expected, const Quaternion& actual) {
    EXPECT_EQ(expected.w, actual.w);
    EXPECT_EQ(expected.x, actual.x);
    EXPECT_EQ(expected.y, actual.y);
    EXPECT_EQ(expected.z, actual.z);
}

inline bool sameQuaternion(const Quaternion& a, const Quaternion& b) {
    return a.w == b.w && a.x == b.x && a.y == b.y && a.z == b.z;
}

inline void expectVectorNear(const Vector3& expected, const Vector3& actual, double tolerance) {
    EXPECT_NEAR(expected.x, actual.x, tolerance);
    EXPECT_NEAR(expected.y, actual.y, tolerance);
    EXPECT_NEAR(expected.z, actual.z, tolerance);
}

}  // namespace vesko::test
