// headvane-lab replay from start to exit: configuration, capture, filter, status lines, summary.
#pragma once

#include <optional>
#include <string>

#include "replay_run.h"

namespace vesko {

struct ReplayOptions {
    std::string capturePath;
    std::string configPath;
    std::optional<double> gyroScale;  // rad/s per count; absent keeps the filter's default
    double everySeconds = kLiveStatusSeconds;  // status period in device time
    std::string svgPath;              // optional: the picture of the replay
};

// Returns the exit status: 0 when the capture was replayed, 1 when the
// configuration or the capture is bad or the picture cannot be written, 2
// when the picture would land on an input.
int runReplay(const ReplayOptions& options);

}  // namespace vesko
