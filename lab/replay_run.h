// Replaying samples through the attitude filter on device time, with headvane's texts.
#pragma once

#include <cstdint>
#include <string>

#include "attitude_filter.h"
#include "loop_state.h"

namespace vesko {

// Feeds samples in order to a filter and says, as text, what headvane would
// have shown every `periodSeconds` of device time: each status on a line of
// its own. Nothing depends on the host's clock, so the text is the same on
// every run and platform.
class ReplayRun {
public:
    // `filter` must be configured already and outlive the run.
    ReplayRun(AttitudeFilter& filter, double periodSeconds);

    // One sample; returns what to print after it (usually nothing).
    std::string feed(const ImuSample& sample);
    // The closing summary: samples, restarts, gaps bridged, bias, final
    // angles and the drift rates from the mark to the last sample.
    std::string summary() const;

    std::uint64_t deviceMicros() const { return deviceMicros_; }

private:
    std::string statusText();

    AttitudeFilter& filter_;
    std::int64_t periodMicros_;
    LoopState state_;
    bool haveTicks_ = false;
    std::uint32_t lastTicks_ = 0;
    std::uint64_t deviceTicks_ = 0;   // since the first sample, unwrapped
    std::uint64_t deviceMicros_ = 0;  // the same in microseconds
    std::int64_t nextStatusMicros_;
};

// headvane's status text made into lines: the in-place carriage return and
// the trailing blanks go, a line break ends it.
std::string asPlainLines(const std::string& statusText);

}  // namespace vesko
