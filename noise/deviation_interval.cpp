// Chi-square interval of an Allan deviation.
#include "deviation_interval.h"

#include <cmath>
#include <limits>

namespace vesko {

namespace {

constexpr double kZ95 = 1.959963984540054;  // two-sided 95 % normal quantile

// chi-square quantile over dof, for the normal quantile z.
double chiSquareRatio(double dof, double z) noexcept {
    const double v = 2.0 / (9.0 * dof);
    const double root = 1.0 - v + z * std::sqrt(v);
    return root > 0.0 ? root * root * root : 0.0;
}

}  // namespace

double relativeError(double dof) noexcept {
    return dof > 0.0 ? 1.0 / std::sqrt(2.0 * dof) : std::numeric_limits<double>::infinity();
}

Interval deviationInterval(double sigma, double dof) noexcept {
    constexpr double inf = std::numeric_limits<double>::infinity();
    if (!(dof > 0.0)) return {0.0, inf};
    const double low = chiSquareRatio(dof, kZ95);
    const double high = chiSquareRatio(dof, -kZ95);
    return {sigma / std::sqrt(low), high > 0.0 ? sigma / std::sqrt(high) : inf};
}

}  // namespace vesko
