// headvane-lab replay: its options on the command line.
#include "lab_command.h"
#include "replay_session.h"

namespace vesko {

LabCommand addReplayCommand(CLI::App& lab) {
    auto options = std::make_shared<ReplayOptions>();
    CLI::App* sub = lab.add_subcommand("replay", "Run the attitude filter over a capture file again.");
    sub->add_option("capture", options->capturePath, "capture file to replay")->required();
    sub->add_option("--config", options->configPath, "headset configuration (JSON)")->required();
    addGyroScaleOption(*sub, options->gyroScale);
    sub->add_option("--every", options->everySeconds, "status every this many seconds of device time")
        ->check(CLI::Range(0.001, 86400.0));
    sub->add_option("--svg", options->svgPath, "write a picture of the angles and |a| over device time (SVG)");
    return {sub, [options] { return runReplay(*options); }};
}

}  // namespace vesko
