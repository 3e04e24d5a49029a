// The simulated headset's sensor model: motion scenario, mounting, calibration, noise.
#include "simulated_headset.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "simulated_operator.h"

namespace vesko {

namespace {

using Axes = std::array<double, 3>;

constexpr Axes kGyroBiasBase{4.0, -3.0, 2.0};  // counts
constexpr double kGyroBiasWander = 0.4;        // counts, standard deviation of the wander
constexpr double kGyroBiasKnotSeconds = 10.0;  // the wander changes course this often
constexpr double kGyroNoise = 1.2;             // counts, standard deviation
constexpr double kAccNoise = 3.0;              // counts, standard deviation

// Fixed seeds: every run of the simulator streams the same data.
constexpr std::uint64_t kNoiseSeed = 0x5EED'0001'2345'6789ull;
constexpr std::uint64_t kWanderSeed = 0x5EED'0002'8765'4321ull;

// A counter-based generator (splitmix64 finaliser): any sample can be made
// without the ones before it, so a reopened unit simply continues in time.
std::uint64_t mix(std::uint64_t x) noexcept {
    x += 0x9E37'79B9'7F4A'7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58'476D'1CE4'E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D0'49BB'1331'11EBull;
    return x ^ (x >> 31);
}

// Uniform in (0, 1], never 0 so that its logarithm is finite.
double uniform(std::uint64_t seed, std::uint64_t key) noexcept {
    return (static_cast<double>(mix(seed ^ mix(key)) >> 11) + 1.0) * 0x1.0p-53;
}

// Standard normal by Box-Muller from two independent uniforms.
double gaussian(std::uint64_t seed, std::uint64_t key) noexcept {
    const double u1 = uniform(seed, 2 * key);
    const double u2 = uniform(seed, 2 * key + 1);
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * std::numbers::pi * u2);
}

Axes cross(const Axes& a, const Axes& b) noexcept {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double dot(const Axes& a, const Axes& b) noexcept {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// Head-frame vector to IMU components. The IMU's axes in head coordinates are
// plus_x, plus_z × plus_x and plus_z, orthonormal, so the inverse of the
// mounting is the projection onto each of them.
Axes headToImu(const Axes& head) noexcept {
    using C = SimulatedCalibration;
    const Axes plusY = cross(C::imuPlusZ, C::imuPlusX);
    return {dot(C::imuPlusX, head), dot(plusY, head), dot(C::imuPlusZ, head)};
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

std::array<double, 3> simulatedGyroBias(double seconds) {
    // Value noise: a random offset at each knot, blended smoothly between knots.
    const double knots = std::max(seconds, 0.0) / kGyroBiasKnotSeconds;
    const auto k = static_cast<std::uint64_t>(knots);
    const double f = knots - static_cast<double>(k);
    const double blend = f * f * (3.0 - 2.0 * f);
    Axes bias{};
    for (std::uint64_t axis = 0; axis < 3; ++axis) {
        const double a = gaussian(kWanderSeed, 3 * k + axis);
        const double b = gaussian(kWanderSeed, 3 * (k + 1) + axis);
        bias[axis] = kGyroBiasBase[axis] + kGyroBiasWander * (a + (b - a) * blend);
    }
    return bias;
}

ImuSample simulatedSample(std::uint64_t index) {
    using C = SimulatedCalibration;
    const double seconds = static_cast<double>(index) / kSimSamplesPerSecond;
    const HeadMotion head = simulatedHeadMotion(seconds);  // the scenario, or the bench operator's moves
    const Axes rateImu = headToImu(head.rate);
    const Axes upImu = headToImu(head.up);  // at rest the specific force is 1 g up
    const Axes bias = simulatedGyroBias(seconds);
    ImuSample s;
    for (std::size_t i = 0; i < 3; ++i) {
        const double accNoise = kAccNoise * gaussian(kNoiseSeed, 6 * index + i);
        const double gyroNoise = kGyroNoise * gaussian(kNoiseSeed, 6 * index + 3 + i);
        // The inverse of the filter's acc = counts / 4096 × scale − bias.
        s.acc[i] = toCounts((upImu[i] + C::accBias[i]) / C::accScale[i] * kSimAccCountsPerG + accNoise);
        s.gyro[i] = toCounts(rateImu[i] / kSimGyroRadPerSecPerCount + bias[i] + C::gyroBias[i] + gyroNoise);
    }
    applySimulatedFaults(s);
    s.timestamp = kSimFirstTimestamp + static_cast<std::uint32_t>(index * kSimTicksPerSample);
    s.seq = static_cast<std::uint8_t>(kSimFirstSeq + index);
    return s;
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
