// Overlapping Allan deviation: every cluster size of the grid in one blocked pass.
#include "allan_curve.h"

#include <algorithm>
#include <bit>
#include <cmath>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

#include "deviation_interval.h"

namespace vesko {

namespace {

// Sums for 2^16 start points at a time are taken for all cluster sizes before
// moving on, so the shared stretches of the running sums are read from cache
// rather than memory once per size.
constexpr std::size_t kBlock = std::size_t{1} << 16;

// Exact int64 to double for |d| < 2^51 by way of the mantissa: a plain
// integer add and a subtraction that compilers vectorise, unlike the scalar
// conversion instruction. Second differences stay far below that bound.
constexpr std::int64_t kMagicBits = 0x4338'0000'0000'0000;  // the bits of 2^52 + 2^51
constexpr double kMagic = 6755399441055744.0;               // 2^52 + 2^51

double toDouble(std::int64_t d) noexcept {
    return std::bit_cast<double>(d + kMagicBits) - kMagic;
}

double secondDifference(const std::int64_t* theta, std::size_t m, std::size_t k) noexcept {
    return toDouble(theta[k + 2 * m] - 2 * theta[k + m] + theta[k]);
}

#if defined(__SSE2__) || defined(_M_X64)
// Two start points per instruction: the loop is bound by arithmetic, not memory.
__m128d squaredPair(const std::int64_t* theta, std::size_t m) noexcept {
    const auto load = [](const std::int64_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    const __m128i x0 = load(theta);
    const __m128i x1 = load(theta + m);
    const __m128i d = _mm_add_epi64(_mm_sub_epi64(load(theta + 2 * m), _mm_add_epi64(x1, x1)), x0);
    const __m128d x = _mm_sub_pd(_mm_castsi128_pd(_mm_add_epi64(d, _mm_set1_epi64x(kMagicBits))), _mm_set1_pd(kMagic));
    return _mm_mul_pd(x, x);
}

double squaredSecondDifferences(const std::int64_t* theta, std::size_t m, std::size_t from, std::size_t to) {
    __m128d a = _mm_setzero_pd();
    __m128d b = _mm_setzero_pd();
    std::size_t k = from;
    for (; k + 4 <= to; k += 4) {
        a = _mm_add_pd(a, squaredPair(theta + k, m));
        b = _mm_add_pd(b, squaredPair(theta + k + 2, m));
    }
    alignas(16) double lanes[2];
    _mm_store_pd(lanes, _mm_add_pd(a, b));
    double total = lanes[0] + lanes[1];
    for (; k < to; ++k) {
        const double x = secondDifference(theta, m, k);
        total += x * x;
    }
    return total;
}
#else
double squaredSecondDifferences(const std::int64_t* theta, std::size_t m, std::size_t from, std::size_t to) {
    double total = 0.0;
    for (std::size_t k = from; k < to; ++k) {
        const double x = secondDifference(theta, m, k);
        total += x * x;
    }
    return total;
}
#endif

}  // namespace

void cumulativeCounts(std::span<const ImuSample> samples, ImuAxis axis, std::vector<std::int64_t>& sums) {
    sums.resize(samples.size() + 1);
    std::int64_t running = 0;
    sums[0] = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        running += countOf(samples[i], axis);
        sums[i + 1] = running;
    }
}

AllanCurve overlappingAllan(std::span<const std::int64_t> sums, double tau0, double unitsPerCount) {
    AllanCurve curve;
    if (sums.size() < 2) return curve;
    const std::size_t n = sums.size() - 1;
    std::vector<std::size_t> sizes;
    for (std::size_t m = 1; 2 * m + 1 <= n; m *= 2) sizes.push_back(m);
    std::vector<double> totals(sizes.size(), 0.0);
    for (std::size_t from = 0; from < n; from += kBlock) {
        for (std::size_t j = 0; j < sizes.size(); ++j) {
            const std::size_t terms = n - 2 * sizes[j];
            if (from >= terms) break;  // larger clusters have fewer terms still
            totals[j] += squaredSecondDifferences(sums.data(), sizes[j], from, std::min(from + kBlock, terms));
        }
    }
    for (std::size_t j = 0; j < sizes.size(); ++j) {
        const auto m = static_cast<double>(sizes[j]);
        AllanPoint p;
        p.m = sizes[j];
        p.tau = m * tau0;
        // theta carries tau0 in every term, so tau0 cancels against tau = m tau0.
        p.sigma = std::abs(unitsPerCount) * std::sqrt(totals[j] / (2.0 * m * m * static_cast<double>(n - 2 * sizes[j])));
        p.dof = static_cast<double>(n) / m - 1.0;
        const Interval band = deviationInterval(p.sigma, p.dof);
        p.lower = band.lower;
        p.upper = band.upper;
        curve.push_back(p);
    }
    return curve;
}

}  // namespace vesko
