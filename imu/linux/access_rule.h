// Finds the udev rule that grants access to the IMU, when it was installed beside this program.
#pragma once

#include <filesystem>
#include <string>

namespace vesko {

// The rule's path if the install that holds `executable` also holds the rule; empty otherwise.
std::string accessRuleBeside(const std::filesystem::path& executable);

// accessRuleBeside for the running program.
std::string installedAccessRule();

}  // namespace vesko
