// Reading headvane's command line into its options, with the usage errors it can meet.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vesko {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // configuration not loaded, or no IMU opened
inline constexpr int kExitUsage = 2;

inline constexpr const char* kUsageLine =
    "usage: headvane --config <config.json> [--gyro-scale s] [--imu-serial LHR-...]\n";
inline constexpr const char* kConfigRequired = "--config is required\n";

struct CommandLine {
    std::string configPath;
    std::optional<double> gyroScale;  // rad/s per count; absent keeps the filter's default
    std::string imuSerial;            // empty: pick the unit by its hub instead
};

// What the scan decided: go on, or stop with `exitStatus` after printing
// `errorText` to standard error.
struct CommandLineVerdict {
    bool ok = true;
    int exitStatus = kExitOk;
    std::string errorText;
};

// Scans the arguments that follow the program name. An option given twice
// keeps its last value.
CommandLineVerdict parseCommandLine(const std::vector<std::string>& args, CommandLine& out);

// A gyro scale must be a whole, finite number ("0", "-0.001", "1e-3"): text
// that is not would otherwise become a scale of 0 and freeze the orientation.
bool parseGyroScale(const std::string& text, double& value);

}  // namespace vesko
