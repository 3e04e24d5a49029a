// The units the noise figures are shown in, per sensor, and their factors from the curves' units.
#pragma once

#include <string_view>

#include "imu_axis.h"

namespace vesko {

inline constexpr double kStandardGravity = 9.80665;  // m/s^2 per g

struct FigureUnit {
    double factor;          // from the curve's unit (deg/s or g) read at tau
    std::string_view text;  // as the table shows it
    std::string_view json;  // as the JSON names it
};

struct SensorUnits {
    std::string_view curve;  // the unit of sigma
    FigureUnit white;        // N
    FigureUnit whiteDensity; // N as a spectral density
    FigureUnit floor;        // B and the raw minimum
    FigureUnit walk;         // K
};

// Gyroscope: N in deg/sqrt(h), B in deg/h, K in deg/h/sqrt(h).
// Accelerometer: N in (m/s)/sqrt(h), B in mg, K in mg/sqrt(s).
inline constexpr SensorUnits kGyroUnits{"deg/s",
                                        {60.0, "°/√h", "deg/sqrt(h)"},
                                        {1.0, "(°/s)/√Hz", "(deg/s)/sqrt(Hz)"},
                                        {3600.0, "°/h", "deg/h"},
                                        {3600.0 * 60.0, "°/h/√h", "deg/h/sqrt(h)"}};
inline constexpr SensorUnits kAccUnits{"g",
                                       {kStandardGravity * 60.0, "(m/s)/√h", "(m/s)/sqrt(h)"},
                                       {1.0, "g/√Hz", "g/sqrt(Hz)"},
                                       {1000.0, "mg", "mg"},
                                       {1000.0, "mg/√s", "mg/sqrt(s)"}};

constexpr const SensorUnits& unitsOf(ImuAxis axis) noexcept { return isGyro(axis) ? kGyroUnits : kAccUnits; }

}  // namespace vesko
