// check --write-config: the headset file with the measured accelerometer calibration, nothing else changed.
#pragma once

#include <string>

#include "check_verdict.h"

namespace vesko {

// The corrected file for `configText` (the --config file as read at the start),
// or why it cannot be made. Its values are the suggestions as the fragment shows them.
struct CorrectedConfig {
    bool measured = false;  // the six positions gave acc_bias and acc_scale
    bool ok = false;
    std::string text;       // the file to write
    std::string report;     // whole lines for the console: each value changed, from and to
    std::string error;
};
CorrectedConfig correctedConfig(const std::string& configText, const Suggestions& suggested);

// Whole lines saying which --gyro-scale to use with the corrected file: the
// measured one, or the one in use when the turns measured none.
std::string gyroScaleAdvice(const Suggestions& suggested, double gyroScaleInUse);

}  // namespace vesko
