// The verdict: every check with its measured value, its limit and PASS, FAIL or SKIPPED; the suggested values.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "bench_limits.h"
#include "check_procedure.h"

namespace vesko {

enum class CheckOutcome { pass, fail, skipped };
const char* outcomeName(CheckOutcome outcome) noexcept;  // "PASS", "FAIL", "SKIPPED"

struct CheckRow {
    std::string name;              // snake_case, as in the JSON report
    std::optional<double> measured;
    std::optional<double> reference;  // the configuration's value, or the ideal (1 g, a ratio of 1)
    std::string unit;              // of measured and reference
    double limit = 0.0;
    std::string limitUnit;
    std::string limitText;         // as the table shows it
    CheckOutcome outcome = CheckOutcome::skipped;
    std::string note;
};

// Digits the suggestions are shown and written with: 0.1 mg and 0.01 % for the
// accelerometer, far inside its limits; five significant for the gyro scale.
inline constexpr int kSuggestedAccDecimals = 4;
inline constexpr int kSuggestedGyroScaleDigits = 5;

struct Suggestions {
    std::optional<Axes3> accBias;   // g
    std::optional<Axes3> accScale;
    std::optional<double> gyroScale;  // rad/s per count, for --gyro-scale
};

struct CheckVerdict {
    std::vector<CheckRow> rows;
    Suggestions suggested;
    int exitStatus = 1;  // 0 when every check passed
};

CheckVerdict judgeCheck(const CheckResults& results, const CheckSettings& settings, const BenchLimits& limits);

// The table and the suggestions as the console shows them, whole lines.
std::string verdictTable(const CheckVerdict& verdict);
std::string suggestionText(const CheckVerdict& verdict);
// A measured or reference value as the table shows it ("+3.89 counts", "-" when absent).
std::string checkValueText(const std::optional<double>& value, const std::string& unit);
// The two lines to paste into the headset file's "imu" object; empty when not measured.
std::string calibrationFragment(const Suggestions& suggested);
// "--gyro-scale 0.0010658", as the suggestions give it.
std::string gyroScaleOption(double scale);

}  // namespace vesko
