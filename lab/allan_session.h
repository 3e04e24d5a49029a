// headvane-lab allan from start to exit: configuration, capture, analysis, table, files.
#pragma once

#include <optional>
#include <string>

namespace vesko {

struct AllanOptions {
    std::string capturePath;
    std::optional<double> gyroScale;  // rad/s per count; absent keeps headvane's default
    std::string configPath;           // optional: its acc_scale scales the accelerometer
    std::string svgPath;              // optional
    std::string jsonPath;             // optional
};

// Fewer samples than this in the longest uniform run cannot give a curve worth reading.
inline constexpr std::size_t kAllanMinimumSamples = 100;

// Returns the exit status: 0 when the analysis was printed (and the files
// written), 1 when the configuration or capture is bad or too short, or a
// file cannot be written.
int runAllan(const AllanOptions& options);

}  // namespace vesko
