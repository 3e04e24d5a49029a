// Long synthetic captures with known truth, for the day-long benchmarks: a level unit at rest, 1 kHz.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "imu_sample.h"

namespace vesko {

// One axis of the model, in raw counts:
//  - `level`: the reading of the unit at rest (gravity, or the gyro's fixed bias);
//  - `white`: independent Gaussian noise on every sample, standard deviation
//    (the rounding to whole counts adds 1/12 count^2 on top), so the Allan
//    deviation's white-noise density is sqrt(white^2 + 1/12) * sqrt(0.001 s);
//  - `walk`: a bias random walk of `walk` counts/sqrt(s) (each 1 ms step
//    Gaussian with walk * sqrt(0.001)), the rate random walk K of the curve.
struct LongCaptureAxis {
    const char* name;
    double level;
    double white;
    double walk;
};

// The six axes in the capture's column order. Every axis differs, so that a
// mixed-up axis shows in the figures.
inline constexpr std::array<LongCaptureAxis, 6> kLongCaptureTruth{{
    {"acc_x", 0.0, 3.0, 0.002},
    {"acc_y", kImuAccCountsPerG, 3.2, 0.003},
    {"acc_z", 0.0, 3.4, 0.004},
    {"gyro_x", 4.0, 1.2, 0.005},
    {"gyro_y", -3.0, 1.4, 0.010},
    {"gyro_z", 2.0, 1.6, 0.020},
}};

inline constexpr std::uint64_t kLongCaptureRowsPerHour = 3'600'000;

// Writes `hours` of the model to `path` (gzip-compressed at zlib level
// `gzipLevel` when that is not 0), the
// same bytes for the same arguments on every run. The device's ticks (48 MHz,
// 32 bits) and sequence numbers (8 bits) wrap as the unit's do; the host time
// advances 1 ms a row. The truth goes into the file as "# truth" comments.
// An existing file is replaced only when `overwrite`. Returns an empty
// string, or what went wrong, naming the file.
std::string writeLongCapture(const std::string& path, double hours, int gzipLevel, bool overwrite);

}  // namespace vesko
