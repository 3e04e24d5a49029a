// The Allan picture: log-log deviation of the gyroscope and accelerometer axes with their fits.
#pragma once

#include <string>

#include "noise_analysis.h"

namespace vesko {

// An SVG document, 1000 px wide: the gyroscope panel (deg/s) above the
// accelerometer panel (g), one curve per axis with its error bars, the
// fitted slope -1/2 and +1/2 lines, the B level, and a legend.
std::string allanPicture(const NoiseAnalysis& analysis);

}  // namespace vesko
