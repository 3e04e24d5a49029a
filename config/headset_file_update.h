// A headset file with new accelerometer calibration values and everything else as it was.
#pragma once

#include <string>
#include <vector>

#include "headset_config.h"

namespace vesko {

// One number of the file that the update changed.
struct ConfigValueChange {
    std::string key;  // "acc_bias" or "acc_scale", inside "imu"
    int axis = 0;     // 0, 1, 2 for x, y, z
    double from = 0.0;
    double to = 0.0;
};

struct AccCalibrationUpdate {
    bool ok = false;
    std::string error;  // why not, when not ok
    std::string text;   // the new file, two-space indented, ending in a newline
    std::vector<ConfigValueChange> changes;  // in file order; only the values that differ
};

// `text` (a headset file) with elements 0..2 of imu.acc_bias and imu.acc_scale
// set to `accBias` and `accScale`. Members keep their order and every other
// value its number and its kind (an integer stays an integer); further elements
// of the two arrays stay. Never throws.
AccCalibrationUpdate updateAccCalibration(const std::string& text, const ConfigVector& accBias,
                                          const ConfigVector& accScale);

}  // namespace vesko
