// Noise type, EDF and interval for each point of an Allan curve.
#include <algorithm>
#include <cmath>
#include <optional>

#include "allan_curve.h"

namespace vesko {

namespace {

std::optional<double> slopeAround(const AllanCurve& c, std::size_t i) {
    const auto [a, b] = slopeNeighbours(c, i);
    if (a == b || !(c[a].sigma > 0.0) || !(c[b].sigma > 0.0)) return std::nullopt;
    return std::log(c[b].sigma / c[a].sigma) / std::log(c[b].tau / c[a].tau);
}

}  // namespace

std::pair<std::size_t, std::size_t> slopeNeighbours(const AllanCurve& curve, std::size_t i) {
    std::size_t a = i;
    while (a > 0 && curve[a].tau > curve[i].tau / 2.0) --a;
    std::size_t b = i;
    while (b + 1 < curve.size() && curve[b].tau < curve[i].tau * 2.0) ++b;
    return {a, b};
}

void attachIntervals(AllanCurve& curve, std::size_t samples, double confidence) {
    for (std::size_t i = 0; i < curve.size(); ++i) {
        AllanPoint& p = curve[i];
        if (p.noiseEvidence != NoiseEvidence::autocorrelation) {
            const std::optional<double> slope = slopeAround(curve, i);
            p.noise = slope ? noiseBySlope(*slope) : NoiseType::whiteFm;
            p.noiseEvidence = slope ? NoiseEvidence::slope : NoiseEvidence::assumed;
        }
        p.edf = overlappingAllanEdf(p.noise, p.m, samples);
        const Interval band = deviationInterval(p.sigma, p.edf.value, confidence);
        p.lower = band.lower;
        p.upper = band.upper;
    }
}

}  // namespace vesko
