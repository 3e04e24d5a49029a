// headvane-lab check: its options on the command line.
#include "check_session.h"
#include "lab_command.h"

namespace vesko {

LabCommand addCheckCommand(CLI::App& lab) {
    auto options = std::make_shared<CheckOptions>();
    CLI::App* sub = lab.add_subcommand(
        "check", "Guided bench check of the IMU's calibration: PASS/FAIL and suggested values.");
    sub->add_option("--config", options->configPath, "headset configuration (JSON)")->required();
    addGyroScaleOption(*sub, options->gyroScale);
    sub->add_option("--limits", options->limitsPath, "JSON file overriding the default limits");
    sub->add_option("--json", options->jsonPath, "also write the verdict as a JSON report to this file");
    sub->add_option("--html", options->htmlPath, "also write the report as one HTML page (prints on A4)");
    sub->add_option("--write-config", options->writeConfigPath,
                    "write the headset file with the measured acc_bias and acc_scale to this new file");
    sub->add_option("--turn-deg", options->turnDegrees, "angle between the turn stops, degrees (default 90)")
        ->check(CLI::Range(1.0, 360.0));
    sub->add_option("--imu-serial", options->imuSerial, "use the unit with exactly this serial");
    sub->add_option("--record", options->recordPath,
                    "also record the session's samples as a capture file (gzip-compressed when it ends in .gz)");
    sub->add_flag("--force", options->force, "replace an existing capture file");
    sub->add_option("--rest-seconds", options->restSeconds, "still time of the rest step (default 20)")
        ->check(CLI::Range(0.5, 3600.0));
    sub->add_option("--still-seconds", options->stillSeconds,
                    "still time on each face and around each turn (default 2)")
        ->check(CLI::Range(0.5, 600.0));
    return {sub, [options] { return runCheck(*options); }};
}

}  // namespace vesko
