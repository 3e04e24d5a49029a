// --gyro-scale as every lab command takes it.
#include "command_line.h"
#include "imu_sample.h"
#include "lab_command.h"
#include "printf_string.h"

namespace vesko {

namespace {

// A real unit reads about 1e-3 rad/s per count; outside these bounds a value
// is a typo or a unit mix-up (deg/s, a negative sign), never a usable scale.
constexpr double kLowestGyroScale = 1e-6;  // rad/s per count
constexpr double kHighestGyroScale = 1.0;  // rad/s per count
constexpr const char* kGyroScaleRange = "1e-6..1";  // the two above, as people write them

// Empty when `text` is a usable scale; otherwise why not, quoting it.
std::string gyroScaleProblem(const std::string& text, double& value) {
    if (!parseGyroScale(text, value)) return "'" + text + "' is not a plain finite number";
    if (value >= kLowestGyroScale && value <= kHighestGyroScale) return {};
    return "'" + text + "' is outside " + kGyroScaleRange + " rad/s per count";
}

}  // namespace

void addGyroScaleOption(CLI::App& command, std::optional<double>& scale) {
    command
        .add_option_function<std::string>(
            "--gyro-scale",
            [&scale](const std::string& text) {
                double value = 0.0;
                if (gyroScaleProblem(text, value).empty()) scale = value;
            },
            printfString("gyroscope scale in rad/s per count, 1e-6 to 1 (default %.17g)", kImuGyroRadPerSecPerCount))
        ->check(CLI::Validator(
            [](std::string& text) {
                double value = 0.0;
                return gyroScaleProblem(text, value);
            },
            "SCALE"));
}

}  // namespace vesko
