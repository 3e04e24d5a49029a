// The filter's update written plainly, step by step as its definition reads:
// the baseline the filter's own update is measured against, and the reference
// its results are compared with.
#pragma once

#include <cstdint>
#include <mutex>

#include "attitude_filter.h"

namespace vesko::bench {

// The filter's state; the identity mounting and no calibration until configured.
struct LiteralFilter {
    FilterParams params;
    Matrix3 imuToHead{{{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}}};
    Vector3 accBias;
    Vector3 accScale{1.0, 1.0, 1.0};
    Vector3 gyroBias;
    std::mutex mutex;
    Quaternion q;
    bool haveTime = false;
    std::uint32_t lastTime = 0;
    bool capturing = true;
    Vector3 gyroSum;
    Vector3 gyroSumSq;
    std::uint64_t captureCount = 0;
    double captureTime = 0.0;
    Vector3 capturedBias;
    Vector3 lastOmega;
    FilterSnapshot status;
};

void literalConfigure(LiteralFilter& f, const HeadsetConfig& config, const FilterParams& params);
void literalUpdate(LiteralFilter& f, const ImuSample& sample);
void literalRecaptureBias(LiteralFilter& f);

}  // namespace vesko::bench
