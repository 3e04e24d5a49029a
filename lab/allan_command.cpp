// headvane-lab allan: its options on the command line.
#include "allan_session.h"
#include "lab_command.h"

namespace vesko {

LabCommand addAllanCommand(CLI::App& lab) {
    auto options = std::make_shared<AllanOptions>();
    CLI::App* sub = lab.add_subcommand("allan", "The IMU's noise figures (Allan deviation) from a capture file.");
    sub->add_option("capture", options->capturePath, "capture file to analyse")->required();
    addGyroScaleOption(*sub, options->gyroScale);
    sub->add_option("--config", options->configPath, "headset configuration (JSON): its acc_scale applies");
    sub->add_option("--svg", options->svgPath, "write the Allan picture (SVG) to this file");
    sub->add_option("--json", options->jsonPath, "write the curves and figures (JSON) to this file");
    return {sub, [options] { return runAllan(*options); }};
}

}  // namespace vesko
