// The power-law noise that dominates an Allan curve at a cluster time, and how it was told.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace vesko {

// By the exponent alpha of the rate's spectral density, S(f) ~ f^alpha. In an
// IMU's terms the FM types are noise of the rate (white: the angle random
// walk N; flicker: the bias instability B; random walk: K) and the PM types
// noise of the integrated angle (white: quantisation).
enum class NoiseType : int { randomWalkFm = -2, flickerFm = -1, whiteFm = 0, flickerPm = 1, whitePm = 2 };

// The slowest noise the overlapping Allan variance converges for, and the fastest.
inline constexpr int kSlowestAlpha = -2;
inline constexpr int kFastestAlpha = 2;

constexpr int alphaOf(NoiseType type) noexcept { return static_cast<int>(type); }

// "white PM", "flicker PM", "white FM", "flicker FM", "random walk FM".
std::string_view noiseName(NoiseType type) noexcept;

enum class NoiseEvidence {
    autocorrelation,  // the lag-1 autocorrelation of the data averaged to tau
    slope,            // too few clusters for that: the curve's local slope
    assumed,          // neither could tell (no variation): white FM
};

// "lag-1 autocorrelation", "local slope", "assumed".
std::string_view evidenceName(NoiseEvidence evidence) noexcept;

// Fewer averages than this at a cluster time make the lag-1 autocorrelation
// too uncertain to tell neighbouring types apart; more than the most tell
// no more (r1 is then known to about 0.004) and cost a pass over the whole
// run at every short cluster time, so the middle stretch of that many serves.
inline constexpr std::size_t kLeastAveragesForAutocorrelation = 30;
inline constexpr std::size_t kMostAveragesForAutocorrelation = std::size_t{1} << 16;

// The running sums of one series z_0, z_1, ... for its lag-1 autocorrelation
// r1 = sum (z_k - mean)(z_{k+1} - mean) / sum (z_k - mean)^2, taken relative
// to z_0 (which leaves r1 as it is) so that a series far from zero keeps its digits.
struct Lag1Sums {
    double origin = 0.0;  // z_0
    double last = 0.0;    // the latest z - z_0
    double sum = 0.0;
    double squares = 0.0;
    double products = 0.0;

    void start(double z0) noexcept { origin = z0; }
    void take(double z) noexcept {
        const double x = z - origin;
        sum += x;
        squares += x * x;
        products += last * x;
        last = x;
    }
    // r1 of the `count` values taken with z_0; NaN without variation.
    double lag1(std::size_t count) const noexcept;
};

// The noise type at cluster size m by the lag-1 autocorrelation method
// (Riley and Greenhall, 2004): the phase (the running sums of the counts)
// taken every m samples is differenced until its lag-1 autocorrelation r1
// gives delta = r1 / (1 + r1) below 0.25, or twice; then
// alpha = 2 - 2 (delta + differences), rounded.
//
// Fed stretch by stretch, in order, so that one pass over the running sums
// serves every cluster size while a stretch is in the cache.
class PhaseAutocorrelation {
public:
    // For cluster size m (> 0) over `samples` samples (samples + 1 running sums).
    PhaseAutocorrelation(std::size_t m, std::size_t samples);

    // Takes the phase points k m below `to` of the running sums; each call
    // goes on where the one before stopped.
    void takeUpTo(std::span<const std::int64_t> sums, std::size_t to) { takeUpTo(sums, 0, to); }
    // The same from a stretch of the running sums that starts at index
    // `stretchStart` and holds every index below `to` that the call before left.
    void takeUpTo(std::span<const std::int64_t> stretch, std::size_t stretchStart, std::size_t to);

    // None with fewer than kLeastAveragesForAutocorrelation averages, or data that do not vary.
    std::optional<NoiseType> noise() const;

private:
    void takeOne(double phase) noexcept;

    std::size_t m_;
    std::size_t next_ = 0;    // the next phase point's index in the running sums
    std::size_t end_ = 0;     // past the last one
    std::size_t points_ = 0;  // phase points taken
    double before_ = 0.0;
    double twoBefore_ = 0.0;
    Lag1Sums phase_;   // the phase itself, and its
    Lag1Sums first_;   // first and
    Lag1Sums second_;  // second differences
};

// The type whose Allan deviation has the given log-log slope (tau^(-(alpha+1)/2)),
// the nearest one; slope -1, which white and flicker PM share, is read as flicker PM.
NoiseType noiseBySlope(double slope) noexcept;

}  // namespace vesko
