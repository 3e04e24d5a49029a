// Drift of the orientation against a marked reference, in degrees per minute.
#pragma once

#include <chrono>

#include "vector_math.h"

namespace vesko {

using SteadyClock = std::chrono::steady_clock;

// Rates over a shorter span than this (0.6 s) are noise over a tiny divisor: show 0.
inline constexpr double kMinDriftMinutes = 0.01;

struct DriftRates {
    double yaw = 0.0;    // degrees per minute
    double pitch = 0.0;  // degrees per minute
    double roll = 0.0;   // degrees per minute
};

// Minutes from `markAt` to `now` on the steady clock.
double minutesSince(SteadyClock::time_point markAt, SteadyClock::time_point now);

// Each angle's change since the reference, taken the short way round (179 to
// -179 is +2, not -358), divided by the minutes.
DriftRates driftRates(const YawPitchRoll& now, const YawPitchRoll& reference, double minutes);

}  // namespace vesko
