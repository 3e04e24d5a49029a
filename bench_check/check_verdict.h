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

}  // namespace vesko
