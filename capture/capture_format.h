// What a capture file holds: its rows, stream events, metadata and closing summary.
#pragma once

#include <cstdint>
#include <string>

#include "imu_sample.h"

namespace vesko {

inline constexpr const char* kCaptureFormatName = "headvane-capture";
inline constexpr int kCaptureFormatVersion = 1;
inline constexpr const char* kCaptureColumns =
    "t_host_s,ticks,seq,acc_x,acc_y,acc_z,gyro_x,gyro_y,gyro_z";
inline constexpr std::size_t kCaptureFieldCount = 9;
// Longer lines are refused, so that reading needs bounded memory whatever the input.
inline constexpr std::size_t kCaptureMaxLineLength = 4096;

// One accepted sample as recorded: raw values, and when its report arrived.
struct CaptureRow {
    std::int64_t hostMicros = 0;  // microseconds since the recording started (steady clock)
    ImuSample sample;
};

// A stream event, written in place between the rows.
struct CaptureEvent {
    std::int64_t hostMicros = 0;  // microseconds since the recording started
    std::string text;             // one line, ASCII, no line break
};

// The comment lines before the column header. Empty strings are absent lines.
struct CaptureMetadata {
    int formatVersion = 0;      // 0 when the file did not say
    std::string tool;           // name and version of the writing program
    std::string startedUtc;     // ISO 8601, e.g. 2026-12-08T07:20:36Z
    std::string unitSerial;
    std::string configSerial;
    std::string configPath;
    std::string gyroScale;      // rad/s per count, as written (kept as text: lossless)
    std::string accCountsPerG;  // as written
};

// The last line of a complete recording.
struct CaptureSummary {
    std::int64_t durationMicros = 0;
    ImuStreamStats stream;
    std::uint64_t dropped = 0;  // samples the writer could not keep up with
};

}  // namespace vesko
