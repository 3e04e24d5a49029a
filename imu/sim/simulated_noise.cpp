// The simulated unit's noise: white noise, bias random walk and slow wander, any sample on demand.
#include "simulated_noise.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vesko {

namespace {

// Fixed seeds: every run of the simulator streams the same data.
constexpr std::uint64_t kNoiseSeed = 0x5EED'0001'2345'6789ull;
constexpr std::uint64_t kWanderSeed = 0x5EED'0002'8765'4321ull;
constexpr std::uint64_t kWalkSeed = 0x5EED'0003'1357'9BDFull;

// The walk is exact at knots 0.1 s apart and linear between them; its knots
// come in blocks of 2^24 (19 days), each built by midpoint displacement.
constexpr double kWalkKnotSeconds = 0.1;
constexpr int kWalkLevels = 24;
constexpr std::uint64_t kWalkBlockKnots = std::uint64_t{1} << kWalkLevels;

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

// A standard Brownian motion (unit variance per knot) at knot `knot`,
// found by halving the block's span down to it: O(24) normals, no history.
double walkAtKnot(std::uint64_t axis, std::uint64_t knot) noexcept {
    const std::uint64_t block = knot >> kWalkLevels;
    double start = 0.0;
    for (std::uint64_t b = 0; b < block; ++b) {  // whole blocks before: one normal each
        start += std::sqrt(double(kWalkBlockKnots)) * gaussian(kWalkSeed, (b << 34) | (axis << 32) | 0xFFFF'FFFFu);
    }
    const std::uint64_t key = (block << 34) | (axis << 32);
    std::uint64_t lo = 0;
    std::uint64_t hi = kWalkBlockKnots;
    double wLo = start;
    double wHi = start + std::sqrt(double(kWalkBlockKnots)) * gaussian(kWalkSeed, key | 0xFFFF'FFFFu);
    const std::uint64_t target = knot & (kWalkBlockKnots - 1);
    while (target != lo) {
        const std::uint64_t mid = (lo + hi) / 2;
        const double wMid = (wLo + wHi) / 2.0 + std::sqrt(double(hi - lo) / 4.0) * gaussian(kWalkSeed, key | mid);
        if (target < mid) {
            hi = mid;
            wHi = wMid;
        } else {
            lo = mid;
            wLo = wMid;
        }
    }
    return wLo;
}

// Consecutive samples share their knots: each thread remembers the last two per axis.
double cachedWalkAtKnot(std::uint64_t axis, std::uint64_t knot) noexcept {
    struct Entry {
        std::uint64_t knot = ~std::uint64_t{0};
        double value = 0.0;
    };
    thread_local Entry cache[3][2];
    Entry& e = cache[axis][knot & 1];
    if (e.knot != knot) e = {knot, walkAtKnot(axis, knot)};
    return e.value;
}

double walk(std::uint64_t axis, double seconds) noexcept {
    const double knots = seconds / kWalkKnotSeconds;
    const auto k = static_cast<std::uint64_t>(knots);
    const double f = knots - static_cast<double>(k);
    const double a = cachedWalkAtKnot(axis, k);
    const double w = a + f * (cachedWalkAtKnot(axis, k + 1) - a);
    return SimulatedNoise::gyroWalk * std::sqrt(kWalkKnotSeconds) * w;
}

// Value noise: a random offset at each knot, blended smoothly between knots.
double wander(std::uint64_t axis, double seconds) noexcept {
    const double knots = seconds / SimulatedNoise::gyroWanderKnotSeconds;
    const auto k = static_cast<std::uint64_t>(knots);
    const double f = knots - static_cast<double>(k);
    const double blend = f * f * (3.0 - 2.0 * f);
    const double a = gaussian(kWanderSeed, 3 * k + axis);
    const double b = gaussian(kWanderSeed, 3 * (k + 1) + axis);
    return SimulatedNoise::gyroWander * (a + (b - a) * blend);
}

}  // namespace

SimulatedWhiteNoise simulatedWhiteNoise(std::uint64_t index) {
    SimulatedWhiteNoise n;
    for (std::size_t i = 0; i < 3; ++i) {
        n.acc[i] = SimulatedNoise::accWhite * gaussian(kNoiseSeed, 6 * index + i);
        n.gyro[i] = SimulatedNoise::gyroWhite * gaussian(kNoiseSeed, 6 * index + 3 + i);
    }
    return n;
}

std::array<double, 3> simulatedGyroBias(double seconds) {
    const double t = std::max(seconds, 0.0);
    std::array<double, 3> bias{};
    for (std::uint64_t axis = 0; axis < 3; ++axis) {
        bias[axis] = SimulatedNoise::gyroBiasBase[axis] + wander(axis, t) + walk(axis, t);
    }
    return bias;
}

}  // namespace vesko
