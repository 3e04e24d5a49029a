// Draws the check's three pictures with the project's panels.
#include "check_figures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "plot_frame.h"
#include "printf_string.h"
#include "rest_estimate.h"

namespace vesko {

namespace {

constexpr double kWidth = 1000.0;
constexpr double kLeft = 110.0;
constexpr double kPanelWidth = 690.0;  // the legend stands to the right, off the data
constexpr double kTop = 50.0;
constexpr double kMarkRadius = 4.5;

// One colour per IMU axis, as in the lab's other pictures.
constexpr std::array<std::string_view, 3> kAxisColours{"#d62728", "#2ca02c", "#1f77b4"};
constexpr std::array<const char*, 3> kAxisNames{"x", "y", "z"};
constexpr std::string_view kBandFill = "#dcdcdc";
constexpr std::string_view kReferenceColour = "#000000";
constexpr std::string_view kReferenceDash = "6 4";

// A picture that says why there is nothing to draw.
std::string nothingToDraw(const std::string& why) {
    SvgWriter svg(kWidth, 60.0);
    svg.text({kWidth / 2.0, 36.0}, why, {16.0, SvgAnchor::middle, "#555555"}, "not-measured");
    return svg.finish();
}

// The band between two values across the whole panel.
void band(SvgWriter& svg, const Panel& p, double from, double to) {
    const double top = p.y.toPixel(std::max(from, to));
    svg.rect({p.left, top}, p.width, p.y.toPixel(std::min(from, to)) - top, kBandFill, {"none", 0.0});
}

void level(SvgWriter& svg, const Panel& p, double value, std::string_view cssClass) {
    svg.line({p.left, p.y.toPixel(value)}, {p.left + p.width, p.y.toPixel(value)},
             {kReferenceColour, 1.5, kReferenceDash}, cssClass);
}

// Symmetric about `centre`, wide enough for the band (three times it) and every value.
PlotScale scaleAround(double centre, double halfBand, const std::vector<double>& values, double pixelLo,
                      double pixelHi) {
    double half = 3.0 * halfBand;
    for (const double v : values) half = std::max(half, 1.15 * std::fabs(v - centre));
    if (!(half > 0.0)) half = 1.0;
    return linearScale(centre - half, centre + half, pixelLo, pixelHi);
}

Panel categoryPanel(std::size_t categories, double top, double height, PlotScale y) {
    return {kLeft, top, kPanelWidth, height, {0.0, static_cast<double>(categories), false, kLeft, kLeft + kPanelWidth},
            y};
}

void restPanel(SvgWriter& svg, const CheckResults& r, std::size_t axis, const std::vector<double>& times,
               double top, double height) {
    const double bias = r.restResult.gyroBias[axis];
    const double noise = r.restResult.gyroNoise[axis];
    std::vector<double> means;
    for (const SampleStats& b : r.restBlocks) means.push_back(b.gyroMean()[axis]);
    const Panel p{kLeft, top, kPanelWidth, height,
                  linearScale(0.0, times.back() + r.restBlocks.back().seconds / 2.0, kLeft, kLeft + kPanelWidth),
                  scaleAround(bias, noise, means, top + height, top)};
    svg.beginGroup(std::string("rest-") + kAxisNames[axis]);
    band(svg, p, bias - noise, bias + noise);
    const std::string title = printfString("gyro %s: bias %+.2f counts, noise %.2f counts sd", kAxisNames[axis],
                                           bias, noise);
    drawPanelFrame(svg, p, {title, axis == 2 ? "device time since the rest began, s" : "", "counts"});
    level(svg, p, bias, "bias");
    std::vector<SvgPoint> points;
    for (std::size_t k = 0; k < means.size(); ++k) points.push_back(p.at(times[k], means[k]));
    svg.polyline(points, {kAxisColours[axis], 1.5}, "block-means", "0.2 s block means");
    svg.endGroup();
}

// The gravity the mounting predicts on `face`: +1 g on the IMU axis it puts up, 0 on the others.
Axes3 expectedGravity(const ImuCalibration& calibration, HeadsetFace face) {
    const SignedAxis up = predictedUpAxis(calibration, face);
    Axes3 g{};
    g[static_cast<std::size_t>(up.axis)] = up.sign;
    return g;
}

double categoryOf(HeadsetFace face) {
    return static_cast<double>(std::find(kSixFaces.begin(), kSixFaces.end(), face) - kSixFaces.begin());
}

void faceMarks(SvgWriter& svg, const Panel& p, double centre, const Axes3& values, const Axes3& expected) {
    for (std::size_t a = 0; a < 3; ++a) {
        const double x = centre + (static_cast<double>(a) - 1.0) * 0.22;
        const double tick = p.x.toPixel(x + 0.08) - p.x.toPixel(x);
        const SvgPoint at = p.at(x, values[a]);
        svg.line({at.x - tick, p.y.toPixel(expected[a])}, {at.x + tick, p.y.toPixel(expected[a])},
                 {kReferenceColour, 2.0}, "expected");
        svg.circle(at, kMarkRadius, kAxisColours[a]);
    }
}

std::vector<std::string> faceLabels() {
    std::vector<std::string> labels;
    for (const HeadsetFace f : kSixFaces) labels.emplace_back(faceName(f));
    return labels;
}

std::vector<LegendEntry> axisLegend() {
    std::vector<LegendEntry> legend;
    for (std::size_t a = 0; a < 3; ++a) legend.push_back({std::string("IMU ") + kAxisNames[a], std::string(kAxisColours[a]), ""});
    legend.push_back({"expected", std::string(kReferenceColour), ""});
    return legend;
}

}  // namespace

std::string restFigure(const CheckResults& r) {
    if (r.rest != StepOutcome::done || r.restBlocks.empty()) return nothingToDraw("The rest step was skipped: nothing measured.");
    std::vector<double> times;  // the middle of each block
    double at = 0.0;
    for (const SampleStats& b : r.restBlocks) {
        times.push_back(at + b.seconds / 2.0);
        at += b.seconds;
    }
    constexpr double kHeight = 120.0;
    constexpr double kStep = kHeight + 60.0;
    SvgWriter svg(kWidth, kTop + 3.0 * kStep + 10.0);
    for (std::size_t axis = 0; axis < 3; ++axis) restPanel(svg, r, axis, times, kTop + axis * kStep, kHeight);
    const std::array<LegendEntry, 3> legend{LegendEntry{"0.2 s block means", "#555555", ""},
                                            LegendEntry{"bias (the rest mean)", std::string(kReferenceColour), std::string(kReferenceDash)},
                                            LegendEntry{"noise: bias ± 1 sd", std::string(kBandFill), ""}};
    drawLegend(svg, {kWidth - 6.0, kTop}, legend);
    return svg.finish();
}

std::string sixPositionFigure(const CheckResults& r, const ImuCalibration& calibration, const BenchLimits& limits) {
    if (r.sixPositions != StepOutcome::done || r.faces.empty()) {
        return nothingToDraw(r.mountingSkipReason.empty() ? "The six positions were skipped: nothing measured."
                                                          : "Six positions skipped: " + r.mountingSkipReason);
    }
    std::vector<double> deviations;  // mg
    for (const FaceMeasurement& m : r.faces) {
        const Axes3 g = calibratedAcc(m.accRaw, calibration);
        const Axes3 e = expectedGravity(calibration, m.face);
        for (std::size_t a = 0; a < 3; ++a) deviations.push_back((g[a] - e[a]) * 1000.0);
    }
    constexpr double kGravityTop = kTop;
    constexpr double kGravityHeight = 220.0;
    constexpr double kDeviationTop = kGravityTop + kGravityHeight + 80.0;
    constexpr double kDeviationHeight = 180.0;
    SvgWriter svg(kWidth, kDeviationTop + kDeviationHeight + 60.0);
    const std::vector<std::string> labels = faceLabels();
    const Panel gravity = categoryPanel(labels.size(), kGravityTop, kGravityHeight,
                                        linearScale(-1.2, 1.2, kGravityTop + kGravityHeight, kGravityTop));
    const Panel deviation = categoryPanel(labels.size(), kDeviationTop, kDeviationHeight,
                                          scaleAround(0.0, limits.accBiasMilliG, deviations,
                                                      kDeviationTop + kDeviationHeight, kDeviationTop));
    drawCategoryFrame(svg, gravity, {"gravity per face, through the configuration's calibration", "", "g"}, labels);
    band(svg, deviation, -limits.accBiasMilliG, limits.accBiasMilliG);
    drawCategoryFrame(svg, deviation,
                      {printfString("measured minus expected; band: the acc_bias limit, \u00b1%g mg", limits.accBiasMilliG),
                       "the face down on the bench", "mg"},
                      labels);
    level(svg, deviation, 0.0, "zero");
    std::size_t k = 0;
    for (const FaceMeasurement& m : r.faces) {
        const double centre = categoryOf(m.face) + 0.5;
        const Axes3 g = calibratedAcc(m.accRaw, calibration);
        svg.beginGroup("face", faceName(m.face));
        faceMarks(svg, gravity, centre, g, expectedGravity(calibration, m.face));
        faceMarks(svg, deviation, centre, {deviations[k], deviations[k + 1], deviations[k + 2]}, {});
        svg.endGroup();
        k += 3;
    }
    drawLegend(svg, {kWidth - 6.0, kGravityTop}, axisLegend());
    return svg.finish();
}

std::string turnFigure(const CheckResults& r, const CheckSettings& settings, const BenchLimits& limits) {
    if (r.gyroScale != StepOutcome::done || r.turnAngles.empty()) return nothingToDraw("The turns were skipped: nothing measured.");
    const double known = settings.turnDegrees;
    const double halfBand = known * limits.gyroScalePercent / 100.0;
    std::vector<double> angles;
    std::vector<std::string> labels;
    for (std::size_t i = 0; i < r.turnAngles.size(); ++i) {
        // Each turn against the stop it was asked for; one read the wrong way round falls below zero.
        angles.push_back(r.turnAngles[i] * known / knownTurnDegrees(static_cast<int>(i), known));
        labels.push_back(printfString("turn %d (%s)", static_cast<int>(i) + 1, i % 2 == 0 ? "left" : "back right"));
    }
    constexpr double kHeight = 200.0;
    SvgWriter svg(kWidth, kTop + kHeight + 60.0);
    const Panel p = categoryPanel(labels.size(), kTop, kHeight, scaleAround(known, halfBand, angles, kTop + kHeight, kTop));
    band(svg, p, known - halfBand, known + halfBand);
    drawCategoryFrame(svg, p,
                      {printfString("turned angle against the known %g\u00b0; band: \u00b1%g %%", known,
                                    limits.gyroScalePercent),
                       "", "degrees"},
                      labels);
    level(svg, p, known, "known");
    for (std::size_t i = 0; i < angles.size(); ++i) {
        const SvgPoint at = p.at(static_cast<double>(i) + 0.5, angles[i]);
        svg.circle(at, kMarkRadius + 1.0, "#333333");
        svg.text({at.x + 10.0, at.y + 5.0}, printfString("%.2f\u00b0", angles[i]), {13.0}, "turn-angle");
    }
    const std::array<LegendEntry, 3> legend{
        LegendEntry{"turned angle", "#333333", ""},
        LegendEntry{"known angle", std::string(kReferenceColour), std::string(kReferenceDash)},
        LegendEntry{printfString("limit: \u00b1%g %%", limits.gyroScalePercent), std::string(kBandFill), ""}};
    drawLegend(svg, {kWidth - 6.0, kTop}, legend);
    return svg.finish();
}

}  // namespace vesko
