// What record writes and says: event texts, the file's metadata, the progress line, the end.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "capture_format.h"
#include "imu_stream_event.h"

namespace vesko {

// The capture's event text for one of the stream's own events.
std::string streamEventText(ImuStreamEvent event, const std::string& detail);

// Watches the sequence numbers of accepted samples for holes. Reset it when
// the unit is found again: a new connection starts a new sequence.
struct SequenceWatch {
    bool haveLast = false;
    std::uint8_t lastSeq = 0;
    // The gap's event text when `seq` does not follow the last one, else empty.
    std::string check(std::uint8_t seq);
};

// The metadata every capture starts with (start time given as UTC ISO 8601).
CaptureMetadata recordMetadata(const std::string& startedUtc, const std::string& unitSerial,
                               const std::string& configSerial, const std::string& configPath);

// The current time, UTC, ISO 8601 to the second ("2026-12-08T07:20:36Z").
std::string utcNowText();

struct RecordProgress {
    double elapsedSeconds = 0.0;
    std::optional<std::int64_t> durationSeconds;
    std::uint64_t samples = 0;
    double rateHz = 0.0;  // over the last second
    std::uint64_t gaps = 0;
    std::uint64_t timeouts = 0;
    std::uint64_t fileBytes = 0;
};

// The in-place progress line: starts with a carriage return, no line break.
std::string progressLine(const RecordProgress& progress);

// The closing lines on the console, from the summary written to the file.
std::string recordEndText(const std::string& path, const CaptureSummary& summary, std::uint64_t fileBytes);

}  // namespace vesko
