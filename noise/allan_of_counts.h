// Overlapping Allan deviation straight from packed counts, without the whole run's running sums in memory.
#pragma once

#include <cstddef>

#include "allan_curve.h"
#include "packed_column.h"

namespace vesko {

// Start points taken at a time for every cluster size (see below).
inline constexpr std::size_t kCountBlock = std::size_t{1} << 16;

// overlappingAllan on the running sums of counts[first, first + samples),
// with the same figures to the bit. The running sums are rebuilt block by
// block of `block` start points: one stretch of 2 block + 1 sums serves
// every cluster size up to half a block, and each larger size reads its
// second and third points from stretches of its own that follow the block.
// Memory is some 8 (2 + 1.5 log2(samples / block)) block bytes, whatever
// the length of the run.
AllanCurve overlappingAllan(const PackedColumn& counts, std::size_t first, std::size_t samples, double tau0,
                            double unitsPerCount, const AllanSettings& settings = {},
                            std::size_t block = kCountBlock);

}  // namespace vesko
