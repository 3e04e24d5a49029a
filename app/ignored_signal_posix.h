// Whether a signal is ignored, as sigaction reports its disposition (POSIX only).
#pragma once

#include <csignal>

namespace vesko {

// True when `action` ignores its signal: what nohup and a shell's background
// jobs leave behind, and what a program should then leave as it is.
inline bool ignoresSignal(const struct sigaction& action) {
    return (action.sa_flags & SA_SIGINFO) == 0 && action.sa_handler == SIG_IGN;
}

}  // namespace vesko
