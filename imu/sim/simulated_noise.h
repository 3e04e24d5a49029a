// The simulated unit's sensor noise: a documented model whose Allan figures are known.
#pragma once

#include <array>
#include <cstdint>

namespace vesko {

// Per IMU axis, in raw counts, the unit sampling at 1 kHz:
//  - white noise: independent Gaussian noise on every sample (and the
//    rounding to whole counts on top, 1/12 count^2);
//  - gyroscope bias random walk: a Brownian motion with K counts/sqrt(s),
//    so that the rate wanders by K*sqrt(t) after t seconds;
//  - gyroscope slow wander: a Gaussian offset per axis every 10 s, blended
//    smoothly (smoothstep) from one to the next, on top of a fixed bias.
// The accelerometer has white noise only. README.md lists the N, B and K these give.
struct SimulatedNoise {
    static constexpr double accWhite = 3.0;             // counts per sample, standard deviation
    static constexpr double gyroWhite = 1.2;            // counts per sample, standard deviation
    static constexpr double gyroWalk = 0.005;           // counts/sqrt(s): the random walk's K
    static constexpr double gyroWander = 0.4;           // counts, standard deviation of the wander's offsets
    static constexpr double gyroWanderKnotSeconds = 10.0;
    static constexpr std::array<double, 3> gyroBiasBase{4.0, -3.0, 2.0};  // counts
    // The gyroscope's Allan deviation is lowest near tau = 0.5 s, where the
    // white noise gives way to the wander: 0.059 counts (computed from 24 h
    // of the model). B is that over 0.664.
    static constexpr double gyroCurveMinimum = 0.059;  // counts
};

// White noise of sample `index` (from power-on), in counts.
struct SimulatedWhiteNoise {
    std::array<double, 3> acc{};
    std::array<double, 3> gyro{};
};
SimulatedWhiteNoise simulatedWhiteNoise(std::uint64_t index);

// The gyroscope's bias at `seconds` after power-on, in counts per IMU axis:
// the fixed offset, the slow wander and the random walk.
std::array<double, 3> simulatedGyroBias(double seconds);

}  // namespace vesko
