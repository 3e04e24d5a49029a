// headvane-lab replay from start to exit: configuration, capture, filter, status lines, summary.
#pragma once

#include <optional>
#include <string>

namespace vesko {

struct ReplayOptions {
    std::string capturePath;
    std::string configPath;
    std::optional<double> gyroScale;  // rad/s per count; absent keeps the filter's default
    double everySeconds = 0.2;        // status period in device time
};

// Returns the exit status: 0 when the capture was replayed, 1 when the
// configuration or the capture is bad.
int runReplay(const ReplayOptions& options);

}  // namespace vesko
