// Overlapping Allan deviation on a tau grid, from exact integer sums of raw counts, with honest intervals.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "allan_edf.h"
#include "deviation_interval.h"
#include "imu_axis.h"
#include "noise_type.h"
#include "tau_grid.h"
#include "wide_sum.h"

namespace vesko {

struct AllanPoint {
    std::uint64_t m = 0;      // cluster size in samples
    double tau = 0.0;         // s
    double sigma = 0.0;       // deviation, in the unit one count was scaled to
    std::uint64_t terms = 0;  // second differences averaged: N - 2m + 1 for N samples
    NoiseType noise = NoiseType::whiteFm;  // the noise that dominates here
    NoiseEvidence noiseEvidence = NoiseEvidence::assumed;
    EquivalentDof edf;        // of sigma^2, for that noise
    double lower = 0.0;       // interval of sigma at the settings' confidence; upper may be +infinity
    double upper = 0.0;
};

using AllanCurve = std::vector<AllanPoint>;

struct AllanSettings {
    TauGrid taus = TauGrid::octave;
    double confidence = kDefaultConfidence;  // of every interval, 0 < confidence < 1
};

// sums[k] = sum of the counts of the first k samples on `axis`, k = 0..N.
// Reuses the vector's storage.
void cumulativeCounts(std::span<const ImuSample> samples, ImuAxis axis, std::vector<std::int64_t>& sums);

// The overlapping Allan deviation at the grid's cluster sizes for
// N = sums.size() - 1 samples taken tau0 seconds apart, one count being
// `unitsPerCount`: sigma^2(m tau0) = sum over k = 0 .. N - 2m of
// (theta[k+2m] - 2 theta[k+m] + theta[k])^2 / (2 (m tau0)^2 (N - 2m + 1)), with
// theta the running sums times tau0. The sums of squares are exact integers;
// each point carries its noise type, EDF and interval.
AllanCurve overlappingAllan(std::span<const std::int64_t> sums, double tau0, double unitsPerCount,
                            const AllanSettings& settings = {});

// The parts of overlappingAllan that every way of taking the sums shares:
// the noise identifiers of the sizes with enough averages (the first ones),
// and the curve from the exact sum of squared second differences at each size.
std::vector<PhaseAutocorrelation> noiseIdentifiers(const std::vector<std::size_t>& sizes, std::size_t samples);
AllanCurve curveOfSums(const std::vector<std::size_t>& sizes, const std::vector<WideSum>& totals,
                       const std::vector<PhaseAutocorrelation>& noise, std::size_t samples, double tau0,
                       double unitsPerCount, double confidence);

// The points around point i that its local slope is read between: the
// nearest at least a factor of two away in tau on either side (i itself at
// the curve's ends), so that a dense grid does not read its slope off
// neighbours a sample apart.
std::pair<std::size_t, std::size_t> slopeNeighbours(const AllanCurve& curve, std::size_t i);

// Gives each point of a curve from `samples` samples its EDF and interval at
// `confidence`, for its noise type: the one the data told (noiseEvidence
// autocorrelation), else the one the local slope of the curve gives.
void attachIntervals(AllanCurve& curve, std::size_t samples, double confidence);

}  // namespace vesko
