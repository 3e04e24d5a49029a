// Unwrapping the device clock into nanoseconds since 1970, in integers.
#include "device_timeline.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <numeric>

#include "imu_sample.h"

namespace vesko {

namespace {

constexpr std::uint64_t kNanosPerSecond = 1'000'000'000;
constexpr std::uint64_t kTickGcd = std::gcd(kNanosPerSecond, std::uint64_t{kImuTicksPerSecond});
constexpr std::uint64_t kNanosPerTickNum = kNanosPerSecond / kTickGcd;               // 125
constexpr std::uint64_t kNanosPerTickDen = std::uint64_t{kImuTicksPerSecond} / kTickGcd;  // 6
constexpr double kWrapTicks = 4294967296.0;  // 2^32
// Far beyond any recording; keeps the tick count and its products in 64 bits.
constexpr std::int64_t kMostWraps = std::int64_t{1} << 28;
constexpr std::uint64_t kMostElapsedTicks = std::uint64_t{1} << 62;

// "NNNN" at `at` of `text` into `value`; false unless all are digits.
bool digits(std::string_view text, std::size_t at, std::size_t count, int& value) {
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

}  // namespace

std::optional<std::int64_t> epochSecondsOfUtc(std::string_view text) {
    static constexpr std::string_view kShape = "YYYY-MM-DDTHH:MM:SSZ";
    if (text.size() != kShape.size()) return std::nullopt;
    for (std::size_t i = 0; i < kShape.size(); ++i) {
        const bool literal = kShape[i] == '-' || kShape[i] == 'T' || kShape[i] == ':' || kShape[i] == 'Z';
        if (literal && text[i] != kShape[i]) return std::nullopt;
    }
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!digits(text, 0, 4, year) || !digits(text, 5, 2, month) || !digits(text, 8, 2, day) ||
        !digits(text, 11, 2, hour) || !digits(text, 14, 2, minute) || !digits(text, 17, 2, second)) {
        return std::nullopt;
    }
    using namespace std::chrono;
    const year_month_day date{std::chrono::year(year), std::chrono::month(static_cast<unsigned>(month)),
                              std::chrono::day(static_cast<unsigned>(day))};
    if (!date.ok() || year < 1970 || hour > 23 || minute > 59 || second > 60) return std::nullopt;
    const auto days = sys_days(date).time_since_epoch().count();
    return std::int64_t{days} * 86400 + hour * 3600 + minute * 60 + second;
}

std::uint64_t ticksToNanos(std::uint64_t ticks) noexcept {
    // Split so that the product cannot overflow; rounds half up.
    return ticks / kNanosPerTickDen * kNanosPerTickNum +
           (ticks % kNanosPerTickDen * kNanosPerTickNum + kNanosPerTickDen / 2) / kNanosPerTickDen;
}

std::optional<std::int64_t> DeviceTimeline::next(std::uint32_t ticks, std::int64_t hostMicros) {
    stepBack = 0;
    if (!started) {
        started = true;
        lastTicks = ticks;
        lastHostMicros = hostMicros;
        return first;
    }
    const std::uint32_t advance = ticks - lastTicks;  // modulo 2^32
    const double hostTicks = static_cast<double>(hostMicros - lastHostMicros) * (kImuTicksPerSecond / 1e6);
    const double nearest = std::nearbyint((hostTicks - advance) / kWrapTicks);
    const std::int64_t wraps = static_cast<std::int64_t>(std::clamp(nearest, -1.0, static_cast<double>(kMostWraps)));
    std::int64_t step = static_cast<std::int64_t>(advance) + wraps * static_cast<std::int64_t>(kWrapTicks);
    if (step < 0) {
        stepBack = static_cast<std::uint64_t>(-step);
        step = 0;
    }
    lastTicks = ticks;
    lastHostMicros = hostMicros;
    elapsedTicks += static_cast<std::uint64_t>(step);
    if (elapsedTicks > kMostElapsedTicks) return std::nullopt;
    const std::uint64_t nanos = ticksToNanos(elapsedTicks);
    if (nanos > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max() - first)) return std::nullopt;
    return first + static_cast<std::int64_t>(nanos);
}

}  // namespace vesko
