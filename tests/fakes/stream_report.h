// The 64-byte IMU reports the stream tests feed to a device, fake or real.
#pragma once

#include <array>
#include <cstdint>

#include "imu_sample.h"

namespace vesko::fake {

using ReportBytes = std::array<std::uint8_t, kImuReportReadSize>;

inline constexpr std::uint32_t kTicksBetweenSamples = 1000;

// Samples seq firstSeq, +1, +2 at firstTimestamp, +1000, +2000; each of the six
// axis counts of a sample is seq * 10 + axis.
inline ReportBytes imuReportBytes(std::uint8_t firstSeq, std::uint32_t firstTimestamp) {
    auto putLe = [](std::uint8_t* p, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
    };
    ReportBytes bytes{};
    bytes[0] = kImuReportId;
    for (std::size_t k = 0; k < kImuSamplesPerReport; ++k) {
        std::uint8_t* sub = bytes.data() + 1 + k * kImuSubSampleSize;
        const auto seq = static_cast<std::uint8_t>(firstSeq + k);
        for (int axis = 0; axis < 6; ++axis) putLe(sub + 2 * axis, seq * 10u + axis, 2);
        putLe(sub + 12, firstTimestamp + static_cast<std::uint32_t>(k) * kTicksBetweenSamples, 4);
        sub[16] = seq;
    }
    return bytes;
}

}  // namespace vesko::fake
