// The simulated unit on its virtual USB bus: found paired with its MCU, opened and closed.
#include "simulated_headset.h"
#include "simulated_unit.h"
#include "watchman_discovery.h"

namespace vesko {

namespace {

// The unit and the headset's MCU hang off one hub, so discovery pairs them.
constexpr char16_t kUnitLocation[] = u"PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(3)#USB(1)";
constexpr char16_t kMcuLocation[] = u"PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(3)#USB(2)";

}  // namespace

void closeDevice(DeviceHandle handle) noexcept { simulatedUnit().close(handle); }

bool enumerateWatchmen(WatchmanEnumeration& found) {
    WatchmanCandidate unit;
    unit.serial = widenSerial(SimulatedCalibration::serial);
    unit.paired = sharesHub(kUnitLocation, kMcuLocation);
    unit.handle = simulatedUnit().open();
    found.candidates.push_back(std::move(unit));
    found.mcuPaths.emplace_back(kMcuLocation);
    return true;
}

}  // namespace vesko
