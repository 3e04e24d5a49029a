// headvane-lab check from start to exit: limits, configuration, unit, the guided procedure, verdict.
#pragma once

#include <optional>
#include <string>

namespace vesko {

inline constexpr int kCheckExitAborted = 3;

struct CheckOptions {
    std::string configPath;
    std::optional<double> gyroScale;  // rad/s per count; absent: the filter's default
    std::string limitsPath;           // empty: the defaults
    std::string jsonPath;             // empty: no report file
    std::string htmlPath;             // empty: no page
    std::string writeConfigPath;      // empty: no corrected headset file
    std::string recordPath;           // empty: no capture
    std::string imuSerial;            // empty: the paired unit
    bool force = false;               // replace an existing capture file
    double turnDegrees = 90.0;
    double restSeconds = 20.0;
    double stillSeconds = 2.0;
};

// Returns 0 when every check passed, 1 when any failed or was skipped (or the
// unit or configuration could not be had, or an output could not be
// written), 2 for a bad limits file, an existing capture file without
// --force or an output that names an input, 3 when aborted with q.
int runCheck(const CheckOptions& options);

}  // namespace vesko
