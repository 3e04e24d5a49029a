// Field splitting and strict number reading for one line, and a row's fields as the writer forms them.
#include "capture_fields.h"

#include <array>
#include <charconv>
#include <limits>

#include "printable_text.h"

namespace vesko {

namespace {

constexpr std::int64_t kMicrosPerSecond = 1'000'000;
constexpr std::size_t kFractionDigits = 6;

constexpr std::array<const char*, kCaptureFieldCount> kFieldNames{
    "t_host_s", "ticks", "seq", "acc_x", "acc_y", "acc_z", "gyro_x", "gyro_y", "gyro_z"};

bool wholeInteger(std::string_view text, std::int64_t& value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return result.ec == std::errc() && result.ptr == end && !text.empty();
}

// Splits at commas into `fields`; the number of fields found (more than the
// array holds are counted, not kept).
std::size_t splitFields(std::string_view line, std::array<std::string_view, kCaptureFieldCount>& fields) {
    std::size_t count = 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = line.find(',', start);
        const std::size_t stop = comma == std::string_view::npos ? line.size() : comma;
        if (count < fields.size()) fields[count] = line.substr(start, stop - start);
        ++count;
        if (comma == std::string_view::npos) return count;
        start = comma + 1;
    }
}

// A field as an error message quotes it: its start, with any byte that could
// act on the terminal shown as \xHH.
std::string quoted(std::string_view field) {
    constexpr std::size_t kQuotedBytes = 40;
    std::string text = "'";
    text += printableText(field.substr(0, kQuotedBytes));
    text += '\'';
    return text;
}

bool intField(std::string_view text, std::size_t index, std::int64_t low, std::int64_t high,
              std::int64_t& value, std::string& what) {
    if (wholeInteger(text, value) && value >= low && value <= high) return true;
    what = "field ";
    what += kFieldNames[index];
    what += ": ";
    what += quoted(text);
    what += " is not an integer in ";
    what += std::to_string(low) + ".." + std::to_string(high);
    return false;
}

// A row exactly as the capture writer puts it down, in one pass: six fraction
// digits, plain digits, a sign only on negative axes, each field ended by its
// comma. It declines anything else, leaving it to the field-by-field reader.
class WriterFormRow {
public:
    explicit WriterFormRow(std::string_view line) : p_(line.data()), end_(line.data() + line.size()) {}

    bool parse(CaptureRow& row) {
        std::uint64_t seconds = 0, fraction = 0, ticks = 0, seq = 0;
        if (!digits(seconds, 12) || p_ == end_ || *p_++ != '.') return false;
        const char* fractionStart = p_;
        if (!digits(fraction, 6) || p_ - fractionStart != 6 || !comma()) return false;
        if (!digits(ticks, 10) || ticks > 0xFFFFFFFFu || !comma()) return false;
        if (!digits(seq, 3) || seq > 0xFFu || !comma()) return false;
        std::array<std::int16_t, 6> axes{};
        for (std::size_t i = 0; i < axes.size(); ++i) {
            if (!signedShort(axes[i]) || (i + 1 < axes.size() ? !comma() : p_ != end_)) return false;
        }
        row.hostMicros = static_cast<std::int64_t>(seconds) * kMicrosPerSecond + static_cast<std::int64_t>(fraction);
        row.sample.timestamp = static_cast<std::uint32_t>(ticks);
        row.sample.seq = static_cast<std::uint8_t>(seq);
        row.sample.acc = {axes[0], axes[1], axes[2]};
        row.sample.gyro = {axes[3], axes[4], axes[5]};
        return true;
    }

private:
    bool comma() { return p_ != end_ && *p_++ == ','; }

    bool digits(std::uint64_t& value, std::ptrdiff_t maxDigits) {
        const char* start = p_;
        for (; p_ != end_ && static_cast<unsigned>(*p_ - '0') < 10; ++p_) {
            value = value * 10 + static_cast<unsigned>(*p_ - '0');
        }
        return p_ != start && p_ - start <= maxDigits;
    }

    bool signedShort(std::int16_t& value) {
        const bool negative = p_ != end_ && *p_ == '-';
        if (negative) ++p_;
        std::uint64_t magnitude = 0;
        if (!digits(magnitude, 5) || magnitude > (negative ? 32768u : 32767u)) return false;
        value = static_cast<std::int16_t>(negative ? -static_cast<std::int64_t>(magnitude)
                                                   : static_cast<std::int64_t>(magnitude));
        return true;
    }

    const char* p_;
    const char* end_;
};

}  // namespace

bool parseHostSeconds(std::string_view text, std::int64_t& micros) {
    const std::size_t dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    std::int64_t seconds = 0;
    if (whole.empty() || whole[0] == '-' || !wholeInteger(whole, seconds)) return false;
    if (seconds > std::numeric_limits<std::int64_t>::max() / kMicrosPerSecond - 1) return false;
    std::int64_t fraction = 0;
    if (dot != std::string_view::npos) {
        const std::string_view digits = text.substr(dot + 1);
        if (digits.empty() || digits.size() > kFractionDigits) return false;
        for (const char c : digits) {
            if (c < '0' || c > '9') return false;
            fraction = fraction * 10 + (c - '0');
        }
        for (std::size_t i = digits.size(); i < kFractionDigits; ++i) fraction *= 10;
    }
    micros = seconds * kMicrosPerSecond + fraction;
    return true;
}

bool parseCaptureRow(std::string_view line, CaptureRow& row, std::string& what) {
    // The one-pass reader's only caller, so that it is inlined here: it reads nearly every row.
    return WriterFormRow(line).parse(row) || parseCaptureRowByFields(line, row, what);
}

bool parseCaptureRowByFields(std::string_view line, CaptureRow& row, std::string& what) {
    std::array<std::string_view, kCaptureFieldCount> f;
    const std::size_t count = splitFields(line, f);
    if (count != kCaptureFieldCount) {
        what = "expected " + std::to_string(kCaptureFieldCount) + " fields, found " + std::to_string(count);
        return false;
    }
    if (!parseHostSeconds(f[0], row.hostMicros)) {
        what = "field t_host_s: " + quoted(f[0]) + " is not a time in seconds (S or S.ffffff)";
        return false;
    }
    std::array<std::int64_t, kCaptureFieldCount> v{};
    constexpr std::int64_t kLow16 = std::numeric_limits<std::int16_t>::min();
    constexpr std::int64_t kHigh16 = std::numeric_limits<std::int16_t>::max();
    if (!intField(f[1], 1, 0, std::numeric_limits<std::uint32_t>::max(), v[1], what)) return false;
    if (!intField(f[2], 2, 0, std::numeric_limits<std::uint8_t>::max(), v[2], what)) return false;
    for (std::size_t i = 3; i < kCaptureFieldCount; ++i) {
        if (!intField(f[i], i, kLow16, kHigh16, v[i], what)) return false;
    }
    row.sample.timestamp = static_cast<std::uint32_t>(v[1]);
    row.sample.seq = static_cast<std::uint8_t>(v[2]);
    for (std::size_t axis = 0; axis < 3; ++axis) {
        row.sample.acc[axis] = static_cast<std::int16_t>(v[3 + axis]);
        row.sample.gyro[axis] = static_cast<std::int16_t>(v[6 + axis]);
    }
    return true;
}

}  // namespace vesko
