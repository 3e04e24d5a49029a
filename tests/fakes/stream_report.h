// The 64-byte IMU reports the stream tests feed to a device, fake or real.
#pragma once

#include <array>
#include <cstdint>

#include "imu_sample.h"

namespace vesko::fake {

using ReportBytes = ImuReportBytes;

inline constexpr std::uint32_t kTicksBetweenSamples = 1000;

// Samples seq firstSeq, +1, +2 at firstTimestamp, +1000, +2000; each of the six
// axis counts of a sample is seq * 10 + axis.
inline ReportBytes imuReportBytes(std::uint8_t firstSeq, std::uint32_t firstTimestamp) {
    std::array<ImuSample, kImuSamplesPerReport> samples;
    for (std::size_t k = 0; k < kImuSamplesPerReport; ++k) {
        ImuSample& s = samples[k];
        s.seq = static_cast<std::uint8_t>(firstSeq + k);
        for (std::size_t axis = 0; axis < 3; ++axis) {
            s.acc[axis] = static_cast<std::int16_t>(s.seq * 10 + axis);
            s.gyro[axis] = static_cast<std::int16_t>(s.seq * 10 + 3 + axis);
        }
        s.timestamp = firstTimestamp + static_cast<std::uint32_t>(k) * kTicksBetweenSamples;
    }
    return encodeImuReport(samples);
}

}  // namespace vesko::fake
