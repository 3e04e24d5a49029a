// Tells the dominant power-law noise at a cluster time: lag-1 autocorrelation, or the curve's slope.
#include "noise_type.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace vesko {

namespace {

// The overlapping Allan variance takes second differences of the phase, so
// two differences whiten every type it converges for.
constexpr int kMostDifferences = 2;
constexpr double kWhiteEnough = 0.25;  // delta below this: the series is as good as white

}  // namespace

std::string_view noiseName(NoiseType type) noexcept {
    static constexpr std::array<std::string_view, 5> kNames{"random walk FM", "flicker FM", "white FM", "flicker PM",
                                                            "white PM"};
    return kNames[static_cast<std::size_t>(alphaOf(type) - kSlowestAlpha)];
}

std::string_view evidenceName(NoiseEvidence evidence) noexcept {
    switch (evidence) {
        case NoiseEvidence::autocorrelation: return "lag-1 autocorrelation";
        case NoiseEvidence::slope: return "local slope";
        case NoiseEvidence::assumed: break;
    }
    return "assumed";
}

double Lag1Sums::lag1(std::size_t count) const noexcept {
    const auto n = static_cast<double>(count);
    const double mean = sum / n;
    const double spread = squares - n * mean * mean;
    // z_0 is 0 relative to itself.
    const double covariance = products - mean * (2.0 * sum - last) + (n - 1.0) * mean * mean;
    return spread > 0.0 ? covariance / spread : std::nan("");
}

PhaseAutocorrelation::PhaseAutocorrelation(std::size_t m, std::size_t samples) : m_(m) {
    const std::size_t averages = samples / m;
    const std::size_t used = std::min(averages, kMostAveragesForAutocorrelation);
    const std::size_t firstPoint = (averages - used) / 2;
    next_ = firstPoint * m;
    end_ = (firstPoint + used) * m + 1;  // used averages need used + 1 phase points
}

void PhaseAutocorrelation::takeOne(double now) noexcept {
    if (points_ == 0) phase_.start(now);
    if (points_ == 1) first_.start(now - before_);
    if (points_ == 2) second_.start(now - 2.0 * before_ + twoBefore_);
    phase_.take(now);
    if (points_ >= 1) first_.take(now - before_);
    if (points_ >= 2) second_.take(now - 2.0 * before_ + twoBefore_);
    twoBefore_ = before_;
    before_ = now;
    ++points_;
}

void PhaseAutocorrelation::takeUpTo(std::span<const std::int64_t> stretch, std::size_t stretchStart,
                                    std::size_t to) {
    to = std::min(to, end_);
    const auto sumAt = [&](std::size_t k) { return static_cast<double>(stretch[k - stretchStart]); };
    // Running sums stay far below 2^53, so the phase and its differences are exact.
    for (; next_ < to && points_ < 3; next_ += m_) takeOne(sumAt(next_));
    // The three series under way: their sums stay in registers.
    Lag1Sums phase = phase_;
    Lag1Sums first = first_;
    Lag1Sums second = second_;
    double before = before_;
    double twoBefore = twoBefore_;
    std::size_t k = next_;
    for (; k < to; k += m_) {
        const double now = sumAt(k);
        phase.take(now);
        first.take(now - before);
        second.take(now - 2.0 * before + twoBefore);
        twoBefore = before;
        before = now;
    }
    if (k > next_) points_ += (k - next_) / m_;
    next_ = k;
    phase_ = phase;
    first_ = first;
    second_ = second;
    before_ = before;
    twoBefore_ = twoBefore;
}

std::optional<NoiseType> PhaseAutocorrelation::noise() const {
    if (points_ < kLeastAveragesForAutocorrelation + 1) return std::nullopt;
    const Lag1Sums* const series[kMostDifferences + 1] = {&phase_, &first_, &second_};
    for (int d = 0; d <= kMostDifferences; ++d) {
        const double r1 = series[d]->lag1(points_ - static_cast<std::size_t>(d));
        if (!std::isfinite(r1)) return std::nullopt;
        const double delta = r1 / (1.0 + r1);
        if (delta < kWhiteEnough || d == kMostDifferences) {
            const auto alpha = static_cast<int>(std::lround(2.0 - 2.0 * (delta + d)));
            return static_cast<NoiseType>(std::clamp(alpha, kSlowestAlpha, kFastestAlpha));
        }
    }
    return std::nullopt;
}

NoiseType noiseBySlope(double slope) noexcept {
    // sigma ~ tau^mu with mu = -(alpha + 1) / 2 for alpha <= 1.
    const auto alpha = static_cast<int>(std::lround(-2.0 * slope - 1.0));
    return static_cast<NoiseType>(std::clamp(alpha, kSlowestAlpha, 1));
}

}  // namespace vesko
