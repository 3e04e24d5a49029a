// Reading a capture file: streamed row by row, or collected whole for small files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "capture_format.h"
#include "capture_parser.h"

namespace vesko {

struct CaptureReadOutcome {
    bool ok = false;
    std::string error;    // "capture FILE line N: <what>" or "capture FILE: cannot ..."
    std::string warning;  // set when the last line was cut short and dropped
    std::uint64_t rows = 0;
};

// Streams the file through the handlers in file order, reading it in chunks
// (memory stays bounded whatever its size).
CaptureReadOutcome readCaptureFile(const std::string& path, CaptureHandlers handlers);

// An event with its place: how many rows came before it.
struct PlacedEvent {
    std::uint64_t rowsBefore = 0;
    CaptureEvent event;
};

// A whole capture in memory: for tests and small files.
struct Capture {
    CaptureMetadata metadata;
    std::vector<CaptureRow> rows;
    std::vector<PlacedEvent> events;
    std::optional<CaptureSummary> summary;
};

// Handlers that append what they are given to `out` (which must outlive them).
CaptureHandlers collectInto(Capture& out);

// readCaptureFile into a Capture.
CaptureReadOutcome loadCapture(const std::string& path, Capture& out);

}  // namespace vesko
