// The simulated headset's IMU: a deterministic sensor model and the HID reports it sends.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>

#include "imu_sample.h"
#include "simulated_motion_plan.h"
#include "simulated_noise.h"

namespace vesko {

// The simulated unit is the headset that examples/headset.json describes, so
// that the shipped example runs without hardware. These values mirror that
// file; a test checks that they still agree with it.
struct SimulatedCalibration {
    static constexpr const char* serial = "LHR-7A3D19C4";
    static constexpr std::array<double, 3> imuPlusX{-1.0, 0.0, 0.0};  // IMU x axis in head coordinates
    static constexpr std::array<double, 3> imuPlusZ{0.0, -1.0, 0.0};  // IMU z axis in head coordinates
    static constexpr std::array<double, 3> accBias{0.0123, -0.0087, 0.0211};  // g
    static constexpr std::array<double, 3> accScale{1.0021, 0.9984, 1.0007};
    static constexpr std::array<double, 3> gyroBias{0.0, 0.0, 0.0};  // counts
};

inline constexpr std::uint32_t kSimSamplesPerSecond = 1000;
inline constexpr std::uint32_t kSimTicksPerSample = kImuTicksPerSecond / kSimSamplesPerSecond;
// The device clock starts 5 s short of its 2^32 wrap, so every run crosses it early.
inline constexpr std::uint32_t kSimFirstTimestamp = 0u - 5u * kImuTicksPerSecond;
// The sequence number starts near its wrap for the same reason.
inline constexpr std::uint8_t kSimFirstSeq = 200;

// The scenario, repeated for as long as the unit streams: rest, turn left
// (counter-clockwise seen from above) by kSimTurnDegrees, hold, turn back.
inline constexpr double kSimRestSeconds = 3.0;
inline constexpr double kSimTurnSeconds = 4.0;
inline constexpr double kSimHoldSeconds = 3.0;
inline constexpr double kSimTurnDegrees = 40.0;
inline constexpr double kSimScenarioSeconds = kSimRestSeconds + 2.0 * kSimTurnSeconds + kSimHoldSeconds;

// Where the head is at `seconds` after power-on: yaw in degrees and the yaw
// rate about head +Y in rad/s. Pitch and roll stay level throughout.
struct SimulatedMotion {
    double yawDegrees = 0.0;
    double yawRate = 0.0;  // rad/s
};
SimulatedMotion simulatedMotion(double seconds);
// The same as the head's motion in the head frame: level, turning about +Y.
HeadMotion scenarioHeadMotion(double seconds);

// When sample `index` (counted from power-on) is taken, in device seconds.
double simulatedSampleSeconds(std::uint64_t index);

// Sample `index` as the IMU reports it while the head moves as `head` says:
// raw counts with sensor noise, a 48 MHz timestamp and an 8-bit sequence number.
ImuSample simulatedSample(std::uint64_t index, const HeadMotion& head);
// Sample `index` of the fixed scenario.
ImuSample simulatedSample(std::uint64_t index);

// Report `index` of the fixed scenario as the 64 bytes the device sends:
// report ID 32 and samples 3·index to 3·index + 2.
ImuReportBytes simulatedReport(std::uint64_t index);

// How long after power-on report `index` is sent: when its last sample is taken.
std::chrono::microseconds simulatedReportDue(std::uint64_t index);

}  // namespace vesko
