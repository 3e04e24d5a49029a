// Scales, frames and legends for the lab's pictures.
#include "plot_frame.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vesko {

namespace {

constexpr double kTickLength = 6.0;
constexpr double kLabelSize = 14.0;
constexpr double kTitleSize = 16.0;
constexpr std::string_view kGridColour = "#dddddd";

double niceStep(double span) {
    const double raw = span / 6.0;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double f : {1.0, 2.0, 5.0}) {
        if (f * power >= raw) return f * power;
    }
    return 10.0 * power;
}

std::string numberLabel(double value, double step) {
    const int decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9)));
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, std::abs(value) < step * 1e-6 ? 0.0 : value);
    return buffer;
}

void drawXTicks(SvgWriter& svg, const Panel& p) {
    const double bottom = p.top + p.height;
    const std::vector<double> ticks = p.x.ticks();
    const double step = ticks.size() > 1 ? ticks[1] - ticks[0] : 1.0;
    for (const double t : ticks) {
        const double px = p.x.toPixel(t);
        svg.line({px, p.top}, {px, bottom}, {kGridColour, 1.0});
        svg.line({px, bottom}, {px, bottom + kTickLength}, {"black", 1.0});
        const std::string label = p.x.log ? decadeLabel(static_cast<int>(std::lround(std::log10(t))))
                                          : numberLabel(t, step);
        svg.text({px, bottom + kTickLength + kLabelSize}, label, {kLabelSize, SvgAnchor::middle});
    }
}

void drawYTicks(SvgWriter& svg, const Panel& p) {
    const std::vector<double> ticks = p.y.ticks();
    const double step = ticks.size() > 1 ? ticks[1] - ticks[0] : 1.0;
    for (const double t : ticks) {
        const double py = p.y.toPixel(t);
        svg.line({p.left, py}, {p.left + p.width, py}, {kGridColour, 1.0});
        svg.line({p.left - kTickLength, py}, {p.left, py}, {"black", 1.0});
        const std::string label = p.y.log ? decadeLabel(static_cast<int>(std::lround(std::log10(t))))
                                          : numberLabel(t, step);
        svg.text({p.left - kTickLength - 3.0, py + kLabelSize * 0.35}, label, {kLabelSize, SvgAnchor::end});
    }
}

void drawTitles(SvgWriter& svg, const Panel& p, const PanelTitles& titles) {
    svg.rect({p.left, p.top}, p.width, p.height, "none", {"black", 1.0});
    svg.text({p.left + p.width / 2.0, p.top - 10.0}, titles.title, {kTitleSize, SvgAnchor::middle}, "panel-title");
    svg.text({p.left + p.width / 2.0, p.top + p.height + kTickLength + 2.4 * kLabelSize}, titles.xAxis,
             {kLabelSize, SvgAnchor::middle}, "x-title");
    svg.text({p.left - 62.0, p.top + p.height / 2.0}, titles.yAxis, {kLabelSize, SvgAnchor::middle, "black", -90.0},
             "y-title");
}

}  // namespace

double PlotScale::toPixel(double value) const {
    double f = log ? (std::log10(value) - std::log10(lo)) / (std::log10(hi) - std::log10(lo))
                   : (value - lo) / (hi - lo);
    if (!std::isfinite(f)) f = value > lo ? 1.0 : 0.0;
    return pixelLo + std::clamp(f, 0.0, 1.0) * (pixelHi - pixelLo);
}

std::vector<double> PlotScale::ticks() const {
    std::vector<double> out;
    if (log) {
        for (int e = static_cast<int>(std::lround(std::log10(lo))); e <= std::lround(std::log10(hi)); ++e) {
            out.push_back(std::pow(10.0, e));
        }
        return out;
    }
    const double step = niceStep(hi - lo);
    for (double t = std::ceil(lo / step - 1e-9) * step; t <= hi + step * 1e-9; t += step) out.push_back(t);
    return out;
}

PlotScale decadeScale(double lo, double hi, double pixelLo, double pixelHi) {
    const double a = std::floor(std::log10(lo));
    double b = std::ceil(std::log10(hi));
    if (b <= a) b = a + 1.0;
    return {std::pow(10.0, a), std::pow(10.0, b), true, pixelLo, pixelHi};
}

PlotScale linearScale(double lo, double hi, double pixelLo, double pixelHi) {
    if (!(hi > lo)) {
        lo -= 1.0;
        hi += 1.0;
    }
    const double step = niceStep(hi - lo);
    return {std::floor(lo / step) * step, std::ceil(hi / step) * step, false, pixelLo, pixelHi};
}

void drawPanelFrame(SvgWriter& svg, const Panel& p, const PanelTitles& titles) {
    drawXTicks(svg, p);
    drawYTicks(svg, p);
    drawTitles(svg, p, titles);
}

void drawCategoryFrame(SvgWriter& svg, const Panel& p, const PanelTitles& titles,
                       std::span<const std::string> categories) {
    drawYTicks(svg, p);
    const double bottom = p.top + p.height;
    for (std::size_t i = 0; i < categories.size(); ++i) {
        const double px = p.x.toPixel(static_cast<double>(i) + 0.5);
        svg.line({px, bottom}, {px, bottom + kTickLength}, {"black", 1.0});
        svg.text({px, bottom + kTickLength + kLabelSize}, categories[i], {kLabelSize, SvgAnchor::middle});
    }
    drawTitles(svg, p, titles);
}

void drawLegend(SvgWriter& svg, SvgPoint corner, std::span<const LegendEntry> entries) {
    constexpr double kRow = 18.0;
    constexpr double kWidth = 190.0;
    svg.beginGroup("legend");
    svg.rect({corner.x - kWidth, corner.y}, kWidth, kRow * static_cast<double>(entries.size()) + 8.0, "white",
             {"#999999", 1.0});
    double y = corner.y + 4.0 + kRow / 2.0;
    for (const LegendEntry& e : entries) {
        const double x = corner.x - kWidth + 8.0;
        svg.line({x, y}, {x + 28.0, y}, {e.colour, 2.0, e.dash});
        svg.text({x + 36.0, y + 4.5}, e.label, {13.0});
        y += kRow;
    }
    svg.endGroup();
}

std::string decadeLabel(int exponent) {
    if (exponent == 0) return "1";
    if (exponent == 1) return "10";
    static constexpr const char* kSuperscript[10] = {"⁰", "¹", "²", "³", "⁴", "⁵", "⁶", "⁷", "⁸", "⁹"};
    std::string out = "10";
    if (exponent < 0) out += "⁻";
    const std::string digits = std::to_string(std::abs(exponent));
    for (const char d : digits) out += kSuperscript[d - '0'];
    return out;
}

}  // namespace vesko
