// The simulated unit on its virtual USB bus: enumeration, open and close, read cursors.
#include <map>
#include <mutex>
#include <optional>

#include "simulated_device.h"
#include "simulated_headset.h"
#include "watchman_discovery.h"

namespace vesko {

namespace {

using Clock = std::chrono::steady_clock;

// The unit and the headset's MCU hang off one hub, so discovery pairs them.
constexpr char16_t kUnitLocation[] = u"PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(3)#USB(1)";
constexpr char16_t kMcuLocation[] = u"PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(3)#USB(2)";

// Reports a reader leaves unread for longer than this are lost, as in the
// input buffer of a real HID device.
constexpr std::uint64_t kBufferedReports = 32;

struct Bus {
    std::mutex lock;
    double speed = 1.0;  // device seconds per real second
    std::optional<Clock::time_point> poweredOn;
    std::map<DeviceHandle, std::uint64_t> cursors;  // next report per open handle
    DeviceHandle nextHandle = 1;
};

Bus& bus() {
    static Bus theBus;
    return theBus;
}

// Reports sent between power-on and `now` (lock held).
std::uint64_t reportsSent(const Bus& b, Clock::time_point now) {
    const std::chrono::duration<double, std::micro> elapsed = (now - *b.poweredOn) * b.speed;
    const auto perReport = simulatedReportDue(0);
    return elapsed.count() < 0 ? 0 : static_cast<std::uint64_t>(elapsed / perReport);
}

// When report `index` is due on the steady clock (lock held).
Clock::time_point reportDue(const Bus& b, std::uint64_t index) {
    const std::chrono::duration<double, std::micro> deviceTime = simulatedReportDue(index);
    return *b.poweredOn + std::chrono::duration_cast<Clock::duration>(deviceTime / b.speed);
}

// A faster unit fills the input buffer faster: keep the buffer's span in real
// time, so that a reader running at a higher speed loses no more than at 1.
std::uint64_t bufferedReports(const Bus& b) {
    return b.speed <= 1.0 ? kBufferedReports
                          : static_cast<std::uint64_t>(static_cast<double>(kBufferedReports) * b.speed);
}

}  // namespace

void setSimulationSpeed(double speed) {
    Bus& b = bus();
    std::lock_guard<std::mutex> guard(b.lock);
    if (speed > 0.0 && speed <= kMaxSimulationSpeed) b.speed = speed;
}

DeviceHandle openSimulatedUnit() {
    Bus& b = bus();
    std::lock_guard<std::mutex> guard(b.lock);
    const Clock::time_point now = Clock::now();
    if (!b.poweredOn) b.poweredOn = now;
    const DeviceHandle handle = b.nextHandle++;
    b.cursors[handle] = reportsSent(b, now);
    return handle;
}

void closeDevice(DeviceHandle handle) noexcept {
    Bus& b = bus();
    std::lock_guard<std::mutex> guard(b.lock);
    b.cursors.erase(handle);
}

bool simulatedCursor(DeviceHandle handle, SimulatedCursor& cursor) {
    Bus& b = bus();
    std::lock_guard<std::mutex> guard(b.lock);
    const auto it = b.cursors.find(handle);
    if (it == b.cursors.end()) return false;
    const std::uint64_t sent = reportsSent(b, Clock::now());
    const std::uint64_t buffered = bufferedReports(b);
    if (sent > it->second + buffered) it->second = sent - buffered;
    cursor.report = it->second;
    cursor.due = reportDue(b, it->second);
    return true;
}

void advanceSimulatedCursor(DeviceHandle handle) {
    Bus& b = bus();
    std::lock_guard<std::mutex> guard(b.lock);
    const auto it = b.cursors.find(handle);
    if (it != b.cursors.end()) ++it->second;
}

bool enumerateWatchmen(WatchmanEnumeration& found) {
    WatchmanCandidate unit;
    unit.serial = widenSerial(SimulatedCalibration::serial);
    unit.paired = sharesHub(kUnitLocation, kMcuLocation);
    unit.handle = openSimulatedUnit();
    found.candidates.push_back(std::move(unit));
    found.mcuPaths.emplace_back(kMcuLocation);
    return true;
}

}  // namespace vesko
