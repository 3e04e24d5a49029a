// What replay notices in the order of a capture's rows.
#include "replay_continuity.h"

#include "printf_string.h"

namespace vesko {

void RowContinuity::Tally::add(std::uint64_t row) noexcept {
    if (count++ == 0) firstRow = row;
}

void RowContinuity::add(const ImuSample& sample) noexcept {
    ++rows_;
    const bool had = haveLast_;
    const std::uint32_t lastTimestamp = lastTimestamp_;
    const std::uint8_t lastSeq = lastSeq_;
    haveLast_ = true;
    lastTimestamp_ = sample.timestamp;
    lastSeq_ = sample.seq;
    if (!had) return;
    if (sample.timestamp == lastTimestamp && sample.seq == lastSeq) {
        repeated_.add(rows_);
        return;
    }
    // The 32-bit clock wraps: a step of more than half its cycle is a step back.
    if (static_cast<std::int32_t>(sample.timestamp - lastTimestamp) < 0) timeBack_.add(rows_);
    if (sample.seq != static_cast<std::uint8_t>(lastSeq + 1)) seqSkipped_.add(rows_);
}

std::vector<std::string> RowContinuity::findings() const {
    const auto times = [](std::uint64_t n) { return n == 1 ? std::string("once") : std::to_string(n) + " times"; };
    std::vector<std::string> found;
    if (timeBack_.count > 0) {
        found.push_back(printfString("device time goes back %s (first at row %llu); the filter restarts at each",
                                     times(timeBack_.count).c_str(),
                                     static_cast<unsigned long long>(timeBack_.firstRow)));
    }
    if (repeated_.count > 0) {
        const auto count = static_cast<unsigned long long>(repeated_.count);
        found.push_back(printfString(count == 1 ? "%llu row repeats the row before it (row %llu)"
                                                : "%llu rows repeat the row before them (first at row %llu)",
                                     count, static_cast<unsigned long long>(repeated_.firstRow)));
    }
    if (seqSkipped_.count > 0) {
        found.push_back(printfString("seq skips %s (first at row %llu): samples are missing",
                                     times(seqSkipped_.count).c_str(),
                                     static_cast<unsigned long long>(seqSkipped_.firstRow)));
    }
    return found;
}

}  // namespace vesko
