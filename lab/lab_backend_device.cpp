// headvane-lab on the real device backend: no options of its own.
#include "lab_command.h"

namespace vesko {

const char* const kLabProgramName = "headvane-lab";

std::function<void()> addBackendOptions(CLI::App& /*lab*/) {
    return [] {};
}

}  // namespace vesko
