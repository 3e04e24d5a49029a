// Draws a replay's angles and |a| against device time, with its marks and restarts.
#include "replay_picture.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <span>

#include "panel_column.h"

namespace vesko {

namespace {

constexpr double kAnglesHeight = 400.0;
constexpr double kAccHeight = 150.0;
constexpr std::size_t kMaxBuckets = 1000;  // about one per pixel column

constexpr std::string_view kMarkColour = "#555555";
constexpr std::string_view kRestartColour = "#9467bd";

struct Series {
    std::string_view name;
    const std::vector<double>* values;
    std::string_view colour;
};

// Points of one series, at most two (lowest and highest) per bucket of time.
std::vector<SvgPoint> decimated(const Panel& panel, const std::vector<double>& x, const std::vector<double>& y) {
    const std::size_t n = std::min(x.size(), y.size());
    const std::size_t per = std::max<std::size_t>(1, (n + kMaxBuckets - 1) / kMaxBuckets);
    std::vector<SvgPoint> points;
    for (std::size_t from = 0; from < n; from += per) {
        const std::size_t to = std::min(n, from + per);
        std::size_t lo = from;
        std::size_t hi = from;
        for (std::size_t i = from; i < to; ++i) {
            if (y[i] < y[lo]) lo = i;
            if (y[i] > y[hi]) hi = i;
        }
        for (const std::size_t i : {std::min(lo, hi), std::max(lo, hi)}) {
            points.push_back(panel.at(x[i], y[i]));
            if (lo == hi) break;
        }
    }
    return points;
}

ValueRange valueRange(std::span<const Series> series) {
    double lo = std::numeric_limits<double>::infinity();
    double hi = -lo;
    for (const Series& s : series) {
        for (const double v : *s.values) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    }
    return std::isfinite(lo) ? ValueRange{lo, hi} : ValueRange{0.0, 1.0};
}

Panel panelFor(const ReplayTrace& t, std::span<const Series> series, double top, double height) {
    const double end = t.minutes.empty() ? 1.0 : std::max(t.minutes.back(), 1e-3);
    return columnPanel(top, height, {0.0, end}, valueRange(series), PanelScales::linear);
}

void drawEvents(SvgWriter& svg, const Panel& panel, const std::vector<double>& at, std::string_view colour,
                std::string_view dash, std::string_view cssClass, std::string_view label) {
    for (const double minute : at) {
        const double x = panel.x.toPixel(minute);
        svg.line({x, panel.top}, {x, panel.top + panel.height}, {colour, 1.5, dash}, cssClass);
        svg.text({x + 3.0, panel.top + 14.0}, label, {12.0, SvgAnchor::start, colour});
    }
}

void drawPanel(SvgWriter& svg, const ReplayTrace& t, const Panel& panel, std::span<const Series> series,
               const PanelTitles& titles) {
    drawPanelFrame(svg, panel, titles);
    for (const Series& s : series) {
        svg.polyline(decimated(panel, t.minutes, *s.values), {s.colour, 1.5}, "series", s.name);
    }
    drawEvents(svg, panel, t.marks, kMarkColour, "6 4", "mark", "mark");
    drawEvents(svg, panel, t.restarts, kRestartColour, "", "restart", "restart");
}

}  // namespace

std::string replayPicture(const ReplayTrace& t) {
    const std::array<Series, 3> angles{Series{"yaw", &t.yaw, "#d62728"}, Series{"pitch", &t.pitch, "#2ca02c"},
                                       Series{"roll", &t.roll, "#1f77b4"}};
    const std::array<Series, 1> acc{Series{"|a|", &t.accNorm, "#333333"}};
    const Panel anglesPanel = panelFor(t, angles, kFirstPanelTop, kAnglesHeight);
    const Panel accPanel = panelFor(t, acc, nextPanelTop(anglesPanel), kAccHeight);
    SvgWriter svg(kPictureWidth, pictureHeight(accPanel));
    drawPanel(svg, t, anglesPanel, angles, {"Replay: orientation", "device time (min)", "angle (°)"});
    drawPanel(svg, t, accPanel, acc, {"|a|", "device time (min)", "|a| (g)"});
    const std::array<LegendEntry, 6> legend{LegendEntry{"yaw", "#d62728", ""}, LegendEntry{"pitch", "#2ca02c", ""},
                                            LegendEntry{"roll", "#1f77b4", ""}, LegendEntry{"|a|", "#333333", ""},
                                            LegendEntry{"mark", std::string(kMarkColour), "6 4"},
                                            LegendEntry{"restart", std::string(kRestartColour), ""}};
    drawLegend(svg, {kColumnLeft + kColumnWidth - 8.0, anglesPanel.top + 8.0}, legend);
    return svg.finish();
}

}  // namespace vesko
