// headvane-lab replay from start to exit: configuration, capture, filter, status lines, summary.
#include "replay_session.h"

#include <cstdio>

#include "lab_command.h"

namespace vesko {

int runReplay(const ReplayOptions& /*options*/) {
    std::fputs("replay: not built yet\n", stderr);
    return kLabExitFailure;
}

}  // namespace vesko
