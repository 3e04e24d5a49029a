// The lab's console on POSIX: stop requests by signal; output is already plain bytes.
#include <unistd.h>

#include <array>
#include <csignal>

#include "lab_console.h"

namespace vesko {

namespace {

volatile std::sig_atomic_t gStopRequested = 0;
constexpr std::array<int, 3> kStopSignals{SIGINT, SIGTERM, SIGHUP};
std::array<struct sigaction, kStopSignals.size()> gPrevious{};

extern "C" void onLabStopSignal(int) { gStopRequested = 1; }

}  // namespace

StopSignals::StopSignals() {
    gStopRequested = 0;
    struct sigaction action{};
    action.sa_handler = onLabStopSignal;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < kStopSignals.size(); ++i) sigaction(kStopSignals[i], &action, &gPrevious[i]);
}

StopSignals::~StopSignals() {
    for (std::size_t i = 0; i < kStopSignals.size(); ++i) sigaction(kStopSignals[i], &gPrevious[i], nullptr);
}

bool StopSignals::requested() const { return gStopRequested != 0; }

void StopSignals::finished() {}

void useBinaryStandardOutput() {}

bool isTerminal(std::FILE* stream) { return ::isatty(fileno(stream)) == 1; }

}  // namespace vesko
