// The samples of a capture as the noise analysis needs them, packed: counts per axis, intervals, sequence steps.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "imu_sample.h"
#include "packed_column.h"
#include "uniform_run.h"

namespace vesko {

// Taken one sample at a time as the capture is read, in a few bytes a sample
// instead of the whole record, so that a day-long capture fits a laptop.
class SampleColumns {
public:
    void append(const ImuSample& sample);

    std::size_t size() const noexcept { return intervals_.size(); }
    // The raw counts of one axis, in kImuAxes order.
    const PackedColumn& counts(std::size_t axis) const noexcept { return counts_[axis]; }
    std::size_t storedBytes() const noexcept;

    // As for the samples themselves (uniform_run.h): the same figures.
    std::uint32_t medianInterval() const;
    UniformRun longestUniformRun() const;

private:
    std::array<PackedColumn, 6> counts_;
    PackedColumn intervals_;  // ticks since the sample before (modulo 2^32); 0 for the first
    PackedColumn seqSteps_;   // seq minus the one before (modulo 256); 1 for the first
    std::uint32_t lastTimestamp_ = 0;
    std::uint8_t lastSeq_ = 0;
};

}  // namespace vesko
