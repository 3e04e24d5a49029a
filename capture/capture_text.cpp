// Number and line formatting for each kind of capture line: metadata, rows, events, the summary.
#include "capture_text.h"

#include <array>
#include <charconv>

namespace vesko {

namespace {

constexpr std::int64_t kMicrosPerSecond = 1'000'000;

template <typename T>
void appendNumber(std::string& out, T value) {
    std::array<char, 24> digits{};
    const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
    out.append(digits.data(), end);
}

std::string oneLine(const std::string& text) {
    std::string clean = text;
    for (char& c : clean) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f) c = '?';
    }
    return clean;
}

void appendMeta(std::string& out, const char* key, const std::string& value) {
    if (value.empty()) return;
    out += "# ";
    out += key;
    out += ' ';
    out += oneLine(value);
    out += '\n';
}

void appendCounter(std::string& out, const char* key, std::uint64_t value) {
    out += ' ';
    out += key;
    out += ' ';
    appendNumber(out, value);
}

}  // namespace

void appendHostSeconds(std::string& out, std::int64_t micros) {
    appendNumber(out, micros / kMicrosPerSecond);
    std::array<char, 7> fraction{'.', '0', '0', '0', '0', '0', '0'};
    std::int64_t rest = micros % kMicrosPerSecond;
    for (std::size_t i = fraction.size() - 1; i > 0; --i, rest /= 10) {
        fraction[i] = static_cast<char>('0' + rest % 10);
    }
    out.append(fraction.data(), fraction.size());
}

void appendCaptureRow(std::string& out, const CaptureRow& row) {
    const ImuSample& s = row.sample;
    appendHostSeconds(out, row.hostMicros);
    out += ',';
    appendNumber(out, s.timestamp);
    out += ',';
    appendNumber(out, static_cast<unsigned>(s.seq));
    for (const auto& axes : {s.acc, s.gyro}) {
        for (const std::int16_t v : axes) {
            out += ',';
            appendNumber(out, static_cast<int>(v));
        }
    }
    out += '\n';
}

// GCC 12 at -O3 reports a false -Wrestrict inside std::string's appends here
// (a known fault of that compiler's overlap analysis).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
std::string captureHeaderText(const CaptureMetadata& m) {
    std::string out = "# ";
    out += kCaptureFormatName;
    out += ' ';
    appendNumber(out, kCaptureFormatVersion);
    out += '\n';
    appendMeta(out, "tool", m.tool);
    appendMeta(out, "started_utc", m.startedUtc);
    appendMeta(out, "unit_serial", m.unitSerial);
    appendMeta(out, "config_serial", m.configSerial);
    appendMeta(out, "config_path", m.configPath);
    appendMeta(out, "gyro_scale", m.gyroScale);
    appendMeta(out, "acc_counts_per_g", m.accCountsPerG);
    out += kCaptureColumns;
    out += '\n';
    return out;
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

std::string captureEventText(const CaptureEvent& event) {
    std::string out = "# event ";
    appendHostSeconds(out, event.hostMicros);
    out += ' ';
    out += oneLine(event.text);
    out += '\n';
    return out;
}

std::string captureSummaryText(const CaptureSummary& summary) {
    std::string out = "# summary duration_s ";
    appendHostSeconds(out, summary.durationMicros);
    appendCounter(out, "reports", summary.stream.reports);
    appendCounter(out, "samples", summary.stream.samples);
    appendCounter(out, "gaps", summary.stream.gaps);
    appendCounter(out, "timeouts", summary.stream.timeouts);
    appendCounter(out, "other_reports", summary.stream.otherReports);
    appendCounter(out, "dropped", summary.dropped);
    out += '\n';
    return out;
}

}  // namespace vesko
