// Confidence interval of an Allan deviation estimated with a given number of degrees of freedom.
#pragma once

namespace vesko {

inline constexpr double kDefaultConfidence = 0.95;

struct Interval {
    double lower = 0.0;
    double upper = 0.0;  // +infinity when the data cannot bound it from above
};

// The estimate's square times edf is taken as chi-square with `edf` degrees
// of freedom (fractional ones included), and the two-sided interval of
// probability `confidence` (0 < confidence < 1) is read from its exact quantiles.
Interval deviationInterval(double sigma, double edf, double confidence) noexcept;

// z with P(|Z| <= z) = confidence for a standard normal Z.
double twoSidedNormalQuantile(double confidence) noexcept;

// The relative standard error of a deviation estimated with `edf` degrees of freedom.
double relativeError(double edf) noexcept;

}  // namespace vesko
