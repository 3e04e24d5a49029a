// Tells when the headset has been still, in blocks of samples, and keeps the still stretch's sums.
#pragma once

#include <optional>
#include <vector>

#include "sample_stats.h"

namespace vesko {

// A block of samples is steady when each of these holds; a run is a stretch of
// steady blocks in a row. The sensor noise of a good unit (about 1 count of gyro
// and 3 counts of accelerometer) is far inside them; a hand holding the headset,
// or a turn at any constant rate, is not.
struct StillnessThresholds {
    double blockSeconds = 0.2;    // device time per judged block
    double gyroMaxSd = 4.0;       // counts (0.24 deg/s), per axis within a block
    double accMaxSd = 15.0;       // counts (3.7 mg), per axis within a block
    double gyroMaxStep = 8.0;     // counts (0.5 deg/s), block mean against the run's mean
    double accMaxStep = 20.0;     // counts (4.9 mg), block mean against the run's mean
    double gyroMaxOffset = 30.0;  // counts (1.8 deg/s), block mean against the rest bias, once known
};

class StillnessRun {
public:
    enum class Block { none, steady, moving };

    explicit StillnessRun(const StillnessThresholds& thresholds = {}) : limits(thresholds) {}

    // Once the rest bias is known, a steady turn at a constant rate no longer looks still.
    void setRestBias(const Axes3& bias) { restBias = bias; }
    // Adds one sample; says whether a block ended with it and how it was judged.
    Block add(const ImuSample& sample, double dt);
    // Forgets the run and the block in progress (after a gap in the data).
    void reset();

    double runSeconds() const noexcept { return total.seconds; }
    const SampleStats& run() const noexcept { return total; }
    const std::vector<SampleStats>& runBlocks() const noexcept { return blocks; }

private:
    bool steady(const SampleStats& block) const;

    StillnessThresholds limits;
    std::optional<Axes3> restBias;
    SampleStats current;
    SampleStats total;
    std::vector<SampleStats> blocks;
};

}  // namespace vesko
