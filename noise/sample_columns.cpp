// Packs samples as they come, and finds the median interval and the longest uniform run in the packed form.
#include "sample_columns.h"

#include <algorithm>
#include <vector>

#include "imu_axis.h"

namespace vesko {

namespace {

// Stretches of a column read back at a time: small enough for the cache.
constexpr std::size_t kStretch = PackedColumn::kBlockValues;

// Calls take(value) for each value of [from, to) in order.
template <class Take>
void forEachValue(const PackedColumn& column, std::size_t from, std::size_t to, Take&& take) {
    std::int64_t values[kStretch];
    for (std::size_t at = from; at < to; at += kStretch) {
        const std::size_t count = std::min(kStretch, to - at);
        column.read(at, at + count, values);
        for (std::size_t i = 0; i < count; ++i) take(values[i]);
    }
}

// The k-th smallest (from 0) of the 32-bit values of [from, to): the high
// halves counted first, then the low halves of those in the right high one,
// in memory that does not grow with the column.
std::uint32_t kthSmallest(const PackedColumn& column, std::size_t from, std::size_t to, std::size_t k) {
    constexpr std::size_t kHalves = std::size_t{1} << 16;
    std::vector<std::size_t> counts(kHalves, 0);
    forEachValue(column, from, to, [&](std::int64_t v) { ++counts[static_cast<std::uint32_t>(v) >> 16]; });
    std::size_t high = 0;
    for (; k >= counts[high]; ++high) k -= counts[high];
    std::fill(counts.begin(), counts.end(), 0);
    forEachValue(column, from, to, [&](std::int64_t v) {
        const auto value = static_cast<std::uint32_t>(v);
        if ((value >> 16) == high) ++counts[value & 0xFFFFu];
    });
    std::size_t low = 0;
    for (; k >= counts[low]; ++low) k -= counts[low];
    return static_cast<std::uint32_t>(high << 16 | low);
}

}  // namespace

void SampleColumns::append(const ImuSample& sample) {
    const bool first = size() == 0;
    for (std::size_t axis = 0; axis < counts_.size(); ++axis) counts_[axis].append(countOf(sample, kImuAxes[axis]));
    intervals_.append(first ? 0 : static_cast<std::uint32_t>(sample.timestamp - lastTimestamp_));
    seqSteps_.append(first ? 1 : static_cast<std::uint8_t>(sample.seq - lastSeq_));
    lastTimestamp_ = sample.timestamp;
    lastSeq_ = sample.seq;
}

std::size_t SampleColumns::storedBytes() const noexcept {
    std::size_t bytes = intervals_.storedBytes() + seqSteps_.storedBytes();
    for (const PackedColumn& c : counts_) bytes += c.storedBytes();
    return bytes;
}

std::uint32_t SampleColumns::medianInterval() const {
    if (size() < 2) return 0;
    return kthSmallest(intervals_, 1, size(), (size() - 1) / 2);
}

UniformRun SampleColumns::longestUniformRun() const {
    UniformRun best;
    best.periodTicks = medianInterval();
    best.length = size();
    if (size() < 2) return best;
    best.length = 0;
    const std::uint32_t period = best.periodTicks;
    std::size_t start = 0;
    std::size_t i = 0;
    const auto closeRunBefore = [&](std::size_t next) {
        if (next - start > best.length) {
            best.first = start;
            best.length = next - start;
        }
        start = next;
    };
    std::int64_t steps[kStretch];
    forEachValue(intervals_, 0, size(), [&](std::int64_t value) {
        if (i % kStretch == 0) seqSteps_.read(i, std::min(size(), i + kStretch), steps);
        const auto interval = static_cast<std::uint32_t>(value);
        const std::uint32_t off = interval > period ? interval - period : period - interval;
        if (i > 0 && (steps[i % kStretch] != 1 || 2ull * off > period)) {
            closeRunBefore(i);
            ++best.breaks;
        }
        ++i;
    });
    closeRunBefore(size());
    return best;
}

}  // namespace vesko
