// Formats the Allan analysis: the console table and the JSON document.
#include "allan_report.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "allan_kalibr.h"
#include "allan_units.h"

namespace vesko {

namespace {

std::string printf3(const char* format, double a, double b = 0.0, double c = 0.0) {
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, format, a, b, c);
    return buffer;
}

std::string percent(double confidence) { return printf3("%.4g %%", confidence * 100.0); }

// Pads to a width in characters, counting each UTF-8 sequence once.
std::string padded(const std::string& text, std::size_t width) {
    std::size_t chars = 0;
    for (const char c : text) chars += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return text + std::string(chars < width ? width - chars : 1, ' ');
}

std::string axisRow(const AxisNoise& axis, const SensorUnits& u) {
    const std::string name = padded(std::string(axisName(axis.axis)), 15);
    if (axis.neverChanged) return name + std::string(kNeverChangedNote) + "\n";
    const NoiseFigures& f = axis.figures;
    return name + padded(figureCell(f.white, u.white.factor), 24) + padded(figureCell(f.instability, u.floor.factor), 24) +
           padded(printf3("%.3g s", f.instability.tau), 10) + padded(figureCell(f.rawMinimum, u.floor.factor), 24) +
           figureCell(f.rateWalk, u.walk.factor) + "\n";
}

std::string sensorTable(const NoiseAnalysis& a, std::size_t first) {
    const SensorUnits& u = unitsOf(a.axes[first].axis);
    std::string out = padded(first == 0 ? "gyroscope" : "accelerometer", 15) +
                      padded("N " + std::string(u.white.text), 24) + padded("B " + std::string(u.floor.text), 24) +
                      padded("at τ", 10) + padded("minimum " + std::string(u.floor.text), 24) + "K " +
                      std::string(u.walk.text) + "\n";
    for (std::size_t i = first; i < first + 3; ++i) out += axisRow(a.axes[i], u);
    out += padded("  N as density", 15);
    for (std::size_t i = first; i < first + 3; ++i) {
        if (i > first) out += ", ";
        const AxisNoise& axis = a.axes[i];
        if (axis.neverChanged) {
            out += "never changed";
            continue;
        }
        out += printf3("%.3g", axis.figures.white.value * u.whiteDensity.factor);
        if (!axis.figures.white.measured) out += " (bound)";
    }
    return out + " " + std::string(u.whiteDensity.text) + "\n";
}

// Intervals, EDF and fitted figures pass through log, exp and the chi-square
// quantiles, which the C libraries of the targets round differently in the
// last bits; six significant digits (more than any of them means) give every
// target the same document. Sigma comes from exact sums and keeps its digits.
double derived(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.5e", value);
    return std::strtod(text, nullptr);
}

nlohmann::json finiteOrNull(double value) {
    return std::isfinite(value) ? nlohmann::json(derived(value)) : nlohmann::json(nullptr);
}

// A measured figure has its interval; a bound has upper = value and no lower.
nlohmann::json figureJson(const NoiseFigure& f, const FigureUnit& unit) {
    nlohmann::json j{{"measured", f.measured}, {"value", finiteOrNull(f.value * unit.factor)}, {"unit", unit.json},
                     {"tau_s", f.tau}};
    if (f.measured) j["lower"] = derived(f.lower * unit.factor);
    j["upper"] = finiteOrNull(f.upper * unit.factor);
    if (!f.measured) j["bound"] = "upper";
    return j;
}

nlohmann::json pointJson(const AllanPoint& p) {
    return {{"m", p.m},
            {"tau_s", p.tau},
            {"terms", p.terms},
            {"sigma", p.sigma},
            {"lower", derived(p.lower)},
            {"upper", finiteOrNull(p.upper)},
            {"noise", noiseName(p.noise)},
            {"noise_from", evidenceName(p.noiseEvidence)},
            {"edf", derived(p.edf.value)},
            {"edf_from", p.edf.method == EdfMethod::greenhall ? "greenhall" : "approximation"}};
}

nlohmann::json axisJson(const AxisNoise& axis) {
    const SensorUnits& u = unitsOf(axis.axis);
    nlohmann::json curve = nlohmann::json::array();
    for (const AllanPoint& p : axis.curve) curve.push_back(pointJson(p));
    nlohmann::json j{{"axis", axisName(axis.axis)}, {"unit", u.curve}, {"curve", std::move(curve)}};
    if (axis.neverChanged) {
        j["never_changed"] = true;
        j["note"] = kNeverChangedNote;
        j["figures"] = nullptr;
        return j;
    }
    const NoiseFigures& f = axis.figures;
    j["figures"] = {{"n", figureJson(f.white, u.white)},
                    {"n_density", figureJson(f.white, u.whiteDensity)},
                    {"n_si", figureJson(f.white, u.whiteSi)},
                    {"b", figureJson(f.instability, u.floor)},
                    {"raw_minimum", figureJson(f.rawMinimum, u.floor)},
                    {"k", figureJson(f.rateWalk, u.walk)},
                    {"k_si", figureJson(f.rateWalk, u.walkSi)}};
    return j;
}

// How the intervals were made, for a reader of the document alone.
nlohmann::json intervalsJson(const AllanSettings& settings) {
    return {{"confidence", settings.confidence},
            {"quantiles", "chi-square, exact (Boost.Math), at the equivalent degrees of freedom"},
            {"edf", "Greenhall and Riley (2003), overlapping Allan variance, for the noise type at each tau; "
                    "the closed forms of NIST SP 1065 Table 12 where that algorithm loses precision (edf_from)"},
            {"noise", "lag-1 autocorrelation (Riley and Greenhall, 2004) with at least " +
                          std::to_string(kLeastAveragesForAutocorrelation) +
                          " averages, else the local slope of the curve (noise_from)"}};
}

// The noise file's values, each with the axis it is the largest of.
nlohmann::json kalibrJson(const ImuNoiseSi& noise) {
    nlohmann::json j{{"rostopic", kImuTopic}, {"update_rate", {{"value", noise.updateRateHz}, {"unit", "Hz"}}}};
    for (const LargestAxisFigure* v : noise.all()) {
        if (!v->available()) {
            j[v->name] = nullptr;
            continue;
        }
        nlohmann::json figure = figureJson(v->figure(), {1.0, v->unit, v->unit});
        figure["axis"] = axisName(v->axes[*v->largest]);
        figure["of"] = "the largest of the sensor's axes";
        if (v->recordSeconds > 0.0) figure["record_to_measure_s"] = derived(v->recordSeconds);
        j[v->name] = std::move(figure);
    }
    return j;
}

}  // namespace

