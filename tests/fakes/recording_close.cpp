// The fake platform layer's storage, and its enumerateWatchmen and closeDevice.
#include "recording_close.h"

namespace vesko {

namespace fake {

std::vector<DeviceHandle>& closedHandles() {
    static std::vector<DeviceHandle> closed;
    return closed;
}

std::optional<WatchmanEnumeration>& scriptedEnumeration() {
    static std::optional<WatchmanEnumeration> script;
    return script;
}

}  // namespace fake

bool enumerateWatchmen(WatchmanEnumeration& found) {
    if (!fake::scriptedEnumeration()) {
        found.failure = enumerationFailure("SetupDiGetClassDevsW", 13);
        return false;
    }
    found = *fake::scriptedEnumeration();
    return true;
}

void closeDevice(DeviceHandle handle) noexcept { fake::closedHandles().push_back(handle); }

}  // namespace vesko
