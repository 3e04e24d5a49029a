// headvane-lab-sim: the simulated headset, whose time may run faster than real time.
#include <map>
#include <memory>
#include <string>

#include "lab_command.h"
#include "simulated_unit.h"

namespace vesko {

const char* const kLabProgramName = "headvane-lab-sim";

std::function<void()> addBackendOptions(CLI::App& lab) {
    auto speed = std::make_shared<double>(1.0);
    lab.add_option("--sim-speed", *speed,
                   "simulated device time per real second (default 1; 10 records a minute in 6 s)")
        ->check(CLI::Range(0.01, kMaxSimulationSpeed));
    auto deadAxis = std::make_shared<int>(-1);
    lab.add_option("--sim-dead-gyro-axis", *deadAxis,
                   "make one gyroscope axis of the simulated IMU read 0 whatever the motion (a fault for tests)")
        ->transform(CLI::CheckedTransformer(std::map<std::string, int>{{"x", 0}, {"y", 1}, {"z", 2}}));
    return [speed, deadAxis] {
        simulatedUnit().setSpeed(*speed);
        simulatedUnit().setDeadGyroAxis(*deadAxis);
    };
}

}  // namespace vesko
