// Reads capture text as it comes, chunk by chunk, handing on each row and event.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "capture_format.h"

namespace vesko {

// What the parser hands on, in file order. Any of them may be empty.
struct CaptureHandlers {
    std::function<void(const CaptureMetadata&)> onHeader;  // once, at the column header
    std::function<void(const CaptureRow&)> onRow;
    std::function<void(const CaptureEvent&)> onEvent;
    std::function<void(const CaptureSummary&)> onSummary;
};

// Holds at most one line between chunks, so memory stays bounded whatever
// the input. Comment lines may stand anywhere; metadata counts only before the
// column header, and unknown comments are skipped.
class CaptureParser {
public:
    explicit CaptureParser(CaptureHandlers handlers);

    // The next bytes of the file. False once the capture was found bad.
    bool feed(std::string_view bytes);
    // The end of the file. False if the capture is bad. A last line without
    // its line break is an interrupted write: it is dropped and cutShort() says so.
    bool finish();

    bool failed() const { return !error_.empty(); }
    const std::string& error() const { return error_; }      // empty when fine
    std::uint64_t errorLine() const { return errorLine_; }   // 1-based
    bool cutShort() const { return cutShort_; }
    std::uint64_t lineCount() const { return lines_; }       // lines seen so far
    std::uint64_t rowCount() const { return rows_; }

private:
    bool takeLine(std::string_view text);
    bool takeComment(std::string_view body);
    bool takeMetadata(std::string_view key, std::string_view value);
    bool takeEvent(std::string_view rest);
    bool takeSummary(std::string_view rest);
    bool takeHeader(std::string_view text);
    bool fail(std::string what);

    CaptureHandlers handlers_;
    CaptureMetadata metadata_;
    std::string partial_;  // the start of a line whose end has not come yet
    std::string error_;
    std::uint64_t errorLine_ = 0;
    std::uint64_t lines_ = 0;
    std::uint64_t rows_ = 0;
    bool haveHeader_ = false;
    bool cutShort_ = false;
};

}  // namespace vesko
