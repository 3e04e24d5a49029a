// Panels of a picture: value-to-pixel scales, frames with ticks and labels, legends.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "svg_writer.h"

namespace vesko {

// One axis: values lo..hi (lo < hi; both > 0 when logarithmic) onto pixels.
struct PlotScale {
    double lo = 0.0;
    double hi = 1.0;
    bool log = false;
    double pixelLo = 0.0;
    double pixelHi = 1.0;

    double toPixel(double value) const;  // clamped to the axis
    std::vector<double> ticks() const;   // decades, or steps of 1, 2 or 5 times a power of ten
};

// Whole decades around lo..hi (both > 0).
PlotScale decadeScale(double lo, double hi, double pixelLo, double pixelHi);
// lo..hi widened to the tick step around it.
PlotScale linearScale(double lo, double hi, double pixelLo, double pixelHi);

struct Panel {
    double left = 0.0;
    double top = 0.0;
    double width = 0.0;
    double height = 0.0;
    PlotScale x;
    PlotScale y;

    SvgPoint at(double xValue, double yValue) const { return {x.toPixel(xValue), y.toPixel(yValue)}; }
};

struct PanelTitles {
    std::string_view title;
    std::string_view xAxis;
    std::string_view yAxis;
};

// Frame, grid, ticks with labels (decades as powers of ten), axis titles.
void drawPanelFrame(SvgWriter& svg, const Panel& panel, const PanelTitles& titles);

// The same for an x axis of categories, one per unit of x: x runs from 0 to
// their count and category i is centred on i + 0.5.
void drawCategoryFrame(SvgWriter& svg, const Panel& panel, const PanelTitles& titles,
                       std::span<const std::string> categories);

struct LegendEntry {
    std::string label;
    std::string colour;
    std::string dash;  // empty: solid
};

// A boxed legend whose top right corner is at `corner`.
void drawLegend(SvgWriter& svg, SvgPoint corner, std::span<const LegendEntry> entries);

// "1", "10", "10⁻³": a power of ten as a tick label.
std::string decadeLabel(int exponent);

}  // namespace vesko
