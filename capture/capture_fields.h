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
// integer in 0..255").
bool parseCaptureRow(std::string_view line, CaptureRow& row, std::string& what);

// The two readers parseCaptureRow tries in turn, apart for the tests that
// hold them to the same rows. The first takes, in one pass, only the form the
// writer writes and declines the rest (false, nothing said); the second reads
// any form field by field and says what is wrong.
bool parseWriterFormRow(std::string_view line, CaptureRow& row);
bool parseCaptureRowByFields(std::string_view line, CaptureRow& row, std::string& what);

}  // namespace vesko
