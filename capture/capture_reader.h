// Reading a capture file: streamed row by row, or collected whole for small files.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "capture_format.h"
#include "capture_parser.h"

namespace vesko {

struct CaptureReadOutcome {
    bool ok = false;
    std::string error;    // "capture FILE line N: <what>" or "capture FILE: cannot ..."
    std::string warning;  // set when the last line or the compressed stream was cut short
    std::uint64_t rows = 0;
};

// How far a read has got: for a progress display.
struct CaptureReadProgress {
    std::uint64_t fileBytesRead = 0;  // of the file as stored (compressed or not)
    std::uint64_t fileBytes = 0;      // 0 when unknown (a pipe)
    std::uint64_t rows = 0;
};
using CaptureProgressHandler = std::function<void(const CaptureReadProgress&)>;

// Streams the file through the handlers in file order, reading it in chunks
// (memory stays bounded whatever its size); a gzip-compressed file is
// inflated as it is read. `progress`, if given, hears after every chunk.
CaptureReadOutcome readCaptureFile(const std::string& path, CaptureHandlers handlers,
                                   const CaptureProgressHandler& progress = {});

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
