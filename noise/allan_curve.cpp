// Overlapping Allan deviation: every cluster size of the grid in one blocked pass.
#include "allan_curve.h"

#include <algorithm>
#include <cmath>

#include "deviation_interval.h"
#include "second_differences.h"

namespace vesko {

namespace {

// Sums for 2^16 start points at a time are taken for all cluster sizes before
// moving on, so the shared stretches of the running sums are read from cache
// rather than memory once per size.
constexpr std::size_t kBlock = std::size_t{1} << 16;

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
