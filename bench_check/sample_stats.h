// Per-axis sums of raw accelerometer and gyroscope counts over a stretch of samples.
#pragma once

#include <array>
#include <cstdint>

#include "imu_sample.h"

namespace vesko {

using Axes3 = std::array<double, 3>;

struct SampleStats {
    std::uint64_t count = 0;
    double seconds = 0.0;  // device time covered
    Axes3 accSum{};
    Axes3 accSumSq{};
    Axes3 gyroSum{};
    Axes3 gyroSumSq{};

    // `dt` is the device time since the previous sample, in seconds.
    void add(const ImuSample& sample, double dt) noexcept;
    void merge(const SampleStats& other) noexcept;

    Axes3 accMean() const noexcept;
    Axes3 gyroMean() const noexcept;
    // Population standard deviations, counts.
    Axes3 accSd() const noexcept;
    Axes3 gyroSd() const noexcept;
};

// Seconds from tick `from` to tick `to` of the 48 MHz device clock, across its 32-bit wrap.
double tickSeconds(std::uint32_t from, std::uint32_t to) noexcept;

}  // namespace vesko
