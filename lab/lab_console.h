// The lab's console: requests to stop (Ctrl-C, hang-up, console close), standard streams and plain byte output.
#pragma once

#include <cstdio>

namespace vesko {

// While it lives, Ctrl-C, Ctrl-\ (SIGQUIT), SIGTERM and hang-up (POSIX) or
// Ctrl-C, Ctrl-Break and closing the console (Windows) no longer end the
// process: they set a flag the caller's loop watches, so that it can finish
// its file and exit normally. A hang-up or Ctrl-\ ignored when the program
// started (nohup, a background job) stays ignored. SIGPIPE and SIGXFSZ are
// ignored too, so that a write into a closed pipe or past the file size limit
// fails with its error instead of killing the process in the middle of a row.
// Handlers in place before are put back after. One per process.
class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    bool requested() const;
    // The caller's work is safe: a console close waiting for it may now go
    // ahead (Windows ends the process when the close handler returns).
    void finished();
};

// Opens each of standard input, output and error that is closed on the null
// device, so that no file the program opens later takes its number and gets
// the console's text. Call it first, before any file is opened.
void openMissingStandardStreams();

// Standard output writes "\n" as it is, with no "\r" added (Windows); so the
// output is byte for byte the same on every platform.
void useBinaryStandardOutput();

// Whether `stream` goes to a terminal (a console on Windows), where text
// redrawn in place makes sense.
bool isTerminal(std::FILE* stream);

}  // namespace vesko
