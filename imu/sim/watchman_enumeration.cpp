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
    const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(now - *b.poweredOn);
    const auto perReport = simulatedReportDue(0);
    return elapsed.count() < 0 ? 0 : static_cast<std::uint64_t>(elapsed / perReport);
}

}  // namespace

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
    if (sent > it->second + kBufferedReports) it->second = sent - kBufferedReports;
    cursor.report = it->second;
    cursor.due = *b.poweredOn + simulatedReportDue(it->second);
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
