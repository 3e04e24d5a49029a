// The check's pictures for its page: the rest window, the six positions, the turns (SVG documents).
#pragma once

#include <string>

#include "bench_limits.h"
#include "check_procedure.h"

namespace vesko {

// Gyroscope counts per axis against device time as the 0.2 s block means of
// the rest, with the bias as a line and the samples' noise (±1 sd) as a band.
std::string restFigure(const CheckResults& results);

// Per face, the gravity components through the configuration's calibration
// against the expected ±1 g on the axis the mounting puts up (0 on the
// others), and below, their difference with the acc_bias limit as a band.
std::string sixPositionFigure(const CheckResults& results, const ImuCalibration& calibration,
                              const BenchLimits& limits);

// Each turn's angle against the known angle, with the gyro scale limit as a band.
std::string turnFigure(const CheckResults& results, const CheckSettings& settings, const BenchLimits& limits);

}  // namespace vesko
