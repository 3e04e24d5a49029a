// The corrected headset file and what the console says about it.
#include "check_config_output.h"

#include <cstdlib>

#include "headset_file_update.h"
#include "printf_string.h"

namespace vesko {

namespace {

// The value as the fragment prints it, so that file, fragment and page agree.
double asShown(double value) {
    return std::strtod(printfString("%.*f", kSuggestedAccDecimals, value).c_str(), nullptr);
}

ConfigVector shown(const Axes3& values) { return {asShown(values[0]), asShown(values[1]), asShown(values[2])}; }

std::string changeLines(const AccCalibrationUpdate& update) {
    if (update.changes.empty()) return "  no value changed: the file already holds the measured calibration\n";
    std::string text;
    for (const ConfigValueChange& c : update.changes) {
        text += printfString("  imu %s %c: %.10g -> %.10g\n", c.key.c_str(), "xyz"[c.axis], c.from, c.to);
    }
    return text;
}

}  // namespace

CorrectedConfig correctedConfig(const std::string& configText, const Suggestions& suggested) {
    CorrectedConfig out;
    if (!suggested.accBias || !suggested.accScale) return out;
    out.measured = true;
    const AccCalibrationUpdate update = updateAccCalibration(configText, shown(*suggested.accBias), shown(*suggested.accScale));
    if (!update.ok) {
        out.error = update.error;
        return out;
    }
    out.ok = true;
    out.text = update.text;
    out.report = changeLines(update);
    return out;
}

std::string gyroScaleAdvice(const Suggestions& suggested, double gyroScaleInUse) {
    if (suggested.gyroScale) {
        return "The gyro scale is not kept in the headset file: run with " + gyroScaleOption(*suggested.gyroScale) + "\n";
    }
    return printfString("The turns measured no gyro scale: keep the one in use, --gyro-scale %.17g\n", gyroScaleInUse);
}

}  // namespace vesko
