// Equivalent degrees of freedom of the overlapping Allan variance, by noise type.
#pragma once

#include <cstddef>

#include "noise_type.h"

namespace vesko {

enum class EdfMethod {
    greenhall,    // Greenhall and Riley's algorithm for finite-difference variances (2003)
    approximate,  // the older closed forms (Howe, Allan and Barnes, 1981), where that algorithm loses precision
};

struct EquivalentDof {
    double value = 0.0;
    EdfMethod method = EdfMethod::greenhall;
};

// The EDF of the overlapping Allan variance at cluster size m from `samples`
// uniform samples (samples + 1 phase points, samples - 2m + 1 second
// differences; needs 2m < samples), for the given noise type.
//
// Running sums of the counts are the angle at each sample instant, not an
// average over the sample period: for the FM types the phase is taken as
// sampled, which gives the exact EDF for white FM at every m (a counter's
// averaged phase, the usual assumption at small m, would claim 17 % more at
// m = 1). The PM types follow the algorithm as published.
EquivalentDof overlappingAllanEdf(NoiseType noise, std::size_t m, std::size_t samples);

// The older closed forms for the same estimator (NIST SP 1065, Table 12).
double approximateOverlappingAllanEdf(NoiseType noise, std::size_t m, std::size_t samples);

}  // namespace vesko
