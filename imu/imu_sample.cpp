// Decoding of the IMU's HID input report and the acceptance rules that drop
// repeated and out-of-date samples while counting breaks in the sequence.
#include "imu_sample.h"

#include <algorithm>

namespace vesko {

namespace {

// Offsets inside one sub-sample, in bytes.
constexpr std::size_t kAccOffset = 0;
constexpr std::size_t kGyroOffset = 6;
constexpr std::size_t kTimestampOffset = 12;
constexpr std::size_t kSeqOffset = 16;
constexpr std::size_t kAxisSize = 2;  // one signed 16-bit component

// d of 128 or more reads as a negative step in signed 8-bit: the sample is older.
constexpr std::uint8_t kFirstBehindStep = 128;

// The wire is little-endian whatever the host: assemble byte by byte, never
// by casting the buffer (alignment and byte order both differ by host).
std::uint16_t readLe16(const std::uint8_t* p) noexcept {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t readLe32(const std::uint8_t* p) noexcept {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Two's complement reinterpretation; well defined since C++20.
std::int16_t readLeS16(const std::uint8_t* p) noexcept {
    return static_cast<std::int16_t>(readLe16(p));
}

std::array<std::int16_t, 3> readAxes(const std::uint8_t* p) noexcept {
    return {readLeS16(p), readLeS16(p + kAxisSize), readLeS16(p + 2 * kAxisSize)};
}

void writeLe16(std::uint8_t* p, std::int16_t value) noexcept {
    const auto u = static_cast<std::uint16_t>(value);
    p[0] = static_cast<std::uint8_t>(u & 0xFF);
    p[1] = static_cast<std::uint8_t>(u >> 8);
}

void writeLe32(std::uint8_t* p, std::uint32_t value) noexcept {
    for (std::size_t i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void encodeSubSample(std::uint8_t* p, const ImuSample& sample) noexcept {
    for (std::size_t i = 0; i < 3; ++i) {
        writeLe16(p + kAccOffset + i * kAxisSize, sample.acc[i]);
        writeLe16(p + kGyroOffset + i * kAxisSize, sample.gyro[i]);
    }
    writeLe32(p + kTimestampOffset, sample.timestamp);
    p[kSeqOffset] = sample.seq;
}

ImuSample decodeSubSample(const std::uint8_t* p) noexcept {
    ImuSample sample;
    sample.acc = readAxes(p + kAccOffset);
    sample.gyro = readAxes(p + kGyroOffset);
    sample.timestamp = readLe32(p + kTimestampOffset);
    sample.seq = p[kSeqOffset];
    return sample;
}

}  // namespace

ImuReportBytes encodeImuReport(const std::array<ImuSample, kImuSamplesPerReport>& samples) noexcept {
    ImuReportBytes report{};
    report[0] = kImuReportId;
    for (std::size_t k = 0; k < kImuSamplesPerReport; ++k) {
        encodeSubSample(report.data() + 1 + k * kImuSubSampleSize, samples[k]);
    }
    return report;
}

DecodedReport decodeImuReport(const std::uint8_t* bytes, std::size_t bufferSize,
                              std::size_t transferred) noexcept {
    DecodedReport report;
    // A device may claim more than we gave it room for; only bytes we own count.
    const std::size_t usable = bytes == nullptr ? 0 : std::min(transferred, bufferSize);
    if (usable < kImuReportMinLength || bytes[0] != kImuReportId) return report;
    report.isImuReport = true;
    for (std::size_t k = 0; k < kImuSamplesPerReport; ++k) {
        report.samples[k] = decodeSubSample(bytes + 1 + k * kImuSubSampleSize);
    }
    return report;
}

SampleVerdict acceptSample(ImuSequenceState& state, const ImuSample& sample) noexcept {
    SampleVerdict verdict = SampleVerdict::next;
    if (state.haveLast) {
        // Modulo-256 step, so 255 -> 0 is an ordinary advance.
        const auto step = static_cast<std::uint8_t>(sample.seq - state.lastSeq);
        if (step == 0 && sample.timestamp == state.lastTimestamp) return SampleVerdict::duplicate;
        if (step >= kFirstBehindStep) return SampleVerdict::behind;
        if (step != 1) verdict = SampleVerdict::gap;
    }
    state.haveLast = true;
    state.lastSeq = sample.seq;
    state.lastTimestamp = sample.timestamp;
    return verdict;
}

AcceptedSamples acceptReport(ImuSequenceState& state, const DecodedReport& report,
                             ImuStreamStats& stats) noexcept {
    AcceptedSamples fresh;
    if (!report.isImuReport) {
        ++stats.otherReports;
        return fresh;
    }
    ++stats.reports;
    // In sub-sample order: each acceptance moves the state the next one is judged by.
    for (const ImuSample& sample : report.samples) {
        const SampleVerdict verdict = acceptSample(state, sample);
        if (verdict != SampleVerdict::next && verdict != SampleVerdict::gap) continue;
        if (verdict == SampleVerdict::gap) ++stats.gaps;
        ++stats.samples;
        fresh.samples[fresh.count++] = sample;
    }
    return fresh;
}

AcceptedSamples processReport(ImuSequenceState& state, const std::uint8_t* bytes,
                              std::size_t bufferSize, std::size_t transferred,
                              ImuStreamStats& stats) noexcept {
    return acceptReport(state, decodeImuReport(bytes, bufferSize, transferred), stats);
}

}  // namespace vesko
