// The lab's console on Windows: stop requests by console control event; binary standard output.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <atomic>
#include <cstdio>

#include "lab_console.h"

namespace vesko {

namespace {

// Windows gives a close handler about 5 s before it ends the process.
constexpr DWORD kCloseWaitMs = 4500;

std::atomic<bool> gStopRequested{false};
HANDLE gFinished = nullptr;  // signalled once the caller's file is complete

BOOL WINAPI onConsoleEvent(DWORD type) {
    switch (type) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            gStopRequested = true;
            return TRUE;
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            // The process ends when this returns: hold it until the file is done.
            gStopRequested = true;
            if (gFinished != nullptr) WaitForSingleObject(gFinished, kCloseWaitMs);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

StopSignals::StopSignals() {
    gStopRequested = false;
    gFinished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

StopSignals::~StopSignals() {
    finished();
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    // Left open on purpose: a close handler may still be waiting on it.
}

bool StopSignals::requested() const { return gStopRequested.load(); }

void StopSignals::finished() {
    if (gFinished != nullptr) SetEvent(gFinished);
}

void openMissingStandardStreams() {
    const struct {
        DWORD id;
        std::FILE* stream;
        const char* mode;
    } streams[] = {{STD_INPUT_HANDLE, stdin, "r"}, {STD_OUTPUT_HANDLE, stdout, "w"}, {STD_ERROR_HANDLE, stderr, "w"}};
    for (const auto& s : streams) {
        const HANDLE handle = GetStdHandle(s.id);
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) continue;
        // Nothing is lost if this fails: the stream had nowhere to go anyway.
        [[maybe_unused]] const std::FILE* reopened = std::freopen("NUL", s.mode, s.stream);
    }
}

void useBinaryStandardOutput() {
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
}

bool isTerminal(std::FILE* stream) {
    // _isatty is true for any character device, the null device too; only a console has a mode.
    DWORD mode = 0;
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

}  // namespace vesko
