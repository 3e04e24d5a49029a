// The simulated headset's sensor model: motion scenario, mounting and calibration over the noise model.
#include "simulated_headset.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "simulated_noise.h"
#include "vector_math.h"

namespace vesko {

namespace {

using Axes = std::array<double, 3>;

Vector3 toVector(const Axes& a) noexcept { return {a[0], a[1], a[2]}; }

// Head-frame vector to IMU components. The IMU's axes in head coordinates are
// plus_x, plus_z × plus_x and plus_z, orthonormal, so the inverse of the
// mounting is the projection onto each of them.
Axes headToImu(const Axes& head) noexcept {
    using C = SimulatedCalibration;
    const Vector3 plusX = toVector(C::imuPlusX);
    const Vector3 plusZ = toVector(C::imuPlusZ);
    const Vector3 v = toVector(head);
    return {dot(plusX, v), dot(cross(plusZ, plusX), v), dot(plusZ, v)};
}

std::int16_t toCounts(double value) noexcept {
    return static_cast<std::int16_t>(std::clamp(std::round(value), -32768.0, 32767.0));
}

// One smooth turn by `degrees` over kSimTurnSeconds: the rate rises from and
// falls back to zero (a raised cosine), so there is no jerk at either end.
SimulatedMotion turn(double tau, double degrees) noexcept {
    const double phase = 2.0 * std::numbers::pi * tau / kSimTurnSeconds;
    const double angle = degrees * (tau / kSimTurnSeconds - std::sin(phase) / (2.0 * std::numbers::pi));
    const double rateDegrees = degrees / kSimTurnSeconds * (1.0 - std::cos(phase));
    return {angle, rateDegrees * std::numbers::pi / 180.0};
}

}  // namespace

SimulatedMotion simulatedMotion(double seconds) {
    double t = std::fmod(std::max(seconds, 0.0), kSimScenarioSeconds);
    if (t < kSimRestSeconds) return {};
    t -= kSimRestSeconds;
    if (t < kSimTurnSeconds) return turn(t, kSimTurnDegrees);
    t -= kSimTurnSeconds;
    if (t < kSimHoldSeconds) return {kSimTurnDegrees, 0.0};
    t -= kSimHoldSeconds;
    const SimulatedMotion back = turn(t, -kSimTurnDegrees);
    return {kSimTurnDegrees + back.yawDegrees, back.yawRate};
}

HeadMotion scenarioHeadMotion(double seconds) {
    return {{0.0, 1.0, 0.0}, {0.0, simulatedMotion(seconds).yawRate, 0.0}};
}

double simulatedSampleSeconds(std::uint64_t index) { return static_cast<double>(index) / kSimSamplesPerSecond; }

ImuSample simulatedSample(std::uint64_t index, const HeadMotion& head) {
    using C = SimulatedCalibration;
    const double seconds = simulatedSampleSeconds(index);
    const Axes rateImu = headToImu(head.rate);
    const Axes upImu = headToImu(head.up);  // at rest the specific force is 1 g up
    const Axes bias = simulatedGyroBias(seconds);
    const SimulatedWhiteNoise noise = simulatedWhiteNoise(index);
    ImuSample s;
    for (std::size_t i = 0; i < 3; ++i) {
        const double accNoise = noise.acc[i];
        const double gyroNoise = noise.gyro[i];
        // The inverse of the filter's acc = counts / kImuAccCountsPerG × scale − bias.
        s.acc[i] = toCounts((upImu[i] + C::accBias[i]) / C::accScale[i] * kImuAccCountsPerG + accNoise);
        s.gyro[i] = toCounts(rateImu[i] / kImuGyroRadPerSecPerCount + bias[i] + C::gyroBias[i] + gyroNoise);
    }
    s.timestamp = kSimFirstTimestamp + static_cast<std::uint32_t>(index * kSimTicksPerSample);
    s.seq = static_cast<std::uint8_t>(kSimFirstSeq + index);
    return s;
}

ImuSample simulatedSample(std::uint64_t index) {
    return simulatedSample(index, scenarioHeadMotion(simulatedSampleSeconds(index)));
}

ImuReportBytes simulatedReport(std::uint64_t index) {
    std::array<ImuSample, kImuSamplesPerReport> samples;
    for (std::uint64_t k = 0; k < kImuSamplesPerReport; ++k) {
        samples[k] = simulatedSample(index * kImuSamplesPerReport + k);
    }
    return encodeImuReport(samples);
}

std::chrono::microseconds simulatedReportDue(std::uint64_t index) {
    constexpr std::int64_t kMicrosPerSample = 1'000'000 / kSimSamplesPerSecond;
    return std::chrono::microseconds(static_cast<std::int64_t>((index + 1) * kImuSamplesPerReport) *
                                     kMicrosPerSample);
}

}  // namespace vesko
