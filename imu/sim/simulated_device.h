// The simulated unit as the sim backend's enumeration and reads share it.
#pragma once

#include <chrono>
#include <cstdint>

#include "device_handle.h"

namespace vesko {

// How fast the simulated unit's time runs against real time: at 10, a minute
// of device data streams in 6 s. Values outside (0, kMaxSimulationSpeed] are
// ignored. Set it before the first open; 1 unless set.
inline constexpr double kMaxSimulationSpeed = 1000.0;
void setSimulationSpeed(double speed);

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
