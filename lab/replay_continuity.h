// What replay notices in the order of a capture's rows: device time going back, repeated rows, skipped seq.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imu_sample.h"

namespace vesko {

// The stream never hands on such rows, so in a capture they mean a clock that
// restarted, an edited or concatenated file, or lost samples: worth a word,
// since the filter restarts or bridges at each without saying why.
class RowContinuity {
public:
    // The next row's sample, in file order.
    void add(const ImuSample& sample) noexcept;

    // One sentence per kind of fault seen, with how often and the first row
    // (counted from 1); none for a capture in order.
    std::vector<std::string> findings() const;

private:
    struct Tally {
        std::uint64_t count = 0;
        std::uint64_t firstRow = 0;
        void add(std::uint64_t row) noexcept;
    };

    std::uint64_t rows_ = 0;
    bool haveLast_ = false;
    std::uint32_t lastTimestamp_ = 0;
    std::uint8_t lastSeq_ = 0;
    Tally timeBack_;
    Tally repeated_;
    Tally seqSkipped_;
};

}  // namespace vesko
