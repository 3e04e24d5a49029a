// Sums of squared second differences of running sums: the inner loop of the Allan variance.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vesko {

// Over k in [from, to): (theta[k+2m] - 2 theta[k+m] + theta[k])^2. Each
// difference is exact (it must stay below 2^51 in size); only the squares are
// summed in floating point. Uses four lanes where the processor has AVX2, two
// with SSE2, one otherwise; the order of the additions differs between them.
double squaredSecondDifferences(const std::int64_t* theta, std::size_t m, std::size_t from, std::size_t to);

}  // namespace vesko
