// A device backend for logic tests: records closed handles and returns a scripted enumeration.
#pragma once

#include <optional>
#include <vector>

#include "watchman_discovery.h"

namespace vesko::fake {

// Every handle passed to closeDevice, in order.
std::vector<DeviceHandle>& closedHandles();

// What the next enumerateWatchmen gives; nullopt makes it fail as if the HID
// set could not be had (SetupDiGetClassDevsW, error 13).
std::optional<WatchmanEnumeration>& scriptedEnumeration();

}  // namespace vesko::fake
