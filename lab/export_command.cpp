// headvane-lab export: its options on the command line.
#include "export_session.h"
#include "lab_command.h"

namespace vesko {

LabCommand addExportCommand(CLI::App& lab) {
    auto options = std::make_shared<ExportOptions>();
    auto format = std::make_shared<std::string>();
    auto frame = std::make_shared<std::string>("imu");
    CLI::App* sub = lab.add_subcommand("export", "A capture's samples in SI units as CSV for other tools.");
    sub->add_option("capture", options->capturePath, "capture file to export")->required();
    sub->add_option("out", options->outPath, "CSV file to write")->required();
    sub->add_option("--to", *format,
                    "euroc: nanoseconds since 1970 and the IMU columns of that dataset format; "
                    "csv-si: decimal seconds since the first sample")
        ->required()
        ->check(CLI::IsMember({"euroc", "csv-si"}));
    sub->add_option("--frame", *frame, "imu (default): the IMU's axes; head: through the mounting of --config")
        ->check(CLI::IsMember({"imu", "head"}));
    addGyroScaleOption(*sub, options->gyroScale);
    sub->add_option("--config", options->configPath,
                    "headset configuration (JSON): its acc_scale and acc_bias apply, and its mounting for --frame head");
    return {sub, [options, format, frame] {
                options->format = *format == "euroc" ? ExportFormat::euroc : ExportFormat::csvSi;
                options->frame = *frame == "head" ? ExportFrame::head : ExportFrame::imu;
                return runExport(*options);
            }};
}

}  // namespace vesko
