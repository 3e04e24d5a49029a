// Draws the Allan curves, their error bars, the fitted lines and the B level.
#include "allan_picture.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

#include "allan_units.h"
#include "panel_column.h"

namespace vesko {

namespace {

constexpr double kPanelHeight = 420.0;

// One colour per axis component, the same in both panels.
constexpr std::array<std::string_view, 3> kAxisColours{"#d62728", "#2ca02c", "#1f77b4"};
constexpr std::string_view kWhiteDash = "8 4";
constexpr std::string_view kWalkDash = "2 3";
constexpr std::string_view kFloorDash = "12 3 3 3";

std::string formatted(const char* format, double value, std::string_view unit) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return std::string(buffer) + std::string(unit);
}

struct Range {
    double lo = std::numeric_limits<double>::infinity();
    double hi = 0.0;
    void take(double v) {
        if (v > 0.0 && std::isfinite(v)) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    }
    bool empty() const { return !(hi > 0.0); }
};

// Decades around every axis's points and intervals (a far upper bound is cut off at ten times sigma).
Panel panelFor(const NoiseAnalysis& a, std::size_t first, double top) {
    Range tau;
    Range sigma;
    for (std::size_t i = first; i < first + 3; ++i) {
        for (const AllanPoint& p : a.axes[i].curve) {
            tau.take(p.tau);
            sigma.take(p.sigma);
            sigma.take(p.lower);
            sigma.take(std::min(p.upper, 10.0 * p.sigma));
        }
    }
    if (tau.empty()) tau = {0.001, 1.0};
    if (sigma.empty()) sigma = {1e-3, 1.0};
    return columnPanel(top, kPanelHeight, {tau.lo, tau.hi}, {sigma.lo, sigma.hi}, PanelScales::decades);
}

// A curve at every tau gets its bars and dots at the octaves only: tens of
// thousands of them would hide the curve and swell the file.
void drawCurve(SvgWriter& svg, const Panel& panel, const AxisNoise& axis, TauGrid grid, std::string_view colour) {
    std::vector<SvgPoint> points;
    for (const AllanPoint& p : axis.curve) {
        const SvgPoint at = panel.at(p.tau, p.sigma);
        points.push_back(at);
        if (grid == TauGrid::all && !std::has_single_bit(p.m)) continue;
        const double top = std::isfinite(p.upper) ? p.upper : panel.y.hi;
        svg.line(panel.at(p.tau, p.lower), panel.at(p.tau, top), {colour, 1.0}, "error-bar");
        svg.circle(at, 2.5, colour);
    }
    svg.polyline(points, {colour, 1.8}, "curve", axisName(axis.axis));
}

// The line sigma = value * (tau / tauRead)^slope between two taus.
void drawFit(SvgWriter& svg, const Panel& panel, const NoiseFigure& f, double slope, double from, double to,
             std::string_view colour, std::string_view dash, std::string_view cssClass) {
    if (!f.measured || !(to > from)) return;
    std::vector<SvgPoint> points;
    for (const double tau : {from, to}) points.push_back(panel.at(tau, f.value * std::pow(tau / f.tau, slope)));
    svg.polyline(points, {colour, 1.5, dash}, cssClass);
}

// Labels of the three axes stand one above another, not on top of each other.
void drawFloor(SvgWriter& svg, const Panel& panel, const AxisNoise& axis, std::size_t component,
               std::string_view colour) {
    const NoiseFigures& f = axis.figures;
    if (!f.instability.measured) return;
    const double level = f.rawMinimum.value;
    const SvgPoint from = panel.at(f.instability.tau / 4.0, level);
    const SvgPoint to = panel.at(f.instability.tau * 4.0, level);
    svg.line(from, to, {colour, 1.5, kFloorDash}, "b-level");
    const FigureUnit& unit = unitsOf(axis.axis).floor;  // as the table gives it
    svg.text({to.x + 4.0, to.y + 4.0 + 13.0 * (static_cast<double>(component) - 1.0)},
             "B " + formatted("%.3g ", f.instability.value * unit.factor, unit.text), {12.0, SvgAnchor::start, colour},
             "b-label");
}

void drawPanel(SvgWriter& svg, const NoiseAnalysis& a, std::size_t first, const Panel& panel) {
    const bool gyro = first == 0;
    drawPanelFrame(svg, panel, {gyro ? "Gyroscope: Allan deviation" : "Accelerometer: Allan deviation",
                                "cluster time τ (s)", gyro ? "σ(τ) (°/s)" : "σ(τ) (g)"});
    for (std::size_t c = 0; c < 3; ++c) {
        const AxisNoise& axis = a.axes[first + c];
        const std::string_view colour = kAxisColours[c];
        svg.beginGroup("axis", axisName(axis.axis));
        drawCurve(svg, panel, axis, a.settings.taus, colour);
        if (axis.curve.empty()) {
            svg.endGroup();
            continue;
        }
        // The fitted lines span the axis's own data, not the whole panel.
        const double tauLo = axis.curve.front().tau;
        const double tauHi = axis.curve.back().tau;
        const NoiseFigures& f = axis.figures;
        const double turn = f.instability.measured ? f.instability.tau : tauHi;
        drawFit(svg, panel, f.white, -0.5, tauLo, turn, colour, kWhiteDash, "fit-white");
        drawFit(svg, panel, f.rateWalk, 0.5, turn, tauHi, colour, kWalkDash, "fit-rate-walk");
        drawFloor(svg, panel, axis, c, colour);
        svg.endGroup();
    }
    // An axis that never changed has no curve: its entry says why.
    const auto axisEntry = [&](std::size_t c) {
        const AxisNoise& axis = a.axes[first + c];
        return LegendEntry{std::string(axisName(axis.axis)) + (axis.neverChanged ? ": never changed" : ""),
                           std::string(kAxisColours[c]), ""};
    };
    const std::vector<LegendEntry> legend{
        axisEntry(0),
        axisEntry(1),
        axisEntry(2),
        {"slope −1/2 fit (N)", "#555555", std::string(kWhiteDash)},
        {"slope +1/2 fit (K)", "#555555", std::string(kWalkDash)},
        {"B level (minimum)", "#555555", std::string(kFloorDash)},
    };
    // Bottom left: an Allan curve never goes there (short clusters are the noisiest).
    drawLegend(svg, {panel.left + 8.0 + 190.0, panel.top + panel.height - 8.0 - 18.0 * 6.0 - 8.0}, legend);
}

}  // namespace

std::string allanPicture(const NoiseAnalysis& analysis) {
    const Panel gyro = panelFor(analysis, 0, kFirstPanelTop);
    const Panel acc = panelFor(analysis, 3, nextPanelTop(gyro));
    SvgWriter svg(kPictureWidth, pictureHeight(acc));
    drawPanel(svg, analysis, 0, gyro);
    drawPanel(svg, analysis, 3, acc);
    return svg.finish();
}

}  // namespace vesko
