// Reading the fields of one capture line: times, raw integers, the data row.
#include "capture_fields.h"

#include <array>
#include <charconv>
#include <limits>

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

bool intField(std::string_view text, std::size_t index, std::int64_t low, std::int64_t high,
              std::int64_t& value, std::string& what) {
    if (wholeInteger(text, value) && value >= low && value <= high) return true;
    what = "field ";
    what += kFieldNames[index];
    what += ": '";
    what += text.substr(0, 40);
    what += "' is not an integer in ";
    what += std::to_string(low) + ".." + std::to_string(high);
    return false;
}

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
    std::array<std::string_view, kCaptureFieldCount> f;
    const std::size_t count = splitFields(line, f);
    if (count != kCaptureFieldCount) {
        what = "expected " + std::to_string(kCaptureFieldCount) + " fields, found " + std::to_string(count);
        return false;
    }
    if (!parseHostSeconds(f[0], row.hostMicros)) {
        what = "field t_host_s: '" + std::string(f[0].substr(0, 40)) +
               "' is not a time in seconds (S or S.ffffff)";
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
