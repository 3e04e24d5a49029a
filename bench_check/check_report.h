// The check's JSON report: the verdict table, the suggestions and where they came from.
#pragma once

#include <string>

#include "bench_limits.h"
#include "check_verdict.h"

namespace vesko {

struct ReportContext {
    std::string toolVersion;
    std::string timeUtc;       // ISO 8601, e.g. 2026-12-08T07:55:00Z
    std::string unitSerial;
    std::string configSerial;
    std::string configPath;
    double gyroScale = 0.0;    // rad/s per count, as used
    double turnDegrees = 0.0;
};

// One JSON object, pretty-printed, ending in a newline.
std::string checkReportJson(const CheckVerdict& verdict, const BenchLimits& limits, const ReportContext& context);

}  // namespace vesko
