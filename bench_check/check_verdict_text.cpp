// The verdict table and the suggested values as text for the console.
#include <cstddef>

#include "check_verdict.h"
#include "printf_string.h"

namespace vesko {

namespace {

// Pads to `width` characters, counting a UTF-8 sequence (°, ±) as one.
std::string padded(const std::string& text, std::size_t width) {
    std::size_t shown = 0;
    for (const char c : text) shown += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return text + std::string(shown < width ? width - shown : 1, ' ');
}

std::string valueText(const std::optional<double>& value, const std::string& unit) {
    if (!value) return "-";
    if (unit == "counts") return printfString("%+.2f counts", *value);
    if (unit == "counts sd") return printfString("%.2f counts", *value);
    if (unit == "g") return printfString("%+.4f g", *value);
    if (unit == "deg/min") return printfString("%+.2f \u00b0/min", *value);
    if (unit == "faces") return printfString("%.0f of 6", *value);
    return printfString("%.4f", *value);
}

std::string vectorText(const Axes3& v) {
    const auto one = [](double x) { return printfString("%.*f", kSuggestedAccDecimals, x); };
    return one(v[0]) + ", " + one(v[1]) + ", " + one(v[2]);
}

}  // namespace

std::string checkValueText(const std::optional<double>& value, const std::string& unit) {
    return valueText(value, unit);
}

std::string calibrationFragment(const Suggestions& s) {
    if (!s.accBias || !s.accScale) return {};
    return "  \"acc_bias\": [" + vectorText(*s.accBias) + "],\n  \"acc_scale\": [" + vectorText(*s.accScale) + "]\n";
}

std::string gyroScaleOption(double scale) {
    return printfString("--gyro-scale %.*g", kSuggestedGyroScaleDigits, scale);
}

std::string verdictTable(const CheckVerdict& verdict) {
    std::string text = padded("check", 14) + padded("measured", 18) + padded("reference", 18) +
                       padded("limit", 18) + "result\n";
    for (const CheckRow& r : verdict.rows) {
        text += padded(r.name, 14) + padded(valueText(r.measured, r.unit), 18) +
                padded(valueText(r.reference, r.unit), 18) + padded(r.limitText, 18) + outcomeName(r.outcome);
        text += r.note.empty() ? "\n" : "  (" + r.note + ")\n";
    }
    text += verdict.exitStatus == 0 ? "Verdict: PASS\n" : "Verdict: FAIL\n";
    return text;
}

std::string suggestionText(const CheckVerdict& verdict) {
    std::string text;
    const Suggestions& s = verdict.suggested;
    if (const std::string fragment = calibrationFragment(s); !fragment.empty()) {
        text += "Suggested accelerometer calibration (for the headset file's \"imu\" object):\n" + fragment;
    }
    if (s.gyroScale) text += "Suggested gyro scale: " + gyroScaleOption(*s.gyroScale) + "\n";
    return text;
}

}  // namespace vesko
