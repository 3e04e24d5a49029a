// Integrates the raw gyroscope over a turn; the bias comes off afterwards, so it may be measured later.
#pragma once

#include <cstdint>

#include "sample_stats.h"
#include "vector_math.h"

namespace vesko {

class TurnIntegrator {
public:
    // Each sample's rate counts over the interval since the previous sample
    // (from its 48 MHz tick, across the 32-bit wrap). The first sample only sets the clock;
    // intervals longer than kImuMaxSampleInterval are holes in the data, not integrated.
    void add(const ImuSample& sample) noexcept;

    // The angle turned about `up` (a unit vector in IMU axes), in degrees,
    // positive counter-clockwise seen from above: the integrated bias-corrected
    // rate along `up`. Signed, so that a gyroscope read the wrong way round shows.
    // `bias` in counts, `gyroScale` in rad/s per count.
    double angleDegrees(const Axes3& bias, const Vector3& up, double gyroScale) const noexcept;

    double seconds() const noexcept { return duration; }
    std::uint64_t holes() const noexcept { return skipped; }

private:
    bool started = false;
    std::uint32_t lastTick = 0;
    double duration = 0.0;   // s
    Axes3 integral{};        // counts x seconds
    std::uint64_t skipped = 0;
};

}  // namespace vesko
