// Drift as each angle's wrapped change over the steady-clock minutes since the mark; none too soon after it.
#include "drift.h"

namespace vesko {

namespace {

constexpr double kNanosecondsPerSecond = 1e9;
constexpr double kSecondsPerMinute = 60.0;

double rate(double now, double reference, double minutes) {
    return minutes > kMinDriftMinutes ? wrap(now - reference) / minutes : 0.0;
}

}  // namespace

double minutesSince(SteadyClock::time_point markAt, SteadyClock::time_point now) {
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(now - markAt).count();
    return static_cast<double>(ns) / kNanosecondsPerSecond / kSecondsPerMinute;
}

DriftRates driftRates(const YawPitchRoll& now, const YawPitchRoll& reference, double minutes) {
    return {rate(now.yaw, reference.yaw, minutes), rate(now.pitch, reference.pitch, minutes),
            rate(now.roll, reference.roll, minutes)};
}

}  // namespace vesko
