// The simulated unit as the sim backend's enumeration and reads share it.
#pragma once

#include <chrono>
#include <cstdint>

#include "device_handle.h"

namespace vesko {

// The unit streams from its power-on (the first open in the process), whether
// or not a handle is open; a new handle reads from the next report to come.
DeviceHandle openSimulatedUnit();

// The next report that `handle` will read and the steady-clock time it is (or
// was) due. False when the handle is not open.
struct SimulatedCursor {
    std::uint64_t report = 0;
    std::chrono::steady_clock::time_point due;
};
bool simulatedCursor(DeviceHandle handle, SimulatedCursor& cursor);

// Moves the handle's cursor past the report it has just read.
void advanceSimulatedCursor(DeviceHandle handle);

}  // namespace vesko
