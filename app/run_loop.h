// headvane from start to exit: options, configuration, filter, IMU stream, console loop.
#pragma once

#include <string>
#include <vector>

namespace vesko {

// Runs the tool with the arguments that follow the program name and returns
// its exit status: 0 after q, 1 when the configuration or the IMU cannot be
// had, 2 for a usage error.
int runHeadvane(const std::vector<std::string>& args);

}  // namespace vesko
