// headvane-lab record: its options on the command line.
#include "duration.h"
#include "lab_command.h"
#include "record_session.h"

namespace vesko {

LabCommand addRecordCommand(CLI::App& lab) {
    auto options = std::make_shared<RecordOptions>();
    CLI::App* sub = lab.add_subcommand("record", "Record the IMU stream to a capture file (CSV).");
    sub->add_option("--out", options->outPath, "capture file to write (gzip-compressed when it ends in .gz)")->required();
    sub->add_option_function<std::string>(
           "--duration",
           [options](const std::string& text) { options->durationSeconds = parseDurationSeconds(text); },
           "how long to record, e.g. 90s, 10m, 2h (default: until q)")
        ->check(CLI::Validator(
            [](std::string& text) {
                return parseDurationSeconds(text) ? std::string() : "expected a duration like 90s, 10m or 2h";
            },
            "DURATION"));
    sub->add_option("--imu-serial", options->imuSerial, "use the unit with exactly this serial");
    sub->add_option("--config", options->configPath,
                    "headset configuration: its serial is compared and recorded");
    sub->add_flag("--force", options->force, "replace an existing capture file");
    return {sub, [options] { return runRecord(*options); }};
}

}  // namespace vesko
