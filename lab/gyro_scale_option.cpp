// --gyro-scale as every lab command takes it.
#include "command_line.h"
#include "lab_command.h"

namespace vesko {

void addGyroScaleOption(CLI::App& command, std::optional<double>& scale) {
    command
        .add_option_function<std::string>(
            "--gyro-scale",
            [&scale](const std::string& text) {
                double value = 0.0;
                if (parseGyroScale(text, value)) scale = value;
            },
            "gyroscope scale in rad/s per count (default 0.0010652644360316951)")
        ->check(CLI::Validator(
            [](std::string& text) {
                double value = 0.0;
                return parseGyroScale(text, value) ? std::string() : "expected a plain finite number";
            },
            "SCALE"));
}

}  // namespace vesko
