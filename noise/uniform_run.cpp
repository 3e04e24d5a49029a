// Finds the median sample interval and the longest run without a gap in it.
#include "uniform_run.h"

#include <algorithm>
#include <vector>

namespace vesko {

namespace {

bool breaksBetween(const ImuSample& before, const ImuSample& after, std::uint32_t period) noexcept {
    if (static_cast<std::uint8_t>(after.seq - before.seq) != 1) return true;
    const std::uint32_t interval = after.timestamp - before.timestamp;  // modulo 2^32: the clock wraps
    const std::uint32_t off = interval > period ? interval - period : period - interval;
    return 2ull * off > period;
}

}  // namespace

std::uint32_t medianInterval(std::span<const ImuSample> samples) {
    if (samples.size() < 2) return 0;
    std::vector<std::uint32_t> intervals(samples.size() - 1);
    for (std::size_t i = 1; i < samples.size(); ++i) {
        intervals[i - 1] = samples[i].timestamp - samples[i - 1].timestamp;
    }
    const auto middle = intervals.begin() + static_cast<std::ptrdiff_t>(intervals.size() / 2);
    std::nth_element(intervals.begin(), middle, intervals.end());
    return *middle;
}

UniformRun longestUniformRun(std::span<const ImuSample> samples) {
    UniformRun best;
    best.periodTicks = medianInterval(samples);
    best.length = samples.size();
    if (samples.size() < 2) return best;
    best.length = 0;
    std::size_t start = 0;
    for (std::size_t i = 1; i <= samples.size(); ++i) {
        const bool end = i == samples.size();
        if (!end && !breaksBetween(samples[i - 1], samples[i], best.periodTicks)) continue;
        if (i - start > best.length) {
            best.first = start;
            best.length = i - start;
        }
        if (!end) ++best.breaks;
        start = i;
    }
    return best;
}

}  // namespace vesko
