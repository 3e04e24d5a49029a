// Sample times in nanoseconds since 1970 from the device's wrapping 48 MHz clock.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vesko {

// Seconds since 1970 of an ISO 8601 UTC time as captures state it
// ("2026-12-08T07:28:51Z"); nothing for any other text.
std::optional<std::int64_t> epochSecondsOfUtc(std::string_view text);

// Nanoseconds of `ticks` of the device clock, to the nearest one (a tick is 125/6 ns).
std::uint64_t ticksToNanos(std::uint64_t ticks) noexcept;

// The first sample is at `firstNs`; each later one by the device clock's
// advance since the one before, counted across every wrap of its 32 bits, so
// the time is exact to the nanosecond however long the capture. The host's
// arrival time only decides how many whole wraps a silence longer than half a
// wrap (about 45 s) spans, which the 32-bit clock cannot tell by itself.
class DeviceTimeline {
public:
    explicit DeviceTimeline(std::int64_t firstNs) : first(firstNs) {}

    // The time of the next sample, or nothing when it lies beyond what a
    // signed 64-bit count of nanoseconds holds (no real capture comes near).
    std::optional<std::int64_t> next(std::uint32_t ticks, std::int64_t hostMicros);

    // Ticks the device clock went back at the last sample (0 when it went on):
    // its time is then held at the one before, so times never decrease.
    std::uint64_t lastStepBack() const noexcept { return stepBack; }

private:
    std::int64_t first;
    bool started = false;
    std::uint32_t lastTicks = 0;
    std::int64_t lastHostMicros = 0;
    std::uint64_t elapsedTicks = 0;  // since the first sample
    std::uint64_t stepBack = 0;
};

}  // namespace vesko
