// The rest step's estimators.
#include "rest_estimate.h"

#include "vector_math.h"

namespace vesko {

namespace {

SampleStats mergeRange(const std::vector<SampleStats>& blocks, std::size_t from, std::size_t to) {
    SampleStats sum;
    for (std::size_t i = from; i < to; ++i) sum.merge(blocks[i]);
    return sum;
}

Vector3 toVector(const Axes3& a) noexcept { return {a[0], a[1], a[2]}; }

}  // namespace

Axes3 calibratedAcc(const Axes3& rawCounts, const ImuCalibration& calibration) noexcept {
    Axes3 acc{};
    for (std::size_t i = 0; i < 3; ++i) {
        acc[i] = rawCounts[i] / kImuAccCountsPerG * calibration.accScale[i] - calibration.accBias[i];
    }
    return acc;
}

RestResult estimateRest(const std::vector<SampleStats>& blocks, const ImuCalibration& calibration,
                        double gyroScale) {
    RestResult result;
    const SampleStats all = mergeRange(blocks, 0, blocks.size());
    result.seconds = all.seconds;
    result.gyroBias = all.gyroMean();
    result.gyroNoise = all.gyroSd();
    result.accRaw = all.accMean();
    const Vector3 acc = toVector(calibratedAcc(result.accRaw, calibration));
    result.accNorm = norm(acc);
    if (blocks.size() < 2 || result.accNorm <= 0.0) return result;
    const std::size_t half = blocks.size() / 2;
    const Vector3 first = toVector(mergeRange(blocks, 0, half).gyroMean());
    const Vector3 second = toVector(mergeRange(blocks, half, blocks.size()).gyroMean());
    const Vector3 up{acc.x / result.accNorm, acc.y / result.accNorm, acc.z / result.accNorm};
    const Vector3 change{second.x - first.x, second.y - first.y, second.z - first.z};
    result.yawDriftPerMin = dot(change, up) * gyroScale * kDegreesPerRadian * 60.0;
    return result;
}

}  // namespace vesko
