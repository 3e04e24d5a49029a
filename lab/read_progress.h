// One progress line on standard error while a long capture is read: share of the file, rows per second, time left.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "capture_reader.h"

namespace vesko {

// Whether to show it: only on a terminal, so that pipes and logs stay clean,
// and not where lines printed as the work goes would land on the same terminal.
bool readProgressWanted(bool standardErrorIsTerminal, bool standardOutputIsTerminal, bool printsAsItGoes);

// The text of the line, starting with a carriage return (it is redrawn in
// place): "\rallan:  42% read | 1.86 M rows/s | 00:00:12 left", or for a file
// of unknown size "\rallan: 120000 rows read | 1.86 M rows/s".
std::string readProgressText(const std::string& command, const CaptureReadProgress& at, double elapsedSeconds);

// When to draw, what to draw and how to take it away again. Nothing before
// the first second, so a short run prints nothing, and at most a few
// redraws a second after. Pure: the caller gives the time.
class ReadProgress {
public:
    ReadProgress(std::string command, bool shown);

    // The text to write now (often nothing).
    std::string step(const CaptureReadProgress& at, double elapsedSeconds);
    // Replaces a line already drawn with `what` ("allan: analysing"): the
    // work goes on after the file is read. Nothing if no line was drawn.
    std::string replaceLine(const std::string& what);
    // Blanks the line, cursor back at its start; nothing if none is showing.
    std::string end();

private:
    std::string draw(std::string text);

    std::string command_;
    bool shown_;
    bool drawnOnce_ = false;
    bool showing_ = false;
    double lastDrawn_ = 0.0;
    std::size_t widest_ = 0;  // of the texts drawn, so a shorter one covers a longer
};

// A ReadProgress on standard error, on the steady clock from its creation;
// the line is ended when it goes.
class ReadProgressLine {
public:
    ReadProgressLine(std::string command, bool shown);
    ~ReadProgressLine() { end(); }
    ReadProgressLine(const ReadProgressLine&) = delete;
    ReadProgressLine& operator=(const ReadProgressLine&) = delete;

    CaptureProgressHandler handler();
    void replaceLine(const std::string& what);
    void end();

private:
    ReadProgress progress_;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace vesko
