// Overlapping Allan deviation: every cluster size of the grid in one blocked pass over exact sums.
#include "allan_curve.h"

#include <algorithm>
#include <cmath>
#include <optional>

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

std::vector<PhaseAutocorrelation> noiseIdentifiers(const std::vector<std::size_t>& sizes, std::size_t samples) {
    std::vector<PhaseAutocorrelation> noise;
    for (const std::size_t m : sizes) {
        if (samples / m >= kLeastAveragesForAutocorrelation) noise.emplace_back(m, samples);
    }
    return noise;
}

AllanCurve curveOfSums(const std::vector<std::size_t>& sizes, const std::vector<WideSum>& totals,
                       const std::vector<PhaseAutocorrelation>& noise, std::size_t samples, double tau0,
                       double unitsPerCount, double confidence) {
    AllanCurve curve;
    for (std::size_t j = 0; j < sizes.size(); ++j) {
        const auto m = static_cast<double>(sizes[j]);
        AllanPoint p;
        p.m = sizes[j];
        p.tau = m * tau0;
        p.terms = samples - 2 * sizes[j] + 1;
        // theta carries tau0 in every term, so tau0 cancels against tau = m tau0.
        p.sigma = std::abs(unitsPerCount) * std::sqrt(toDouble(totals[j]) / (2.0 * m * m * static_cast<double>(p.terms)));
        if (j < noise.size()) {
            if (const std::optional<NoiseType> type = noise[j].noise()) {
                p.noise = *type;
                p.noiseEvidence = NoiseEvidence::autocorrelation;
            }
        }
        curve.push_back(p);
    }
    attachIntervals(curve, samples, confidence);
    return curve;
}

AllanCurve overlappingAllan(std::span<const std::int64_t> sums, double tau0, double unitsPerCount,
                            const AllanSettings& settings) {
    if (sums.size() < 2) return {};
    const std::size_t n = sums.size() - 1;
    const std::vector<std::size_t> sizes = clusterSizes(settings.taus, n);
    std::vector<WideSum> totals(sizes.size());
    std::vector<PhaseAutocorrelation> noise = noiseIdentifiers(sizes, n);
    for (std::size_t from = 0; from <= n; from += kBlock) {
        const std::size_t to = std::min(from + kBlock, n + 1);
        for (std::size_t j = 0; j < sizes.size(); ++j) {
            const std::size_t terms = n - 2 * sizes[j] + 1;
            if (from >= terms) break;  // larger clusters have fewer terms still
            totals[j].add(squaredSecondDifferences(sums.data(), sizes[j], from, std::min(to, terms)));
        }
        for (PhaseAutocorrelation& identifier : noise) identifier.takeUpTo(sums, to);
    }
    return curveOfSums(sizes, totals, noise, n, tau0, unitsPerCount, settings.confidence);
}

}  // namespace vesko
