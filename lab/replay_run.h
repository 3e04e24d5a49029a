// Replaying samples through the attitude filter on device time, with headvane's texts.
#pragma once

#include <cstdint>
#include <string>

#include "attitude_filter.h"
#include "loop_state.h"
#include "replay_picture.h"

namespace vesko {

// headvane's status period, replay's default: the summary's drift is always
// measured from the mark this period would give, whatever the status period.
inline constexpr double kLiveStatusSeconds = 0.2;

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
    // angles and the drift rates from the mark to the last sample. The mark
    // is the one headvane's own status period gives, so that the summary does
    // not depend on the period of the status lines.
    std::string summary() const;

    std::uint64_t deviceMicros() const { return deviceMicros_; }

    // From now on each status shown also goes into `trace` (which must outlive the run), with marks and restarts.
    void traceInto(ReplayTrace* trace) { trace_ = trace; }

private:
    std::string statusText();
    void markForSummary();
    void addToTrace(const FilterSnapshot& snapshot, const YawPitchRoll& angles);

    AttitudeFilter& filter_;
    std::int64_t periodMicros_;
    LoopState state_;
    bool haveTicks_ = false;
    std::uint32_t lastTicks_ = 0;
    std::uint64_t deviceTicks_ = 0;   // since the first sample, unwrapped
    std::uint64_t deviceMicros_ = 0;  // the same in microseconds
    std::int64_t nextStatusMicros_;
    LoopState summaryState_;  // marked on the live period's grid
    std::int64_t nextSummaryMarkMicros_;
    ReplayTrace* trace_ = nullptr;
    SteadyClock::time_point tracedMark_{SteadyClock::time_point::max()};
    std::uint64_t tracedResets_ = 0;
};

// headvane's status text made into lines: the in-place carriage return and
// the trailing blanks go, a line break ends it.
std::string asPlainLines(const std::string& statusText);

}  // namespace vesko
