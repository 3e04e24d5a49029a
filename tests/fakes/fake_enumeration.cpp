// Scripted discovery: every enumeration opens a fresh handle for each unit
// the test has plugged in, as the real one opens every matching interface.
#include "fake_stream_state.h"
#include "watchman_discovery.h"

namespace vesko {

namespace {

constexpr char16_t kMcuLocation[] = u"PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(1)#USB(2)";

}  // namespace

bool enumerateWatchmen(WatchmanEnumeration& found) {
    fake::BenchState& state = fake::bench();
    {
        std::unique_lock guard(state.mutex);
        ++state.enumerations;
        if (state.holdEnumerations) {
            state.enumerationHeld = true;
            state.changed.notify_all();
            state.changed.wait(guard, [&] { return !state.holdEnumerations; });
            state.enumerationHeld = false;
        }
        for (const fake::Unit& unit : state.units) {
            if (!unit.present) continue;
            const DeviceHandle handle = state.nextHandle++;
            state.handles[handle] = fake::OpenedHandle{unit.serial, true};
            found.candidates.push_back(WatchmanCandidate{handle, widenSerial(unit.serial), unit.paired});
            if (unit.paired && found.mcuPaths.empty()) found.mcuPaths.emplace_back(kMcuLocation);
        }
    }
    state.changed.notify_all();
    return true;
}

void closeDevice(DeviceHandle handle) noexcept {
    fake::BenchState& state = fake::bench();
    {
        std::scoped_lock guard(state.mutex);
        auto it = state.handles.find(handle);
        if (it == state.handles.end() || !it->second.open) {
            state.misuse.push_back("close of a handle that is not open: " + std::to_string(handle));
        } else {
            it->second.open = false;
        }
    }
    state.changed.notify_all();
}

}  // namespace vesko
