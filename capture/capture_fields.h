// Reading the fields of one capture line: times, raw integers, the data row.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "capture_format.h"

namespace vesko {

// "S" or "S.f" with one to six fraction digits, not negative, into
// microseconds. False for anything else, or a time too large to hold.
bool parseHostSeconds(std::string_view text, std::int64_t& micros);

// One data line (no line break) into a row. On failure `what` says which
// field and why ("expected 9 fields, found 8", "field seq: '300' is not an
// integer in 0..255"). Rows in the writer's own form are read in one pass;
// any other goes to parseCaptureRowByFields, so the two must agree on every row.
bool parseCaptureRow(std::string_view line, CaptureRow& row, std::string& what);

// The careful reader alone: any form, field by field, saying what is wrong.
// Tests hold parseCaptureRow to it.
bool parseCaptureRowByFields(std::string_view line, CaptureRow& row, std::string& what);

}  // namespace vesko
