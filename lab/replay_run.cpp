// Replaying samples through the attitude filter on device time, with headvane's texts.
#include "replay_run.h"

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

}  // namespace

std::string asPlainLines(const std::string& statusText) {
    std::string lines;
    lines.reserve(statusText.size());
    for (const char c : statusText) {
        if (c != '\r') lines += c;
    }
    while (!lines.empty() && lines.back() == ' ') lines.pop_back();
    if (!lines.empty() && lines.back() != '\n') lines += '\n';
    return lines;
}

ReplayRun::ReplayRun(AttitudeFilter& filter, double periodSeconds)
    : filter_(filter),
      periodMicros_(static_cast<std::int64_t>(periodSeconds * kMicrosPerSecond + 0.5)),
      state_(startLoop(deviceTimePoint(0))),
      nextStatusMicros_(periodMicros_) {
    if (periodMicros_ < 1) periodMicros_ = nextStatusMicros_ = 1;
}

std::string ReplayRun::feed(const ImuSample& sample) {
    if (haveTicks_) deviceTicks_ += static_cast<std::uint32_t>(sample.timestamp - lastTicks_);
    haveTicks_ = true;
    lastTicks_ = sample.timestamp;
    deviceMicros_ = deviceTicks_ / kTicksPerMicro;
    filter_.update(sample);
    if (static_cast<std::int64_t>(deviceMicros_) < nextStatusMicros_) return {};
    // After a gap in the clock the next status comes a period after this one.
    while (nextStatusMicros_ <= static_cast<std::int64_t>(deviceMicros_)) nextStatusMicros_ += periodMicros_;
    return statusText();
}

std::string ReplayRun::statusText() {
    const FilterSnapshot snapshot = filter_.snapshot();
    const YawPitchRoll angles = toYawPitchRoll(filter_.orientation(0.0));
    return asPlainLines(tickText(state_, snapshot, angles, deviceTimePoint(deviceMicros_)));
}

std::string ReplayRun::summary() const {
    const FilterSnapshot s = filter_.snapshot();
    const YawPitchRoll angles = toYawPitchRoll(filter_.orientation(0.0));
    std::string text = printfString(
        "samples %llu  restarts %llu  gaps bridged %llu  device time %.3f s\n",
        static_cast<unsigned long long>(s.samples), static_cast<unsigned long long>(s.resets),
        static_cast<unsigned long long>(s.gapsBridged), static_cast<double>(deviceMicros_) / kMicrosPerSecond);
    if (!state_.marked) {
        return text + "the gyro bias was never captured (no still second): no angles, no drift\n";
    }
    const double minutes = minutesSince(state_.markAt, deviceTimePoint(deviceMicros_));
    const DriftRates rates = driftRates(angles, state_.reference, minutes);
    text += printfString("bias [%.2f %.2f %.2f] LSB\n", s.bias[0], s.bias[1], s.bias[2]);
    text += printfString("final yaw %+.2f pitch %+.2f roll %+.2f\n", angles.yaw, angles.pitch, angles.roll);
    text += printfString("drift°/min y%+.2f p%+.2f r%+.2f over %.1f min since the mark\n", rates.yaw,
                         rates.pitch, rates.roll, minutes);
    return text;
}

}  // namespace vesko
