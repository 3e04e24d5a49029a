// The simulated unit's state for as long as the process runs: its power-on, a
// read cursor per open handle, its clock's speed, the moves it was asked to
// make and the faults injected into it.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>

#include "device_handle.h"
#include "imu_sample.h"
#include "simulated_motion_plan.h"

namespace vesko {

inline constexpr double kMaxSimulationSpeed = 1000.0;

// The next report a handle will read and the steady-clock time it is (or was) due.
struct SimulatedCursor {
    std::uint64_t report = 0;
    std::chrono::steady_clock::time_point due;
};

class SimulatedUnit {
public:
    // How fast the unit's time runs against real time: at 10, a minute of
    // device data streams in 6 s. Values outside (0, kMaxSimulationSpeed] are
    // ignored. Set it before the first open; 1 unless set.
    void setSpeed(double speed);

    // The unit streams from its power-on (the first open), whether or not a
    // handle is open; a new handle reads from the next report to come.
    DeviceHandle open();
    void close(DeviceHandle handle);
    // False when the handle is not open. Reports left unread too long are lost,
    // as in a real HID device's input buffer.
    bool cursor(DeviceHandle handle, SimulatedCursor& cursor);
    // Moves the handle's cursor past the report it has just read.
    void advance(DeviceHandle handle);

    // From now on the head moves only as asked, instead of the fixed scenario,
    // and lies upright and still until the first request.
    void takeRequests();
    // Each request starts when the unit next makes a sample, after the person's
    // reaction time: on the unit's own clock, whatever the simulation speed.
    void lieWithUp(const Vector3& upHead);
    void turn(double degrees);

    // Makes gyroscope axis `axis` (0, 1, 2 for x, y, z) dead: it reads 0 counts
    // whatever the motion, with no noise. -1 makes all axes live.
    void setDeadGyroAxis(int axis);

    // Sample `index` (counted from power-on) and report `index` (samples
    // 3·index to 3·index + 2) as the unit sends them, faults included.
    ImuSample sample(std::uint64_t index);
    ImuReportBytes report(std::uint64_t index);

private:
    using Clock = std::chrono::steady_clock;
    struct Request {
        bool isTurn = false;
        Vector3 upHead;
        double degrees = 0.0;
    };

    HeadMotion headMotion(double seconds);
    std::uint64_t reportsSent(Clock::time_point now) const;       // clock lock held
    Clock::time_point reportDue(std::uint64_t index) const;       // clock lock held
    std::uint64_t bufferedReports() const;                        // clock lock held

    std::mutex clockLock;  // the speed, the power-on and the cursors
    double speed = 1.0;    // device seconds per real second
    std::optional<Clock::time_point> poweredOn;
    std::map<DeviceHandle, std::uint64_t> cursors;  // next report per open handle
    DeviceHandle nextHandle = 1;

    std::atomic<bool> requested{false};
    std::atomic<int> deadGyroAxis{-1};
    std::mutex planLock;             // the requests and the plan
    std::deque<Request> waiting;     // asked, not yet placed in the plan
    SimulatedMotionPlan plan;
};

// The sim backend's one unit: its enumeration, its reads and the simulated
// person at the bench all act on this one.
SimulatedUnit& simulatedUnit();

}  // namespace vesko
