// 95 % interval of an Allan deviation estimated from a given number of degrees of freedom.
#pragma once

namespace vesko {

struct Interval {
    double lower = 0.0;
    double upper = 0.0;  // +infinity when the data cannot bound it from above
};

// The estimate's square times dof is taken as chi-square with `dof` degrees of
// freedom; quantiles by the Wilson-Hilferty cube-root approximation.
Interval deviationInterval(double sigma, double dof) noexcept;

// The relative standard error of a deviation estimated with `dof` degrees of freedom.
double relativeError(double dof) noexcept;

}  // namespace vesko