std::string figureCell(const NoiseFigure& f, double factor) {
    if (!f.measured) return "≤ " + printf3("%.3g", f.value * factor) + " not reached";
    if (!std::isfinite(f.upper)) return printf3("%.3g (%.3g–∞)", f.value * factor, f.lower * factor);
    return printf3("%.3g (%.3g–%.3g)", f.value * factor, f.lower * factor, f.upper * factor);
}

std::string analysedLine(const NoiseAnalysis& a) {
    const double analysed = static_cast<double>(a.run.length) * a.tau0;
    const double whole = static_cast<double>(a.totalSamples) * a.tau0;
    return "analysed " + spanText(analysed) + " of " + spanText(whole) + ": " + std::to_string(a.run.breaks) +
           (a.run.breaks == 1 ? " gap" : " gaps") +
           printf3(" (tau0 %.4g ms, %.0f of %.0f samples)", a.tau0 * 1000.0, static_cast<double>(a.run.length),
                   static_cast<double>(a.totalSamples));
}

std::string intervalsNote(const NoiseAnalysis& a) {
    return "Intervals are " + percent(a.settings.confidence) +
           ", from the noise type at each τ; B is the minimum / 0.664; a bound means the curve does not reach the "
           "region.";
}

std::string spanText(double seconds) {
    const auto whole = static_cast<long long>(std::llround(seconds));
    if (seconds < 60.0) return printf3("%.1f s", seconds);
    if (whole < 3600) return printf3("%.0fm %02.0fs", static_cast<double>(whole / 60), static_cast<double>(whole % 60));
    return printf3("%.0fh %02.0fm", static_cast<double>(whole / 3600), static_cast<double>(whole % 3600 / 60));
}

std::string allanTable(const NoiseAnalysis& a) {
    return analysedLine(a) + "\n\n" + sensorTable(a, 0) + "\n" + sensorTable(a, 3) + "\n" + intervalsNote(a) + "\n";
}

std::string allanJson(const NoiseAnalysis& a, const std::string& capturePath) {
    nlohmann::json axes = nlohmann::json::array();
    for (const AxisNoise& axis : a.axes) axes.push_back(axisJson(axis));
    const nlohmann::json doc{{"capture", capturePath},
                             {"samples", a.totalSamples},
                             {"analysed_first", a.run.first},
                             {"analysed_samples", a.run.length},
                             {"gaps", a.run.breaks},
                             {"tau0_s", a.tau0},
                             {"taus", tauGridName(a.settings.taus)},
                             {"intervals", intervalsJson(a.settings)},
                             {"kalibr", kalibrJson(imuNoiseSi(a))},
                             {"axes", std::move(axes)}};
    // A path that is not UTF-8 must not stop the document being written.
    return doc.dump(1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace vesko
