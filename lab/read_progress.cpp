// When the progress line is wanted, its text, and its pacing: first drawn after 1 s, redrawn every 0.25 s.
#include "read_progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "duration.h"
#include "printf_string.h"

namespace vesko {

namespace {

constexpr double kFirstDrawSeconds = 1.0;  // shorter work shows nothing
constexpr double kRedrawSeconds = 0.25;
constexpr double kRowsPerMillion = 1e6;

void writeNow(const std::string& text) {
    if (text.empty()) return;
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
}

}  // namespace

bool readProgressWanted(bool standardErrorIsTerminal, bool standardOutputIsTerminal, bool printsAsItGoes) {
    return standardErrorIsTerminal && !(printsAsItGoes && standardOutputIsTerminal);
}

std::string readProgressText(const std::string& command, const CaptureReadProgress& at, double elapsedSeconds) {
    const double rate = elapsedSeconds > 0 ? static_cast<double>(at.rows) / elapsedSeconds : 0.0;
    const std::string rateText = printfString("%.2f M rows/s", rate / kRowsPerMillion);
    if (at.fileBytes == 0) {
        return printfString("\r%s: %llu rows read | %s", command.c_str(), static_cast<unsigned long long>(at.rows),
                            rateText.c_str());
    }
    const std::uint64_t read = std::min(at.fileBytesRead, at.fileBytes);
    const auto percent = static_cast<unsigned>(read * 100 / at.fileBytes);  // whole percent, never rounded up
    std::string left = "--:--:--";
    if (read > 0) {
        const double rest = static_cast<double>(at.fileBytes - read) / static_cast<double>(read);
        left = clockText(static_cast<std::int64_t>(std::ceil(elapsedSeconds * rest)));
    }
    return printfString("\r%s: %3u%% read | %s | %s left", command.c_str(), percent, rateText.c_str(), left.c_str());
}

ReadProgress::ReadProgress(std::string command, bool shown) : command_(std::move(command)), shown_(shown) {}

std::string ReadProgress::step(const CaptureReadProgress& at, double elapsedSeconds) {
    if (!shown_ || elapsedSeconds < kFirstDrawSeconds) return {};
    if (drawnOnce_ && elapsedSeconds - lastDrawn_ < kRedrawSeconds) return {};
    lastDrawn_ = elapsedSeconds;
    return draw(readProgressText(command_, at, elapsedSeconds));
}

std::string ReadProgress::replaceLine(const std::string& what) {
    if (!drawnOnce_) return {};
    return draw("\r" + command_ + ": " + what);
}

std::string ReadProgress::end() {
    if (!showing_) return {};
    showing_ = false;
    // The carriage return counts in the width but takes no column.
    std::string blank = "\r";
    blank.append(widest_ - 1, ' ');
    blank += '\r';
    return blank;
}

std::string ReadProgress::draw(std::string text) {
    drawnOnce_ = showing_ = true;
    if (text.size() < widest_) text.append(widest_ - text.size(), ' ');
    widest_ = text.size();
    return text;
}

ReadProgressLine::ReadProgressLine(std::string command, bool shown)
    : progress_(std::move(command), shown), start_(std::chrono::steady_clock::now()) {}

CaptureProgressHandler ReadProgressLine::handler() {
    return [this](const CaptureReadProgress& at) {
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start_;
        writeNow(progress_.step(at, elapsed.count()));
    };
}

void ReadProgressLine::replaceLine(const std::string& what) { writeNow(progress_.replaceLine(what)); }

void ReadProgressLine::end() { writeNow(progress_.end()); }

}  // namespace vesko
