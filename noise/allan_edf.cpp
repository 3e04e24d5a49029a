// Greenhall and Riley's EDF algorithm for the overlapping Allan variance, with the closed forms as fallback.
#include "allan_edf.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vesko {

namespace {

// The algorithm's names: d = 2 (second differences of the phase), stride
// S = m (overlapping), filter factor F. Sums longer than this are replaced by
// the algorithm's large-sample forms.
constexpr int kJmax = 100;
constexpr double kSampledPhase = std::numeric_limits<double>::infinity();  // F: no averaging of the phase
// The flicker PM sums difference the phase at steps of 1/m: beyond this m
// they lose their digits to rounding.
constexpr double kFlickerPmLargestM = 1e6;

// a0, a1 of the large-sample form 1/edf = (a0 - a1 / r) / r, for d = 2 and
// unmodified variances, by alpha from -2 to 1; b0, b1 of flicker PM's sz(0).
constexpr double kA0[4] = {1.079, 0.852, 2.0 / 3.0, 790.0};
constexpr double kA1[4] = {0.368, 0.375, 1.0 / 3.0, 410.0};
constexpr double kFlickerPmB0 = 15.23;
constexpr double kFlickerPmB1 = 12.0;

// The generalized autocovariance of the power-law noise, up to a factor.
double sw(double t, int alpha) {
    const double b = std::abs(t);
    const double logB = b > 0.0 ? std::log(b) : 0.0;  // t^n ln|t| -> 0 at 0
    switch (alpha) {
        case 2: return -b;
        case 1: return t * t * logB;
        case 0: return b * b * b;
        case -1: return -t * t * t * t * logB;
        default: return -b * b * b * b * b;  // -2
    }
}

// ... of the phase as filtered (averaged over 1/F of tau, or sampled when F is infinite).
double sx(double t, double filter, int alpha) {
    if (std::isinf(filter)) return sw(t, alpha + 2);
    return filter * filter * (2.0 * sw(t, alpha) - sw(t - 1.0 / filter, alpha) - sw(t + 1.0 / filter, alpha));
}

// ... of the second differences.
double sz(double t, double filter, int alpha) {
    return 6.0 * sx(t, filter, alpha) - 4.0 * sx(t - 1.0, filter, alpha) - 4.0 * sx(t + 1.0, filter, alpha) +
           sx(t - 2.0, filter, alpha) + sx(t + 2.0, filter, alpha);
}

double basicSum(int j, double terms, double stride, double filter, int alpha) {
    const auto squared = [&](int lag) {
        const double z = sz(lag / stride, filter, alpha);
        return z * z;
    };
    double sum = squared(0) + (1.0 - j / terms) * squared(j);
    for (int lag = 1; lag < j; ++lag) sum += 2.0 * (1.0 - lag / terms) * squared(lag);
    return sum;
}

// 1 / edf for the FM types (alpha <= 0) and flicker PM.
double inverseEdf(int alpha, double m, double terms) {
    const double filter = alpha <= 0 ? kSampledPhase : m;
    const double r = terms / m;
    const int j = static_cast<int>(std::min(terms, 3.0 * m));
    const std::size_t row = static_cast<std::size_t>(alpha + 2);
    // Flicker PM's variance grows with ln m; past kJmax its sz(0) has a closed form.
    const double zeroLag = alpha == 1 ? kFlickerPmB0 + kFlickerPmB1 * std::log(m) : sz(0.0, filter, alpha);
    if (j <= kJmax) {
        const double z0 = sz(0.0, filter, alpha);
        return basicSum(j, terms, m, filter, alpha) / (terms * z0 * z0);
    }
    if (r >= 3.0) return (kA0[row] - kA1[row] / r) / (r * (alpha == 1 ? zeroLag * zeroLag : 1.0));
    const double shortStride = kJmax / r;
    return basicSum(kJmax, kJmax, shortStride, alpha == 1 ? shortStride : filter, alpha) /
           (kJmax * zeroLag * zeroLag);
}

// White PM: the second differences are correlated only at whole multiples of
// m, with the binomial coefficients C(4, 2 - k); exact in closed form.
double whitePmEdf(double m, double terms) {
    const double r = terms / m;
    const double coefficient[3] = {6.0, 4.0, 1.0};  // C(4, 2 - k)
    double sum = 1.0;
    for (int k = 1; k <= 2 && k < r; ++k) {
        sum += 2.0 * (1.0 - k / r) * coefficient[k] * coefficient[k] / (coefficient[0] * coefficient[0]);
    }
    return terms / sum;
}

}  // namespace

EquivalentDof overlappingAllanEdf(NoiseType noise, std::size_t m, std::size_t samples) {
    const int alpha = alphaOf(noise);
    const auto dm = static_cast<double>(m);
    const double terms = static_cast<double>(samples) + 1.0 - 2.0 * dm;
    if (!(terms >= 1.0) || m == 0) return {0.0, EdfMethod::greenhall};
    const bool losesDigits =
        noise == NoiseType::flickerPm && dm > kFlickerPmLargestM && std::min(terms, 3.0 * dm) <= kJmax;
    double edf = std::numeric_limits<double>::quiet_NaN();
    if (noise == NoiseType::whitePm) {
        edf = whitePmEdf(dm, terms);
    } else if (!losesDigits) {
        edf = 1.0 / inverseEdf(alpha, dm, terms);
    }
    if (std::isfinite(edf) && edf > 0.0) return {edf, EdfMethod::greenhall};
    return {approximateOverlappingAllanEdf(noise, m, samples), EdfMethod::approximate};
}

double approximateOverlappingAllanEdf(NoiseType noise, std::size_t m, std::size_t samples) {
    const double n = static_cast<double>(samples) + 1.0;  // phase points
    const auto dm = static_cast<double>(m);
    switch (noise) {
        case NoiseType::whitePm: return (n + 1.0) * (n - 2.0 * dm) / (2.0 * (n - dm));
        case NoiseType::flickerPm:
            return std::exp(std::sqrt(std::log((n - 1.0) / (2.0 * dm)) * std::log((2.0 * dm + 1.0) * (n - 1.0) / 4.0)));
        case NoiseType::whiteFm:
            return (3.0 * (n - 1.0) / (2.0 * dm) - 2.0 * (n - 2.0) / n) * 4.0 * dm * dm / (4.0 * dm * dm + 5.0);
        case NoiseType::flickerFm:
            if (m == 1) return 2.0 * (n - 2.0) * (n - 2.0) / (2.3 * n - 4.9);
            return 5.0 * n * n / (4.0 * dm * (n + 3.0 * dm));
        case NoiseType::randomWalkFm: break;
    }
    return (n - 2.0) / (dm * (n - 3.0) * (n - 3.0)) * ((n - 1.0) * (n - 1.0) - 3.0 * dm * (n - 1.0) + 4.0 * dm * dm);
}

}  // namespace vesko
