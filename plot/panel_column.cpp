// Panels placed in the lab pictures' common column.
#include "panel_column.h"

namespace vesko {

Panel columnPanel(double top, double height, ValueRange x, ValueRange y, PanelScales scales) {
    const auto scale = scales == PanelScales::decades ? decadeScale : linearScale;
    return {kColumnLeft,
            top,
            kColumnWidth,
            height,
            scale(x.lo, x.hi, kColumnLeft, kColumnLeft + kColumnWidth),
            scale(y.lo, y.hi, top + height, top)};
}

double nextPanelTop(const Panel& above) { return above.top + above.height + kPanelGap; }

double pictureHeight(const Panel& last) { return last.top + last.height + kBottomMargin; }

}  // namespace vesko
