// Reads N, B and K off an Allan curve, with honest bounds where the curve stops short.
#include "noise_figures.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <limits>
#include <optional>
#include <vector>

#include "deviation_interval.h"

namespace vesko {

namespace {

// A point belongs to a line when its local slope is this close to the
// line's and known well enough to tell: a flank of the curve on its way
// between other slopes must not pass for a region of its own.
constexpr double kSlopeTolerance = 0.1;
constexpr double kMaxSlopeError = 0.2;

// Local log-log slope at point i from its neighbours, and that slope's standard error.
struct Slope { double value; double error; };

Slope localSlope(const AllanCurve& c, std::size_t i) {
    const std::size_t a = i == 0 ? 0 : i - 1;
    const std::size_t b = std::min(i + 1, c.size() - 1);
    if (a == b || c[a].sigma <= 0.0 || c[b].sigma <= 0.0) return {0.0, std::numeric_limits<double>::infinity()};
    const double span = std::log(c[b].tau / c[a].tau);
    const double ea = relativeError(c[a].edf.value);
    const double eb = relativeError(c[b].edf.value);
    return {std::log(c[b].sigma / c[a].sigma) / span, std::sqrt(ea * ea + eb * eb) / span};
}

bool onLine(const Slope& s, double slope) {
    return s.error <= kMaxSlopeError && std::abs(s.value - slope) <= kSlopeTolerance;
}

// Which points of [from, to) lie on a line of the given slope: those in runs
// of at least two neighbours that have it, so that a curve merely passing
// through the slope on its way elsewhere does not count as a region.
std::vector<bool> onLineRegion(const AllanCurve& c, std::size_t from, std::size_t to, double slope) {
    std::vector<bool> keep(c.size(), false);
    for (std::size_t i = from; i < to; ++i) keep[i] = c[i].sigma > 0.0 && onLine(localSlope(c, i), slope);
    for (std::size_t i = from; i < to; ++i) {
        const bool before = i > from && keep[i - 1];
        const bool after = i + 1 < to && keep[i + 1];
        if (!before && !after) keep[i] = false;
    }
    return keep;
}

// The line of the given slope through the points in [from, to) that have it,
// read at tauRead. Each point's error counts its statistics and how far its
// slope is off; the points share data, so the figure keeps the error of the
// best one rather than pooling them as if independent.
bool fitLine(const AllanCurve& c, std::size_t from, std::size_t to, double slope, double tauRead, double z,
             NoiseFigure& out) {
    const std::vector<bool> keep = onLineRegion(c, from, to, slope);
    double weights = 0.0;
    double sum = 0.0;
    double best = std::numeric_limits<double>::infinity();
    for (std::size_t i = from; i < to; ++i) {
        if (!keep[i]) continue;
        const Slope s = localSlope(c, i);
        const double e2 = 1.0 / (2.0 * c[i].edf.value) + (s.value - slope) * (s.value - slope);
        weights += 1.0 / e2;
        sum += std::log(c[i].sigma * std::pow(tauRead / c[i].tau, slope)) / e2;
        best = std::min(best, std::sqrt(e2));
    }
    if (weights <= 0.0) return false;
    out.measured = true;
    out.tau = tauRead;
    out.value = std::exp(sum / weights);
    out.lower = out.value * std::exp(-z * best);
    out.upper = out.value * std::exp(z * best);
    return true;
}

// Every noise term lies under the whole curve: sigma(tau) >= line(tau), so the
// line read at tauRead is at most min upper(tau) * (tauRead/tau)^slope.
NoiseFigure lineBound(const AllanCurve& c, double slope, double tauRead) {
    NoiseFigure f;
    f.tau = tauRead;
    f.value = std::numeric_limits<double>::infinity();
    for (const AllanPoint& p : c) f.value = std::min(f.value, p.upper * std::pow(tauRead / p.tau, slope));
    f.upper = f.value;
    return f;
}

NoiseFigure fromPoint(const AllanPoint& p, double scale) {
    return {true, p.sigma * scale, p.lower * scale, p.upper * scale, p.tau};
}

// The minimum counts as reached once a later point lies clearly above it.
bool minimumReached(const AllanCurve& c, std::size_t low) {
    for (std::size_t j = low + 1; j < c.size(); ++j) {
        if (c[j].lower > c[low].upper) return true;
    }
    return false;
}

// The floor: the lowest point that the curve clearly rises from afterwards.
// A lower point at the far end, where clusters are few, does not count.
std::optional<std::size_t> reachedMinimum(const AllanCurve& c) {
    std::optional<std::size_t> best;
    for (std::size_t i = 0; i < c.size(); ++i) {
        if ((!best || c[i].sigma < c[*best].sigma) && minimumReached(c, i)) best = i;
    }
    return best;
}

// Not reached: every point bounds the floor from above, the tightest one most.
NoiseFigure floorBound(const AllanCurve& c, double scale) {
    const auto tightest = std::min_element(c.begin(), c.end(),
                                           [](const AllanPoint& a, const AllanPoint& b) { return a.upper < b.upper; });
    return {false, tightest->upper * scale, 0.0, tightest->upper * scale, tightest->tau};
}

}  // namespace

AllanCurve figurePoints(const AllanCurve& curve, TauGrid grid) {
    if (grid != TauGrid::all) return curve;
    AllanCurve octaves;
    for (const AllanPoint& p : curve) {
        if (std::has_single_bit(p.m)) octaves.push_back(p);
    }
    return octaves;
}

NoiseFigures readNoiseFigures(const AllanCurve& curve, double confidence) {
    NoiseFigures f;
    const double z = twoSidedNormalQuantile(confidence);
    if (curve.empty()) {
        f.white = f.instability = f.rawMinimum = f.rateWalk = lineBound(curve, 0.0, 0.0);
        return f;
    }
    const std::optional<std::size_t> low = reachedMinimum(curve);
    if (low) {
        f.rawMinimum = fromPoint(curve[*low], 1.0);
        f.instability = fromPoint(curve[*low], 1.0 / kFlickerFloorFactor);
    } else {
        f.rawMinimum = floorBound(curve, 1.0);
        f.instability = floorBound(curve, 1.0 / kFlickerFloorFactor);
    }
    // N is read before the floor, K after it; with no floor the curve is all descent.
    if (!fitLine(curve, 0, low ? *low + 1 : curve.size(), -0.5, 1.0, z, f.white)) f.white = lineBound(curve, -0.5, 1.0);
    if (!low || !fitLine(curve, *low + 1, curve.size(), 0.5, 3.0, z, f.rateWalk)) {
        f.rateWalk = lineBound(curve, 0.5, 3.0);
    }
    return f;
}

}  // namespace vesko
