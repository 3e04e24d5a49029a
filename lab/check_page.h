// The check's report as one self-contained HTML page: facts, verdict, table, pictures, suggestions.
#pragma once

#include <string>

#include "bench_limits.h"
#include "check_procedure.h"
#include "check_report.h"
#include "check_verdict.h"

namespace vesko {

struct CheckPageInput {
    const CheckVerdict& verdict;
    const CheckResults& results;
    const CheckSettings& settings;
    const BenchLimits& limits;
    const ReportContext& context;
};

// Inline CSS and SVG only (no script, nothing fetched), laid out to print on
// A4. Every text that comes from a file or the unit is escaped.
std::string checkPage(const CheckPageInput& input);

}  // namespace vesko
