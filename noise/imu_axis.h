// The six IMU axes the noise analysis works on, and a sample's raw count on each.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "imu_sample.h"

namespace vesko {

enum class ImuAxis { gyroX, gyroY, gyroZ, accX, accY, accZ };

inline constexpr std::array<ImuAxis, 6> kImuAxes{ImuAxis::gyroX, ImuAxis::gyroY, ImuAxis::gyroZ,
                                                 ImuAxis::accX,  ImuAxis::accY,  ImuAxis::accZ};

constexpr bool isGyro(ImuAxis axis) noexcept { return static_cast<int>(axis) < 3; }
constexpr std::size_t component(ImuAxis axis) noexcept { return static_cast<std::size_t>(axis) % 3; }

constexpr std::int16_t countOf(const ImuSample& s, ImuAxis axis) noexcept {
    return isGyro(axis) ? s.gyro[component(axis)] : s.acc[component(axis)];
}

// "gyro x" ... "acc z", as tables, legends and the JSON name them.
std::string_view axisName(ImuAxis axis) noexcept;

}  // namespace vesko
