// headvane-lab allan: its options on the command line.
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "allan_session.h"
#include "lab_command.h"

namespace vesko {

namespace {

// A plain number strictly between 0 and 1: a probability an interval can have.
std::optional<double> confidenceFrom(const std::string& text) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text.front()))) return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !(value > 0.0 && value < 1.0)) return std::nullopt;
    return value;
}

}  // namespace

LabCommand addAllanCommand(CLI::App& lab) {
    auto options = std::make_shared<AllanOptions>();
    CLI::App* sub = lab.add_subcommand("allan", "The IMU's noise figures (Allan deviation) from a capture file.");
    sub->add_option("capture", options->capturePath, "capture file to analyse")->required();
    addGyroScaleOption(*sub, options->gyroScale);
    sub->add_option("--config", options->configPath, "headset configuration (JSON): its acc_scale applies");
    sub->add_option("--svg", options->svgPath, "write the Allan picture (SVG) to this file");
    sub->add_option("--json", options->jsonPath, "write the curves and figures (JSON) to this file");
    sub->add_option("--kalibr", options->kalibrPath,
                    "write the noise file (YAML, SI units) a visual-inertial calibrator takes to this file");
    sub->add_option("--html", options->htmlPath, "write the analysis as one HTML page (prints on A4) to this file");
    sub->add_option_function<std::string>(
           "--taus", [options](const std::string& text) { options->taus = *tauGridNamed(text); },
           "cluster times: octave (1, 2, 4, ... tau0; the default), decade (1, 2, 5, 10, ...) or all")
        ->check(CLI::Validator(
            [](std::string& text) {
                return tauGridNamed(text) ? std::string() : "'" + text + "' is not octave, decade or all";
            },
            "GRID"));
    sub->add_option_function<std::string>(
           "--confidence", [options](const std::string& text) { options->confidence = *confidenceFrom(text); },
           "probability of every interval (default 0.95; 0.683 is one sigma)")
        ->check(CLI::Validator(
            [](std::string& text) {
                return confidenceFrom(text) ? std::string()
                                            : "'" + text + "' is not a probability between 0 and 1, e.g. 0.95";
            },
            "P"));
    return {sub, [options] { return runAllan(*options); }};
}

}  // namespace vesko
