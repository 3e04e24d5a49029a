// Chi-square interval of an Allan deviation, from Boost.Math's exact quantiles.
#include "deviation_interval.h"

#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/normal.hpp>
#include <cmath>
#include <limits>

namespace vesko {

namespace {

// Out-of-range results come back as infinities or NaN instead of exceptions.
using NoThrow = boost::math::policies::policy<
    boost::math::policies::domain_error<boost::math::policies::ignore_error>,
    boost::math::policies::overflow_error<boost::math::policies::ignore_error>,
    boost::math::policies::underflow_error<boost::math::policies::ignore_error>,
    boost::math::policies::evaluation_error<boost::math::policies::ignore_error>>;

constexpr double kInfinity = std::numeric_limits<double>::infinity();

bool isProbability(double p) noexcept { return p > 0.0 && p < 1.0; }

}  // namespace

Interval deviationInterval(double sigma, double edf, double confidence) noexcept {
    if (!(edf > 0.0) || !std::isfinite(edf) || !isProbability(confidence)) return {0.0, kInfinity};
    const boost::math::chi_squared_distribution<double, NoThrow> chi2(edf);
    const double tail = (1.0 - confidence) / 2.0;
    const double high = boost::math::quantile(chi2, 1.0 - tail);
    const double low = boost::math::quantile(chi2, tail);
    const double lower = high > 0.0 && std::isfinite(high) ? sigma * std::sqrt(edf / high) : 0.0;
    const double upper = low > 0.0 && std::isfinite(low) ? sigma * std::sqrt(edf / low) : kInfinity;
    return {lower, upper};
}

double twoSidedNormalQuantile(double confidence) noexcept {
    if (!isProbability(confidence)) return kInfinity;
    const boost::math::normal_distribution<double, NoThrow> normal;
    return boost::math::quantile(normal, 0.5 + confidence / 2.0);
}

double relativeError(double edf) noexcept { return edf > 0.0 ? 1.0 / std::sqrt(2.0 * edf) : kInfinity; }

}  // namespace vesko
