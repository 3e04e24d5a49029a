// The lab's console on POSIX: stop requests by signal; output is already plain bytes.
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>

#include "ignored_signal_posix.h"
#include "lab_console.h"

namespace vesko {

namespace {

volatile std::sig_atomic_t gStopRequested = 0;

struct StopSignal {
    int number;
    // Left ignored if it was ignored at start: nohup's hang-up, and the quit
    // key (Ctrl-\) that a shell keeps from its background jobs. SIGINT and
    // SIGTERM stop a recording started in the background all the same.
    bool unlessIgnored;
};
constexpr std::array<StopSignal, 4> kStopSignals{
    {{SIGINT, false}, {SIGQUIT, true}, {SIGTERM, false}, {SIGHUP, true}}};
constexpr std::array<int, 2> kWriteFailureSignals{SIGPIPE, SIGXFSZ};
std::array<struct sigaction, kStopSignals.size()> gPreviousStop{};
std::array<struct sigaction, kWriteFailureSignals.size()> gPreviousWriteFailure{};

extern "C" void onLabStopSignal(int) { gStopRequested = 1; }

}  // namespace

StopSignals::StopSignals() {
    gStopRequested = 0;
    struct sigaction stop{};
    stop.sa_handler = onLabStopSignal;
    sigemptyset(&stop.sa_mask);
    for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
        const StopSignal sig = kStopSignals[i];
        if (sigaction(sig.number, nullptr, &gPreviousStop[i]) != 0) continue;
        if (!(sig.unlessIgnored && ignoresSignal(gPreviousStop[i]))) sigaction(sig.number, &stop, nullptr);
    }
    struct sigaction ignore{};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    for (std::size_t i = 0; i < kWriteFailureSignals.size(); ++i) {
        sigaction(kWriteFailureSignals[i], &ignore, &gPreviousWriteFailure[i]);
    }
}

StopSignals::~StopSignals() {
    for (std::size_t i = 0; i < kWriteFailureSignals.size(); ++i) {
        sigaction(kWriteFailureSignals[i], &gPreviousWriteFailure[i], nullptr);
    }
    for (std::size_t i = 0; i < kStopSignals.size(); ++i) sigaction(kStopSignals[i].number, &gPreviousStop[i], nullptr);
}

bool StopSignals::requested() const { return gStopRequested != 0; }

void StopSignals::finished() {}

void openMissingStandardStreams() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // The lowest free number: this one, as the lower ones are open by now.
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0 && null != fd) {
            ::dup2(null, fd);
            ::close(null);
        }
    }
}

void useBinaryStandardOutput() {}

bool isTerminal(std::FILE* stream) { return ::isatty(fileno(stream)) == 1; }

}  // namespace vesko
