// The simulated headset's sensor model: reports, clock and sequence wraps, calibration, motion.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "attitude_filter.h"
#include "headset_config.h"
#include "imu_sample.h"
#include "simulated_headset.h"

namespace vesko {
namespace {

constexpr std::uint64_t kSamplesPerReport = kImuSamplesPerReport;

void expectSameSample(const ImuSample& a, const ImuSample& b) {
    EXPECT_EQ(a.acc, b.acc);
    EXPECT_EQ(a.gyro, b.gyro);
    EXPECT_EQ(a.timestamp, b.timestamp);
    EXPECT_EQ(a.seq, b.seq);
}

HeadsetConfig exampleConfig() {
    HeadsetConfig config;
    std::string error;
    EXPECT_TRUE(loadHeadsetConfig(HEADVANE_SOURCE_DIR "/examples/headset.json", config, &error)) << error;
    return config;
}

TEST(SimulatedHeadset, ReportsDecodeToTheModelsSamples) {
    for (std::uint64_t n : {0ull, 1ull, 1666ull, 123456ull}) {
        const auto bytes = simulatedReport(n);
        const DecodedReport decoded = decodeImuReport(bytes.data(), bytes.size(), bytes.size());
        ASSERT_TRUE(decoded.isImuReport);
        for (std::uint64_t k = 0; k < kSamplesPerReport; ++k) {
            expectSameSample(decoded.samples[k], simulatedSample(n * kSamplesPerReport + k));
        }
    }
}

TEST(SimulatedHeadset, StreamIsGaplessAcrossTheClockAndSequenceWraps) {
    // The clock wraps 5 s in (sample 5000), the sequence number at sample 56.
    ImuSequenceState state;
    ImuStreamStats stats;
    std::uint32_t lastTimestamp = 0;
    bool clockWrapped = false;
    for (std::uint64_t n = 0; n < 2000; ++n) {
        const auto bytes = simulatedReport(n);
        const AcceptedSamples fresh = processReport(state, bytes.data(), bytes.size(), bytes.size(), stats);
        ASSERT_EQ(fresh.count, kSamplesPerReport);
        for (std::size_t k = 0; k < fresh.count; ++k) {
            const std::uint32_t t = fresh.samples[k].timestamp;
            if (n + k > 0) {
                EXPECT_EQ(static_cast<std::uint32_t>(t - lastTimestamp), kSimTicksPerSample);
            }
            clockWrapped = clockWrapped || t < lastTimestamp;
            lastTimestamp = t;
        }
    }
    EXPECT_TRUE(clockWrapped);
    EXPECT_EQ(stats.gaps, 0u);
    EXPECT_EQ(stats.samples, 2000u * kSamplesPerReport);
    EXPECT_EQ(simulatedSample(0).timestamp, kSimFirstTimestamp);
}

TEST(SimulatedHeadset, MirrorsTheExampleConfiguration) {
    const HeadsetConfig config = exampleConfig();
    using C = SimulatedCalibration;
    EXPECT_EQ(config.deviceSerialNumber, C::serial);
    EXPECT_EQ(config.imu.plusX, C::imuPlusX);
    EXPECT_EQ(config.imu.plusZ, C::imuPlusZ);
    EXPECT_EQ(config.imu.accBias, C::accBias);
    EXPECT_EQ(config.imu.accScale, C::accScale);
    EXPECT_EQ(config.imu.gyroBias, C::gyroBias);
}

TEST(SimulatedHeadset, AtRestTheCalibratedAccelerationIsLevelOneG) {
    // The calibration as the filter applies it: counts / kImuAccCountsPerG × scale − bias, then the mounting.
    const HeadsetConfig config = exampleConfig();
    const auto& imu = config.imu;
    const Vector3 plusX{imu.plusX[0], imu.plusX[1], imu.plusX[2]};
    const Vector3 plusZ{imu.plusZ[0], imu.plusZ[1], imu.plusZ[2]};
    const Vector3 plusY = cross(plusZ, plusX);
    Vector3 sum;
    constexpr int kSamples = 1000;
    for (int k = 0; k < kSamples; ++k) {
        const ImuSample s = simulatedSample(static_cast<std::uint64_t>(k));
        Vector3 a;
        for (std::size_t i = 0; i < 3; ++i) a[i] = s.acc[i] / kImuAccCountsPerG * imu.accScale[i] - imu.accBias[i];
        for (std::size_t i = 0; i < 3; ++i) sum[i] += a.x * plusX[i] + a.y * plusY[i] + a.z * plusZ[i];
    }
    EXPECT_NEAR(sum.x / kSamples, 0.0, 0.001);
    EXPECT_NEAR(sum.y / kSamples, 1.0, 0.001);
    EXPECT_NEAR(sum.z / kSamples, 0.0, 0.001);
}

TEST(SimulatedHeadset, AtRestTheGyroShowsItsBiasWithNoiseTheBiasWindowAccepts) {
    constexpr int kSamples = 1000;
    Vector3 sum, sumSq;
    for (int k = 0; k < kSamples; ++k) {
        const ImuSample s = simulatedSample(static_cast<std::uint64_t>(k));
        for (std::size_t i = 0; i < 3; ++i) {
            sum[i] += s.gyro[i];
            sumSq[i] += double(s.gyro[i]) * s.gyro[i];
        }
    }
    const auto bias = simulatedGyroBias(0.5);
    for (std::size_t i = 0; i < 3; ++i) {
        const double mean = sum[i] / kSamples;
        const double sd = std::sqrt(sumSq[i] / kSamples - mean * mean);
        EXPECT_NEAR(mean, bias[i], 0.2) << i;
        EXPECT_GT(sd, 0.8) << i;  // noisy, as a real gyroscope is
        EXPECT_LT(sd, FilterParams{}.biasMaxSd * 0.7) << i;
    }
}

TEST(SimulatedHeadset, MotionRateIsTheDerivativeOfItsAngle) {
    double integrated = 0.0;
    constexpr double kStep = 0.001;  // s
    for (double t = 0.0; t < 2.0 * kSimScenarioSeconds; t += kStep) {
        integrated += simulatedMotion(t + kStep / 2).yawRate * kStep * 180.0 / std::numbers::pi;
        ASSERT_NEAR(integrated, simulatedMotion(t + kStep).yawDegrees, 0.01) << t;
    }
    EXPECT_EQ(simulatedMotion(kSimRestSeconds - 0.01).yawRate, 0.0);
    EXPECT_NEAR(simulatedMotion(kSimRestSeconds + kSimTurnSeconds + 1.0).yawDegrees, kSimTurnDegrees, 1e-9);
}

TEST(SimulatedHeadset, TheFilterFollowsTheScenario) {
    AttitudeFilter filter;
    filter.configure(exampleConfig(), FilterParams{});
    const double turnEnd = kSimRestSeconds + kSimTurnSeconds;
    const auto samples = static_cast<std::uint64_t>(turnEnd * kSimSamplesPerSecond);
    for (std::uint64_t k = 0; k < samples; ++k) filter.update(simulatedSample(k));
    const FilterSnapshot s = filter.snapshot();
    ASSERT_TRUE(s.ready);
    const auto bias = simulatedGyroBias(0.5);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(s.bias[i], bias[i], 0.3) << i;
    EXPECT_NEAR(s.gHead.y, 1.0, 0.01);
    const YawPitchRoll a = toYawPitchRoll(filter.orientation(0.0));
    EXPECT_NEAR(a.yaw, kSimTurnDegrees, 1.0);
    EXPECT_NEAR(a.pitch, 0.0, 0.5);
    EXPECT_NEAR(a.roll, 0.0, 0.5);
}

}  // namespace
}  // namespace vesko
