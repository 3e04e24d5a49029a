// headvane-lab allan from start to exit: configuration, capture, analysis, table, files.
#pragma once

#include <optional>
#include <string>

#include "deviation_interval.h"
#include "tau_grid.h"

namespace vesko {

struct AllanOptions {
    std::string capturePath;
    std::optional<double> gyroScale;  // rad/s per count; absent keeps headvane's default
    std::string configPath;           // optional: its acc_scale scales the accelerometer
    std::string svgPath;              // optional
    std::string jsonPath;             // optional
    std::string kalibrPath;           // optional: the noise file (YAML) for a visual-inertial calibrator
    std::string htmlPath;             // optional: the analysis as one page
    TauGrid taus = TauGrid::octave;
    double confidence = kDefaultConfidence;  // of every interval
};

// Fewer samples than this in the longest uniform run cannot give a curve worth reading.
inline constexpr std::size_t kAllanMinimumSamples = 100;

// Returns the exit status: 0 when the analysis was printed (and the files
// written), 1 when the configuration or capture is bad or too short, or a
// file cannot be written, 2 when --taus all is asked of a run too long for it
// or an output names an input.
int runAllan(const AllanOptions& options);

}  // namespace vesko
