// Scanning the arguments in order: each option's value checks and the usage error each failure gives.
#include "command_line.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

namespace vesko {

namespace {

CommandLineVerdict usageError(std::string text) {
    return {false, kExitUsage, std::move(text)};
}

}  // namespace

bool parseGyroScale(const std::string& text, double& value) {
    // strtod would skip leading blanks; a value that starts with one was not typed as a number.
    if (text.empty() || std::isspace(static_cast<unsigned char>(text.front()))) return false;
    char* end = nullptr;
    const double parsed = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

CommandLineVerdict parseCommandLine(const std::vector<std::string>& args, CommandLine& out) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--config" && hasValue) {
            out.configPath = args[++i];
        } else if (arg == "--gyro-scale" && hasValue) {
            const std::string& text = args[++i];
            double scale = 0.0;
            if (!parseGyroScale(text, scale)) {
                return usageError("--gyro-scale: '" + text + "' is not a number\n" + kUsageLine);
            }
            out.gyroScale = scale;
        } else if (arg == "--imu-serial" && hasValue) {
            out.imuSerial = args[++i];
        } else {
            return usageError(kUsageLine);
        }
    }
    if (out.configPath.empty()) return usageError(kConfigRequired);
    return {};
}

}  // namespace vesko
