// headvane-lab-sim: the simulated headset, whose time may run faster than real time.
#include <memory>

#include "lab_command.h"
#include "simulated_device.h"

namespace vesko {

const char* const kLabProgramName = "headvane-lab-sim";

std::function<void()> addBackendOptions(CLI::App& lab) {
    auto speed = std::make_shared<double>(1.0);
    lab.add_option("--sim-speed", *speed,
                   "simulated device time per real second (default 1; 10 records a minute in 6 s)")
        ->check(CLI::Range(0.01, kMaxSimulationSpeed));
    return [speed] { setSimulationSpeed(*speed); };
}

}  // namespace vesko
