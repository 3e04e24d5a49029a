// Console keys on POSIX: a terminal in non-canonical, no-echo mode, or bytes from a pipe or file.
#include "console_keys.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>

#include "ignored_signal_posix.h"
#include "key_decoder.h"

namespace vesko {

namespace {

// The signal handlers need the saved terminal settings: process-wide by nature.
struct termios gSavedTerminal{};
volatile std::sig_atomic_t gTerminalChanged = 0;

// Signals whose default action ends the process: the terminal is put back first.
constexpr std::array<int, 3> kEndingSignals{SIGINT, SIGTERM, SIGHUP};
// Likewise, but left alone when ignored at start, as they then end nothing:
// Ctrl-\ (SIGQUIT), and writing the status line into a pipe whose reader has gone.
constexpr std::array<int, 2> kEndingUnlessIgnored{SIGQUIT, SIGPIPE};
std::array<struct sigaction, kEndingSignals.size()> gPreviousEnding{};
std::array<struct sigaction, kEndingUnlessIgnored.size()> gPreviousUnlessIgnored{};
struct sigaction gPreviousStop{};

void applyKeyMode() {
    struct termios keyMode = gSavedTerminal;
    keyMode.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    keyMode.c_cc[VMIN] = 0;  // a read never waits for a key
    keyMode.c_cc[VTIME] = 0;
    if (tcsetattr(STDIN_FILENO, TCSANOW, &keyMode) == 0) gTerminalChanged = 1;
}

void restoreTerminal() {
    if (gTerminalChanged) tcsetattr(STDIN_FILENO, TCSANOW, &gSavedTerminal);
}

// Restores the terminal, then dies of the signal as it would have without us.
extern "C" void onEndingSignal(int sig) {
    restoreTerminal();
    std::signal(sig, SIG_DFL);
    std::raise(sig);  // delivered when this handler returns
}

// Ctrl-Z: give the shell a sane terminal while stopped, take key mode back
// on resuming, unless resumed in the background (the terminal is not ours then).
extern "C" void onStopSignal(int) {
    const int savedErrno = errno;
    restoreTerminal();
    std::raise(SIGSTOP);
    if (tcgetpgrp(STDIN_FILENO) == getpgrp()) applyKeyMode();
    errno = savedErrno;
}

void install(int sig, void (*handler)(int), struct sigaction& previous) {
    struct sigaction action{};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    sigaction(sig, &action, &previous);
}

void installUnlessIgnored(int sig, void (*handler)(int), struct sigaction& previous) {
    if (sigaction(sig, nullptr, &previous) == 0 && !ignoresSignal(previous)) install(sig, handler, previous);
}

}  // namespace

struct ConsoleKeys::Impl {
    bool isTerminal = false;
    bool ended = false;  // the input has ended: no more keys
    KeyDecoder decoder;

    // The next waiting byte of standard input, without waiting.
    int readByte();
};

int ConsoleKeys::Impl::readByte() {
    if (ended) return KeyDecoder::kInputEnded;
    struct pollfd input{STDIN_FILENO, POLLIN, 0};
    if (::poll(&input, 1, 0) <= 0) return KeyDecoder::kNoByte;
    if (input.revents & POLLNVAL) {
        ended = true;  // no standard input at all
        return KeyDecoder::kInputEnded;
    }
    unsigned char code = 0;
    const ssize_t n = ::read(STDIN_FILENO, &code, 1);
    if (n == 1) return code;
    if (n == 0 || (errno != EINTR && errno != EAGAIN)) ended = true;
    return ended ? KeyDecoder::kInputEnded : KeyDecoder::kNoByte;
}

ConsoleKeys::ConsoleKeys() : impl_(std::make_unique<Impl>()) {
    impl_->isTerminal = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &gSavedTerminal) == 0;
    if (!impl_->isTerminal) return;
    for (std::size_t i = 0; i < kEndingSignals.size(); ++i) {
        install(kEndingSignals[i], onEndingSignal, gPreviousEnding[i]);
    }
    for (std::size_t i = 0; i < kEndingUnlessIgnored.size(); ++i) {
        installUnlessIgnored(kEndingUnlessIgnored[i], onEndingSignal, gPreviousUnlessIgnored[i]);
    }
    install(SIGTSTP, onStopSignal, gPreviousStop);
    applyKeyMode();
}

ConsoleKeys::~ConsoleKeys() {
    if (!impl_->isTerminal) return;
    restoreTerminal();
    gTerminalChanged = 0;
    sigaction(SIGTSTP, &gPreviousStop, nullptr);
    for (std::size_t i = 0; i < kEndingSignals.size(); ++i) {
        sigaction(kEndingSignals[i], &gPreviousEnding[i], nullptr);
    }
    for (std::size_t i = 0; i < kEndingUnlessIgnored.size(); ++i) {
        sigaction(kEndingUnlessIgnored[i], &gPreviousUnlessIgnored[i], nullptr);
    }
}

int ConsoleKeys::poll() {
    return impl_->decoder.next([this] { return impl_->readByte(); }, KeyDecoder::Clock::now());
}

}  // namespace vesko
