// headvane-lab replay: its options on the command line.
#include "command_line.h"
#include "lab_command.h"
#include "replay_session.h"

namespace vesko {

LabCommand addReplayCommand(CLI::App& lab) {
    auto options = std::make_shared<ReplayOptions>();
    CLI::App* sub = lab.add_subcommand("replay", "Run the attitude filter over a capture file again.");
    sub->add_option("capture", options->capturePath, "capture file to replay")->required();
    sub->add_option("--config", options->configPath, "headset configuration (JSON)")->required();
    sub->add_option_function<std::string>(
           "--gyro-scale",
           [options](const std::string& text) {
               double scale = 0.0;
               if (parseGyroScale(text, scale)) options->gyroScale = scale;
           },
           "gyroscope scale in rad/s per count (default 0.0010652644360316951)")
        ->check(CLI::Validator(
            [](std::string& text) {
                double scale = 0.0;
                return parseGyroScale(text, scale) ? std::string() : "expected a plain finite number";
            },
            "SCALE"));
    sub->add_option("--every", options->everySeconds, "status every this many seconds of device time")
        ->check(CLI::Range(0.001, 86400.0));
    return {sub, [options] { return runReplay(*options); }};
}

}  // namespace vesko
