// Sums of squared second differences of running sums: the inner loop of the Allan variance.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "wide_sum.h"

namespace vesko {

// Over k in [from, to): the exact sum of (theta[k+2m] - 2 theta[k+m] + theta[k])^2.
// Each difference must fit 64 bits, which running sums of 16-bit counts always
// do. A pass over a stretch of the running sums, so that a caller holding only
// a window of them can take the sum piece by piece. Uses the widest lanes the
// processor has; every path gives the same sum.
WideSum squaredSecondDifferences(const std::int64_t* theta, std::size_t m, std::size_t from, std::size_t to);

// The same sum over i < count of (at2M[i] - 2 atM[i] + at0[i])^2, for a
// caller that holds the running sums at k, k + m and k + 2m as three
// separate stretches rather than one array.
WideSum squaredSecondDifferences(const std::int64_t* at0, const std::int64_t* atM, const std::int64_t* at2M,
                                 std::size_t count);

// The ways this build and processor can take the sum, the scalar loop first.
enum class LanePath { scalar, sse2, avx2 };
std::vector<LanePath> availableLanePaths();
WideSum squaredSecondDifferences(LanePath path, const std::int64_t* theta, std::size_t m, std::size_t from,
                                 std::size_t to);

}  // namespace vesko
