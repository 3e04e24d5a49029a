// Overlapping Allan deviation on the octave grid, from exact integer sums of raw counts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "imu_axis.h"

namespace vesko {

struct AllanPoint {
    std::uint64_t m = 0;  // cluster size in samples
    double tau = 0.0;     // s
    double sigma = 0.0;   // deviation, in the unit one count was scaled to
    double lower = 0.0;   // 95 % interval of sigma; upper may be +infinity
    double upper = 0.0;
    double dof = 0.0;     // independent clusters less one: N/m - 1
};

using AllanCurve = std::vector<AllanPoint>;

// sums[k] = sum of the counts of the first k samples on `axis`, k = 0..N.
// Reuses the vector's storage.
void cumulativeCounts(std::span<const ImuSample> samples, ImuAxis axis, std::vector<std::int64_t>& sums);

// The overlapping Allan deviation at m = 1, 2, 4, ... while m <= (N-1)/2, for
// N = sums.size() - 1 samples taken tau0 seconds apart, one count being
// `unitsPerCount`. The second differences stay integers; only their squares
// are summed in floating point.
AllanCurve overlappingAllan(std::span<const std::int64_t> sums, double tau0, double unitsPerCount);

}  // namespace vesko
