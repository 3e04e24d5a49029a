// The IMU's HID input report, the decoded sample record, and the rules that
// clean a sample stream of repeated and out-of-date samples.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace vesko {

inline constexpr std::uint8_t kImuReportId = 32;
inline constexpr std::size_t kImuReportReadSize = 64;     // bytes asked of the device per read
inline constexpr std::size_t kImuSubSampleSize = 17;
inline constexpr std::size_t kImuSamplesPerReport = 3;
inline constexpr std::size_t kImuReportMinLength = 1 + kImuSamplesPerReport * kImuSubSampleSize;  // 52
inline constexpr std::uint32_t kImuTicksPerSecond = 48'000'000;
// Raw counts in physical units, as the headset configuration's calibration assumes them.
inline constexpr double kImuAccCountsPerG = 4096.0;                      // the accelerometer's +-8 g range
inline constexpr double kImuGyroRadPerSecPerCount = 0.0010652644360316951;  // 2000 deg/s over 32768 counts
// A longer interval between two samples is a gap in the stream, not one step of motion.
inline constexpr double kImuMaxSampleInterval = 0.5;  // s

// One decoded IMU sample, verbatim from the wire: raw counts, no scaling.
struct ImuSample {
    std::array<std::int16_t, 3> acc{};   // accelerometer counts, components 0, 1, 2
    std::array<std::int16_t, 3> gyro{};  // gyroscope counts, components 0, 1, 2
    std::uint32_t timestamp = 0;         // device clock at 48 MHz, wraps modulo 2^32
    std::uint8_t seq = 0;                // wraps from 255 to 0
};

// Stream counters; they only ever grow.
struct ImuStreamStats {
    std::uint64_t reports = 0;       // completed reads that were IMU reports
    std::uint64_t samples = 0;       // samples accepted
    std::uint64_t gaps = 0;          // accepted samples whose seq did not follow by exactly 1
    std::uint64_t timeouts = 0;      // reads that brought no data within 1000 ms
    std::uint64_t otherReports = 0;  // completed reads that were not IMU reports
};

// Acceptance state of one connection; reset when the reader connects again.
struct ImuSequenceState {
    bool haveLast = false;
    std::uint8_t lastSeq = 0;
    std::uint32_t lastTimestamp = 0;
};

enum class SampleVerdict { duplicate, behind, next, gap };

// The three samples of one IMU report, or nothing when the read was not one.
struct DecodedReport {
    bool isImuReport = false;
    std::array<ImuSample, kImuSamplesPerReport> samples{};
};

// The accepted samples of one report, in sub-sample order (the reader's `fresh` list).
struct AcceptedSamples {
    std::array<ImuSample, kImuSamplesPerReport> samples{};
    std::size_t count = 0;
};

// A report's 64 bytes as the device sends them.
using ImuReportBytes = std::array<std::uint8_t, kImuReportReadSize>;

// The report that carries these three samples (the simulated unit and the
// tests speak the device's side of the wire with it).
ImuReportBytes encodeImuReport(const std::array<ImuSample, kImuSamplesPerReport>& samples) noexcept;

// Decodes a completed read. `bytes` holds `bufferSize` readable bytes and the
// device claims `transferred` of them; only min(transferred, bufferSize) count.
// A null `bytes` is treated as an empty buffer.
DecodedReport decodeImuReport(const std::uint8_t* bytes, std::size_t bufferSize,
                              std::size_t transferred) noexcept;

// Judges one sample against the last accepted one; updates the state on acceptance.
SampleVerdict acceptSample(ImuSequenceState& state, const ImuSample& sample) noexcept;

// Counts and accepts the samples of an already decoded read (the part of the
// work done under the stream's lock).
AcceptedSamples acceptReport(ImuSequenceState& state, const DecodedReport& report,
                             ImuStreamStats& stats) noexcept;

// decodeImuReport followed by acceptReport.
AcceptedSamples processReport(ImuSequenceState& state, const std::uint8_t* bytes,
                              std::size_t bufferSize, std::size_t transferred,
                              ImuStreamStats& stats) noexcept;

}  // namespace vesko
