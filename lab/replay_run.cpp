// Status lines paced on device time, and the summary's drift, from samples fed one by one.
#include "replay_run.h"

#include <algorithm>

#include "imu_sample.h"
#include "printf_string.h"
#include "status_line.h"

namespace vesko {

namespace {

constexpr double kMicrosPerSecond = 1e6;
constexpr std::uint64_t kTicksPerMicro = kImuTicksPerSecond / 1'000'000;

SteadyClock::time_point deviceTimePoint(std::uint64_t micros) {
    return SteadyClock::time_point(std::chrono::microseconds(static_cast<std::int64_t>(micros)));
}

const std::int64_t kLiveStatusMicros = static_cast<std::int64_t>(kLiveStatusSeconds * kMicrosPerSecond + 0.5);

// Moves `next` past `now` in steps of `period`: after a gap in the clock the
// next one comes a period after this one.
void stepPast(std::int64_t& next, std::int64_t period, std::uint64_t now) {
    while (next <= static_cast<std::int64_t>(now)) next += period;
}

}  // namespace

std::string asPlainLines(const std::string& statusText) {
    std::string lines = statusText;
    lines.erase(std::remove(lines.begin(), lines.end(), '\r'), lines.end());
    while (!lines.empty() && lines.back() == ' ') lines.pop_back();
    if (!lines.empty() && lines.back() != '\n') lines += '\n';
    return lines;
}

ReplayRun::ReplayRun(AttitudeFilter& filter, double periodSeconds)
    : filter_(filter),
      periodMicros_(static_cast<std::int64_t>(periodSeconds * kMicrosPerSecond + 0.5)),
      state_(startLoop(deviceTimePoint(0))),
      nextStatusMicros_(periodMicros_),
      summaryState_(startLoop(deviceTimePoint(0))),
      nextSummaryMarkMicros_(kLiveStatusMicros) {
    if (periodMicros_ < 1) periodMicros_ = nextStatusMicros_ = 1;
}

std::string ReplayRun::feed(const ImuSample& sample) {
    if (haveTicks_) deviceTicks_ += static_cast<std::uint32_t>(sample.timestamp - lastTicks_);
    haveTicks_ = true;
    lastTicks_ = sample.timestamp;
    deviceMicros_ = deviceTicks_ / kTicksPerMicro;
    filter_.update(sample);
    markForSummary();
    if (static_cast<std::int64_t>(deviceMicros_) < nextStatusMicros_) return {};
    stepPast(nextStatusMicros_, periodMicros_, deviceMicros_);
    return statusText();
}

// What headvane's first ready tick would mark, as the status lines would with their default period.
void ReplayRun::markForSummary() {
    if (summaryState_.marked || static_cast<std::int64_t>(deviceMicros_) < nextSummaryMarkMicros_) return;
    stepPast(nextSummaryMarkMicros_, kLiveStatusMicros, deviceMicros_);
    const FilterSnapshot snapshot = filter_.snapshot();
    if (!snapshot.ready) return;
    summaryState_.marked = true;
    summaryState_.reference = toYawPitchRoll(filter_.orientation(0.0));
    summaryState_.markAt = deviceTimePoint(deviceMicros_);
}

std::string ReplayRun::statusText() {
    const FilterSnapshot snapshot = filter_.snapshot();
    const YawPitchRoll angles = toYawPitchRoll(filter_.orientation(0.0));
    std::string text = asPlainLines(tickText(state_, snapshot, angles, deviceTimePoint(deviceMicros_)));
    if (trace_ != nullptr) addToTrace(snapshot, angles);
    return text;
}

void ReplayRun::addToTrace(const FilterSnapshot& snapshot, const YawPitchRoll& angles) {
    constexpr double kMicrosPerMinute = 60e6;
    const double minutes = static_cast<double>(deviceMicros_) / kMicrosPerMinute;
    if (snapshot.resets > tracedResets_) trace_->restarts.push_back(minutes);
    tracedResets_ = snapshot.resets;
    if (!snapshot.ready) return;  // no angles until the bias is captured
    if (state_.marked && state_.markAt != tracedMark_) {
        tracedMark_ = state_.markAt;
        const auto sinceStart = std::chrono::duration_cast<std::chrono::microseconds>(state_.markAt.time_since_epoch());
        trace_->marks.push_back(static_cast<double>(sinceStart.count()) / kMicrosPerMinute);
    }
    trace_->minutes.push_back(minutes);
    trace_->yaw.push_back(angles.yaw);
    trace_->pitch.push_back(angles.pitch);
    trace_->roll.push_back(angles.roll);
    trace_->accNorm.push_back(snapshot.accNorm);
}

std::string ReplayRun::summary() const {
    const FilterSnapshot s = filter_.snapshot();
    const YawPitchRoll angles = toYawPitchRoll(filter_.orientation(0.0));
    std::string text = printfString(
        "samples %llu  restarts %llu  gaps bridged %llu  device time %.3f s\n",
        static_cast<unsigned long long>(s.samples), static_cast<unsigned long long>(s.resets),
        static_cast<unsigned long long>(s.gapsBridged), static_cast<double>(deviceMicros_) / kMicrosPerSecond);
    if (!summaryState_.marked) {
        return text + "the gyro bias was never captured (no still second): no angles, no drift\n";
    }
    const double minutes = minutesSince(summaryState_.markAt, deviceTimePoint(deviceMicros_));
    const DriftRates rates = driftRates(angles, summaryState_.reference, minutes);
    text += printfString("bias [%.2f %.2f %.2f] LSB\n", s.bias[0], s.bias[1], s.bias[2]);
    text += printfString("final yaw %+.2f pitch %+.2f roll %+.2f\n", angles.yaw, angles.pitch, angles.roll);
    text += printfString("drift°/min y%+.2f p%+.2f r%+.2f over %.1f min since the mark\n", rates.yaw,
                         rates.pitch, rates.roll, minutes);
    return text;
}

}  // namespace vesko
