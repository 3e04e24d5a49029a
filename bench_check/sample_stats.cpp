// Per-axis sums of raw counts, their means and deviations.
#include "sample_stats.h"

#include <algorithm>
#include <cmath>

namespace vesko {

namespace {

Axes3 meanOf(const Axes3& sum, std::uint64_t count) noexcept {
    const double n = count > 0 ? static_cast<double>(count) : 1.0;
    return {sum[0] / n, sum[1] / n, sum[2] / n};
}

Axes3 sdOf(const Axes3& sum, const Axes3& sumSq, std::uint64_t count) noexcept {
    const Axes3 mean = meanOf(sum, count);
    const double n = count > 0 ? static_cast<double>(count) : 1.0;
    Axes3 sd{};
    for (std::size_t i = 0; i < 3; ++i) sd[i] = std::sqrt(std::max(0.0, sumSq[i] / n - mean[i] * mean[i]));
    return sd;
}

}  // namespace

void SampleStats::add(const ImuSample& sample, double dt) noexcept {
    ++count;
    seconds += dt;
    for (std::size_t i = 0; i < 3; ++i) {
        const double a = sample.acc[i];
        const double g = sample.gyro[i];
        accSum[i] += a;
        accSumSq[i] += a * a;
        gyroSum[i] += g;
        gyroSumSq[i] += g * g;
    }
}

void SampleStats::merge(const SampleStats& other) noexcept {
    count += other.count;
    seconds += other.seconds;
    for (std::size_t i = 0; i < 3; ++i) {
        accSum[i] += other.accSum[i];
        accSumSq[i] += other.accSumSq[i];
        gyroSum[i] += other.gyroSum[i];
        gyroSumSq[i] += other.gyroSumSq[i];
    }
}

Axes3 SampleStats::accMean() const noexcept { return meanOf(accSum, count); }
Axes3 SampleStats::gyroMean() const noexcept { return meanOf(gyroSum, count); }
Axes3 SampleStats::accSd() const noexcept { return sdOf(accSum, accSumSq, count); }
Axes3 SampleStats::gyroSd() const noexcept { return sdOf(gyroSum, gyroSumSq, count); }

double tickSeconds(std::uint32_t from, std::uint32_t to) noexcept {
    return static_cast<double>(static_cast<std::uint32_t>(to - from)) / kImuTicksPerSecond;
}

}  // namespace vesko
