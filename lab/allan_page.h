// The noise analysis as one self-contained HTML page: facts, figures table, picture, the noise file.
#pragma once

#include <string>

#include "capture_format.h"
#include "noise_analysis.h"

namespace vesko {

struct AllanPageInput {
    const NoiseAnalysis& analysis;
    const std::string& capturePath;
    const CaptureMetadata& capture;  // the capture's header; empty fields are left out
    const std::string& analysedUtc;  // ISO 8601
    const std::string& toolVersion;
};

// Inline CSS and SVG only (no script, nothing fetched), laid out to print on
// A4. Every text that comes from a file is escaped.
std::string allanPage(const AllanPageInput& input);

}  // namespace vesko
