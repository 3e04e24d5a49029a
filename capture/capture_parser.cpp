// Line assembly across chunks, and each line's reading: metadata, the header, rows, events and the summary.
#include "capture_parser.h"

#include <charconv>
#include <cstring>

#include "capture_fields.h"

namespace vesko {

namespace {

constexpr std::string_view kEventKey = "event";
constexpr std::string_view kSummaryKey = "summary";
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// Splits off the first word (up to a blank) of `text`, leaving the rest.
std::string_view firstWord(std::string_view& text) {
    const std::size_t blank = text.find(' ');
    const std::string_view word = text.substr(0, blank);
    text = blank == std::string_view::npos ? std::string_view() : text.substr(blank + 1);
    return word;
}

bool unsignedValue(std::string_view text, std::uint64_t& value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return !text.empty() && result.ec == std::errc() && result.ptr == end;
}

std::uint64_t* summaryCounter(CaptureSummary& s, std::string_view key) {
    if (key == "reports") return &s.stream.reports;
    if (key == "samples") return &s.stream.samples;
    if (key == "gaps") return &s.stream.gaps;
    if (key == "timeouts") return &s.stream.timeouts;
    if (key == "other_reports") return &s.stream.otherReports;
    if (key == "dropped") return &s.dropped;
    return nullptr;
}

}  // namespace

CaptureParser::CaptureParser(CaptureHandlers handlers) : handlers_(std::move(handlers)) {}

bool CaptureParser::fail(std::string what) {
    error_ = std::move(what);
    errorLine_ = lines_;
    return false;
}

bool CaptureParser::feed(std::string_view bytes) {
    while (!failed() && !bytes.empty()) {
        const void* found = std::memchr(bytes.data(), '\n', bytes.size());
        if (found == nullptr) {
            if (partial_.size() + bytes.size() > kCaptureMaxLineLength) {
                ++lines_;
                return fail("line longer than " + std::to_string(kCaptureMaxLineLength) + " characters");
            }
            partial_.append(bytes);
            return true;
        }
        const auto length = static_cast<std::size_t>(static_cast<const char*>(found) - bytes.data());
        std::string_view line = bytes.substr(0, length);
        bytes.remove_prefix(length + 1);
        if (!partial_.empty()) {
            partial_.append(line);
            line = partial_;
        }
        ++lines_;
        if (line.size() > kCaptureMaxLineLength) {
            return fail("line longer than " + std::to_string(kCaptureMaxLineLength) + " characters");
        }
        const bool ok = takeLine(line);
        partial_.clear();
        if (!ok) return false;
    }
    return !failed();
}

bool CaptureParser::finish() {
    if (failed()) return false;
    if (!partial_.empty()) {
        ++lines_;
        cutShort_ = true;
        partial_.clear();
    }
    if (haveHeader_) return true;
    fail("no column header (" + std::string(kCaptureColumns) + ")");
    if (errorLine_ == 0) errorLine_ = 1;  // an empty file
    return false;
}

bool CaptureParser::takeLine(std::string_view text) {
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);  // copied through Windows tools
    if (lines_ == 1 && text.starts_with(kUtf8ByteOrderMark)) text.remove_prefix(kUtf8ByteOrderMark.size());  // saved by an editor
    if (text.empty()) return true;
    if (text[0] == '#') return takeComment(text.substr(1));
    if (!haveHeader_) return takeHeader(text);
    CaptureRow row;
    std::string what;
    if (!parseCaptureRow(text, row, what)) return fail(std::move(what));
    ++rows_;
    if (handlers_.onRow) handlers_.onRow(row);
    return true;
}

bool CaptureParser::takeHeader(std::string_view text) {
    if (text != kCaptureColumns) {
        return fail("expected the column header " + std::string(kCaptureColumns));
    }
    haveHeader_ = true;
    if (handlers_.onHeader) handlers_.onHeader(metadata_);
    return true;
}

bool CaptureParser::takeComment(std::string_view body) {
    if (!body.empty() && body[0] == ' ') body.remove_prefix(1);
    const std::string_view key = firstWord(body);
    if (key == kEventKey) return takeEvent(body);
    if (key == kSummaryKey) return takeSummary(body);
    return haveHeader_ ? true : takeMetadata(key, body);
}

bool CaptureParser::takeMetadata(std::string_view key, std::string_view value) {
    if (key == kCaptureFormatName) {
        std::uint64_t version = 0;
        if (!unsignedValue(value, version) || version == 0) return fail("format version is not a number");
        if (version > static_cast<std::uint64_t>(kCaptureFormatVersion)) {
            return fail("format version " + std::string(value) + " is newer than this program reads (" +
                        std::to_string(kCaptureFormatVersion) + ")");
        }
        metadata_.formatVersion = static_cast<int>(version);
        return true;
    }
    const std::pair<std::string_view, std::string*> fields[] = {
        {"tool", &metadata_.tool},
        {"started_utc", &metadata_.startedUtc},
        {"unit_serial", &metadata_.unitSerial},
        {"config_serial", &metadata_.configSerial},
        {"config_path", &metadata_.configPath},
        {"gyro_scale", &metadata_.gyroScale},
        {"acc_counts_per_g", &metadata_.accCountsPerG}};
    for (const auto& [name, field] : fields) {
        if (key == name) field->assign(value);
    }
    return true;
}

bool CaptureParser::takeEvent(std::string_view rest) {
    CaptureEvent event;
    if (!parseHostSeconds(firstWord(rest), event.hostMicros)) return fail("event without a time in seconds");
    event.text.assign(rest);
    if (handlers_.onEvent) handlers_.onEvent(event);
    return true;
}

bool CaptureParser::takeSummary(std::string_view rest) {
    CaptureSummary summary;
    bool haveDuration = false;
    while (!rest.empty()) {
        const std::string_view key = firstWord(rest);
        const std::string_view value = firstWord(rest);
        if (key == "duration_s") {
            haveDuration = parseHostSeconds(value, summary.durationMicros);
            if (!haveDuration) return fail("summary: duration_s is not a time in seconds");
        } else if (std::uint64_t* counter = summaryCounter(summary, key)) {
            if (!unsignedValue(value, *counter)) return fail("summary: " + std::string(key) + " is not a count");
        }
    }
    if (!haveDuration) return fail("summary without duration_s");
    if (handlers_.onSummary) handlers_.onSummary(summary);
    return true;
}

}  // namespace vesko
