// The simulated unit's clock, read cursors, requested moves and injected faults.
#include "simulated_unit.h"

#include "simulated_headset.h"

namespace vesko {

namespace {

// Reports a reader leaves unread for longer than this are lost.
constexpr std::uint64_t kBufferedReports = 32;
// The person reads the instruction before moving.
constexpr double kReactionSeconds = 0.5;

}  // namespace

SimulatedUnit& simulatedUnit() {
    static SimulatedUnit unit;
    return unit;
}

void SimulatedUnit::setSpeed(double newSpeed) {
    std::lock_guard<std::mutex> guard(clockLock);
    if (newSpeed > 0.0 && newSpeed <= kMaxSimulationSpeed) speed = newSpeed;
}

std::uint64_t SimulatedUnit::reportsSent(Clock::time_point now) const {
    const std::chrono::duration<double, std::micro> elapsed = (now - *poweredOn) * speed;
    const auto perReport = simulatedReportDue(0);
    return elapsed.count() < 0 ? 0 : static_cast<std::uint64_t>(elapsed / perReport);
}

SimulatedUnit::Clock::time_point SimulatedUnit::reportDue(std::uint64_t index) const {
    const std::chrono::duration<double, std::micro> deviceTime = simulatedReportDue(index);
    return *poweredOn + std::chrono::duration_cast<Clock::duration>(deviceTime / speed);
}

// A faster unit fills the input buffer faster: keep the buffer's span in real
// time, so that a reader running at a higher speed loses no more than at 1.
std::uint64_t SimulatedUnit::bufferedReports() const {
    return speed <= 1.0 ? kBufferedReports
                        : static_cast<std::uint64_t>(static_cast<double>(kBufferedReports) * speed);
}

DeviceHandle SimulatedUnit::open() {
    std::lock_guard<std::mutex> guard(clockLock);
    const Clock::time_point now = Clock::now();
    if (!poweredOn) poweredOn = now;
    const DeviceHandle handle = nextHandle++;
    cursors[handle] = reportsSent(now);
    return handle;
}

void SimulatedUnit::close(DeviceHandle handle) {
    std::lock_guard<std::mutex> guard(clockLock);
    cursors.erase(handle);
}

bool SimulatedUnit::cursor(DeviceHandle handle, SimulatedCursor& out) {
    std::lock_guard<std::mutex> guard(clockLock);
    const auto it = cursors.find(handle);
    if (it == cursors.end()) return false;
    const std::uint64_t sent = reportsSent(Clock::now());
    const std::uint64_t buffered = bufferedReports();
    if (sent > it->second + buffered) it->second = sent - buffered;
    out.report = it->second;
    out.due = reportDue(it->second);
    return true;
}

void SimulatedUnit::advance(DeviceHandle handle) {
    std::lock_guard<std::mutex> guard(clockLock);
    const auto it = cursors.find(handle);
    if (it != cursors.end()) ++it->second;
}

void SimulatedUnit::takeRequests() { requested.store(true); }

void SimulatedUnit::lieWithUp(const Vector3& upHead) {
    std::lock_guard<std::mutex> guard(planLock);
    waiting.push_back({false, upHead, 0.0});
}

void SimulatedUnit::turn(double degrees) {
    std::lock_guard<std::mutex> guard(planLock);
    waiting.push_back({true, {}, degrees});
}

HeadMotion SimulatedUnit::headMotion(double seconds) {
    if (!requested.load()) return scenarioHeadMotion(seconds);
    std::lock_guard<std::mutex> guard(planLock);
    for (const Request& r : waiting) {
        if (r.isTurn) {
            plan.turn(r.degrees, seconds + kReactionSeconds);
        } else {
            plan.lieWithUp(r.upHead, seconds + kReactionSeconds);
        }
    }
    waiting.clear();
    return plan.at(seconds);
}

void SimulatedUnit::setDeadGyroAxis(int axis) { deadGyroAxis.store(axis >= 0 && axis < 3 ? axis : -1); }

ImuSample SimulatedUnit::sample(std::uint64_t index) {
    ImuSample s = simulatedSample(index, headMotion(simulatedSampleSeconds(index)));
    const int dead = deadGyroAxis.load();
    if (dead >= 0) s.gyro[static_cast<std::size_t>(dead)] = 0;
    return s;
}

ImuReportBytes SimulatedUnit::report(std::uint64_t index) {
    std::array<ImuSample, kImuSamplesPerReport> samples;
    for (std::uint64_t k = 0; k < kImuSamplesPerReport; ++k) {
        samples[k] = sample(index * kImuSamplesPerReport + k);
    }
    return encodeImuReport(samples);
}

}  // namespace vesko
