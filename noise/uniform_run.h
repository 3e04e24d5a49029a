// The longest stretch of a capture that is sampled uniformly, which the Allan analysis needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "imu_sample.h"

namespace vesko {

struct UniformRun {
    std::uint32_t periodTicks = 0;  // tau0: the median interval of the capture, in 48 MHz ticks
    std::size_t first = 0;          // index of the run's first sample
    std::size_t length = 0;         // samples in the run
    std::size_t breaks = 0;         // places in the whole capture where uniform sampling breaks
};

// A break is a sequence number that does not follow the previous one by 1, or
// an interval (modulo the 32-bit clock wrap) off the median by more than half
// of it. The earliest of equally long runs wins. Fewer than two samples give
// a run of what there is with no period.
UniformRun longestUniformRun(std::span<const ImuSample> samples);

// The median tick interval between consecutive samples (0 for fewer than two).
std::uint32_t medianInterval(std::span<const ImuSample> samples);

}  // namespace vesko
