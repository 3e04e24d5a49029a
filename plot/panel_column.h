// The layout the lab's pictures share: one page width and their panels stacked in one column.
#pragma once

#include "plot_frame.h"

namespace vesko {

inline constexpr double kPictureWidth = 1000.0;  // px
inline constexpr double kColumnLeft = 110.0;     // room for the tick labels and the y title
inline constexpr double kColumnWidth = 850.0;
inline constexpr double kFirstPanelTop = 60.0;   // room for the first panel's title
inline constexpr double kPanelGap = 80.0;        // the tick labels and x title below a panel, the next title
inline constexpr double kBottomMargin = 70.0;    // the last panel's tick labels and x title

struct ValueRange {
    double lo = 0.0;
    double hi = 1.0;
};

enum class PanelScales { linear, decades };

// The column's panel at `top`, `height` px high, showing x and y over their
// ranges (both > 0 for decades).
Panel columnPanel(double top, double height, ValueRange x, ValueRange y, PanelScales scales);

// The top of the panel below `above`.
double nextPanelTop(const Panel& above);

// The picture's height with `last` as its lowest panel.
double pictureHeight(const Panel& last);

}  // namespace vesko
