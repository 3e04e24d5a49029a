// The units the noise figures are shown in, per sensor, and their factors from the curves' units.
#pragma once

#include <string_view>

#include "imu_axis.h"
#include "vector_math.h"

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
    FigureUnit whiteSi;      // N as the SI density the next tools take
    FigureUnit walkSi;       // K in SI: per sqrt(s), a random walk grows with the square root of time
};

inline constexpr double kRadiansPerDegree = 1.0 / kDegreesPerRadian;

// Gyroscope: N in deg/sqrt(h), B in deg/h, K in deg/h/sqrt(h).
// Accelerometer: N in (m/s)/sqrt(h), B in mg, K in mg/sqrt(s).
// In SI: N in rad/s/sqrt(Hz) and m/s^2/sqrt(Hz), K in rad/s^2/sqrt(Hz) and m/s^3/sqrt(Hz).
inline constexpr SensorUnits kGyroUnits{"deg/s",
                                        {60.0, "°/√h", "deg/sqrt(h)"},
                                        {1.0, "(°/s)/√Hz", "(deg/s)/sqrt(Hz)"},
                                        {3600.0, "°/h", "deg/h"},
                                        {3600.0 * 60.0, "°/h/√h", "deg/h/sqrt(h)"},
                                        {kRadiansPerDegree, "rad/s/√Hz", "rad/s/sqrt(Hz)"},
                                        {kRadiansPerDegree, "rad/s²/√Hz", "rad/s^2/sqrt(Hz)"}};
inline constexpr SensorUnits kAccUnits{"g",
                                       {kStandardGravity * 60.0, "(m/s)/√h", "(m/s)/sqrt(h)"},
                                       {1.0, "g/√Hz", "g/sqrt(Hz)"},
                                       {1000.0, "mg", "mg"},
                                       {1000.0, "mg/√s", "mg/sqrt(s)"},
                                       {kStandardGravity, "m/s²/√Hz", "m/s^2/sqrt(Hz)"},
                                       {kStandardGravity, "m/s³/√Hz", "m/s^3/sqrt(Hz)"}};

constexpr const SensorUnits& unitsOf(ImuAxis axis) noexcept { return isGyro(axis) ? kGyroUnits : kAccUnits; }

}  // namespace vesko
