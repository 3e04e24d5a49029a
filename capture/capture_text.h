// The text of a capture file's lines, as the writer puts them down.
#pragma once

#include <cstdint>
#include <string>

#include "capture_format.h"

namespace vesko {

// Appends "S.ffffff" for a count of microseconds (not negative).
void appendHostSeconds(std::string& out, std::int64_t micros);

// Appends one data row, ending in a newline.
void appendCaptureRow(std::string& out, const CaptureRow& row);

// The comment lines before the column header, then the header itself. Absent
// fields are left out; control characters become '?' so that every value
// stays on its own line.
std::string captureHeaderText(const CaptureMetadata& metadata);

// "# event <t_host_s> <text>\n".
std::string captureEventText(const CaptureEvent& event);

// "# summary duration_s ... reports ... samples ... gaps ... timeouts ...
// other_reports ... dropped ...\n".
std::string captureSummaryText(const CaptureSummary& summary);

}  // namespace vesko
