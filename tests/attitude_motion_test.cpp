// Motion tests: the filter must follow known head motions fed by a synthetic IMU.
// They catch the sign, frame and product-order faults rule-by-rule tests miss.
#include "attitude_filter.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>

#include "attitude_test_support.h"
#include "literal_attitude_step.h"
#include "synthetic_imu.h"

namespace vesko {
namespace {

using test::SyntheticImu;

constexpr double kRadPerDeg = 3.141592653589793 / 180.0;
constexpr Vector3 kYawAxis{0.0, 1.0, 0.0};
constexpr Vector3 kPitchAxis{1.0, 0.0, 0.0};
constexpr Vector3 kRollAxis{0.0, 0.0, 1.0};

Vector3 rate(const Vector3& axis, double degreesPerSecond) {
    const double r = degreesPerSecond * kRadPerDeg;
    return {axis.x * r, axis.y * r, axis.z * r};
}

// A configured filter and an IMU generating samples for it.
struct Bench {
    AttitudeFilter filter;
    SyntheticImu imu;

    explicit Bench(const HeadsetConfig& config = {}, const Vector3& sensorBias = {}, double noise = 0.0)
        : imu(config.imu, FilterParams{}, sensorBias, noise) {
        filter.configure(config, FilterParams{});
    }
    // Still long enough for the bias window to close.
    void settle() {
        imu.hold(filter, 1.2);
        ASSERT_TRUE(filter.snapshot().ready);
    }
    YawPitchRoll angles() const { return toYawPitchRoll(filter.orientation(0.0)); }
};

HeadsetConfig mounted(const ConfigVector& plusX, const ConfigVector& plusZ) {
    HeadsetConfig config;
    config.imu.plusX = plusX;
    config.imu.plusZ = plusZ;
    return config;
}

TEST(Motion, YawTurnOfNinetyDegrees) {
    for (const double noise : {0.0, 1.5}) {
        Bench b({}, {3.0, -5.0, 1.0}, noise);
        b.settle();
        b.imu.turn(b.filter, rate(kYawAxis, 45.0), 2.0);
        b.imu.hold(b.filter, 0.1);
        const YawPitchRoll a = b.angles();
        EXPECT_NEAR(90.0, a.yaw, 0.5) << noise;
        EXPECT_NEAR(0.0, a.pitch, 0.1) << noise;
        EXPECT_NEAR(0.0, a.roll, 0.1) << noise;
        // Thousands of integration steps: the orientation must stay a unit quaternion.
        const Quaternion q = b.filter.orientation(0.0);
        EXPECT_NEAR(1.0, std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z), 1e-12) << noise;
    }
}

TEST(Motion, StartTiltedReadsTheTiltAtOnce) {
    for (const double noise : {0.0, 1.5}) {
        Bench b({}, {}, noise);
        b.imu.truth = test::fromYawPitchRoll(0.0, 20.0, 0.0);
        b.settle();
        EXPECT_NEAR(20.0, b.angles().pitch, 0.1) << noise;
        b.imu.hold(b.filter, 2.0);
        const YawPitchRoll a = b.angles();
        EXPECT_NEAR(20.0, a.pitch, 0.1) << noise;
        EXPECT_NEAR(0.0, a.yaw, 0.1) << noise;
        EXPECT_NEAR(0.0, a.roll, 0.1) << noise;
    }
}

// Yaw, then pitch, then roll, each about the head's own axis, builds exactly
// R(+Y, yaw) (x) R(+X, pitch) (x) R(+Z, roll); each stage is checked on its own.
void expectYawPitchRollSequence(Bench& b, double yaw, double pitch, double roll) {
    b.settle();
    b.imu.turn(b.filter, rate(kYawAxis, yaw), 1.0);
    EXPECT_NEAR(yaw, b.angles().yaw, 0.5);
    b.imu.turn(b.filter, rate(kPitchAxis, pitch), 1.0);
    EXPECT_NEAR(pitch, b.angles().pitch, 0.5);
    b.imu.turn(b.filter, rate(kRollAxis, roll), 1.0);
    b.imu.hold(b.filter, 0.2);
    const YawPitchRoll a = b.angles();
    EXPECT_NEAR(yaw, a.yaw, 0.5);
    EXPECT_NEAR(pitch, a.pitch, 0.5);
    EXPECT_NEAR(roll, a.roll, 0.5);
}

TEST(Motion, RollWhilePitchedKeepsEveryAxisSign) {
    const YawPitchRoll cases[] = {{40, 20, 30}, {-40, -20, -30}, {-120, 15, -50}, {150, -35, 70}};
    for (const YawPitchRoll& c : cases) {
        SCOPED_TRACE(testing::Message() << c.yaw << " " << c.pitch << " " << c.roll);
        Bench b({}, {-2.0, 4.0, 0.5}, 1.0);
        expectYawPitchRollSequence(b, c.yaw, c.pitch, c.roll);
    }
}

TEST(Motion, MountingDoesNotChangeTheHeadFrameResult) {
    const HeadsetConfig mountings[] = {
        mounted({-1, 0, 0}, {0, -1, 0}),  // IMU x back to front, z down
        mounted({0, 1, 0}, {1, 0, 0}),    // axes permuted cyclically
        mounted({0, 0, -1}, {0, 1, 0}),
    };
    Bench reference({}, {}, 1.0);
    expectYawPitchRollSequence(reference, 60.0, -25.0, 40.0);
    const YawPitchRoll expected = reference.angles();
    for (const HeadsetConfig& config : mountings) {
        Bench b(config, {}, 1.0);
        expectYawPitchRollSequence(b, 60.0, -25.0, 40.0);
        const YawPitchRoll a = b.angles();
        EXPECT_NEAR(expected.yaw, a.yaw, 1e-9);
        EXPECT_NEAR(expected.pitch, a.pitch, 1e-9);
        EXPECT_NEAR(expected.roll, a.roll, 1e-9);
    }
}

// The bias window sees the sensor's whole offset, the configured part included:
// a still headset must not turn once tracking, whatever the configuration says.
TEST(Motion, ConfiguredGyroBiasIsNotSubtractedTwice) {
    HeadsetConfig config;
    config.imu.gyroBias = {12.0, -7.0, 3.0};
    const Vector3 sensorBias{12.4, -7.2, 3.3};
    Bench b(config, sensorBias, 1.0);
    b.settle();
    const FilterSnapshot s = b.filter.snapshot();
    EXPECT_NEAR(12.4, s.bias[0], 0.1);
    EXPECT_NEAR(-7.2, s.bias[1], 0.1);
    EXPECT_NEAR(3.3, s.bias[2], 0.1);
    b.imu.hold(b.filter, 10.0);
    const YawPitchRoll a = b.angles();
    EXPECT_NEAR(0.0, a.yaw, 0.05);
    EXPECT_NEAR(0.0, a.pitch, 0.05);
    EXPECT_NEAR(0.0, a.roll, 0.05);
}


// A bridged gap leaves the orientation where it was; a restart forgets the
// heading and takes the tilt from gravity again.
TEST(Motion, BridgedGapKeepsTheHeadingAndARestartFindsTheTiltAgain) {
    Bench b({}, {1.0, -2.0, 0.5}, 1.0);
    b.settle();
    b.imu.turn(b.filter, rate(kYawAxis, 45.0), 1.0);
    b.imu.time += kImuTicksPerSecond;  // 1 s without samples, the head still
    b.imu.hold(b.filter, 0.1);
    EXPECT_NEAR(45.0, b.angles().yaw, 0.5);
    EXPECT_EQ(1u, b.filter.snapshot().gapsBridged);
    EXPECT_TRUE(b.filter.snapshot().ready);

    b.imu.turn(b.filter, rate(kPitchAxis, 20.0), 1.0);
    b.imu.time += 288'000'000;  // 6 s
    b.imu.hold(b.filter, 0.001);
    EXPECT_EQ(1u, b.filter.snapshot().resets);
    EXPECT_FALSE(b.filter.snapshot().ready);
    b.settle();
    const YawPitchRoll a = b.angles();
    EXPECT_NEAR(0.0, a.yaw, 0.1);
    EXPECT_NEAR(20.0, a.pitch, 0.1);
    EXPECT_NEAR(0.0, a.roll, 0.1);
}

bool sameBits(double a, double b) { return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); }

// A long varied run through every branch of update (windows that fail and
// succeed, slow and fast motion with the correction faded and off,
// acceleration outside the trusted band, a repeated timestamp, a bridged gap,
// restarts on a long gap and on a clock step back, a bias recapture while
// moving), fed to the filter and to the literal step side by side.
struct VariedRun {
    Bench b;
    bench::LiteralFilter literal;
    std::uint64_t sample = 0;
    std::string firstDifference;  // empty while the two agree to the bit

    VariedRun() : b(calibrated(), {2.5, -1.5, 0.7}, 1.5) {
        bench::literalConfigure(literal, calibrated(), FilterParams{});
    }
    static HeadsetConfig calibrated() {
        HeadsetConfig config = mounted({0, 0, -1}, {0, 1, 0});
        config.imu.accBias = {0.01, -0.02, 0.03};
        config.imu.accScale = {1.01, 0.99, 1.02};
        config.imu.gyroBias = {2.0, -1.0, 0.5};
        return config;
    }
    void compare() {
        ++sample;
        const Quaternion q = b.filter.orientation(0.0);
        const FilterSnapshot s = b.filter.snapshot();
        const FilterSnapshot& r = literal.status;
        const Quaternion& p = literal.q;
        const std::pair<const char*, std::pair<double, double>> fields[] = {
            {"q.w", {q.w, p.w}}, {"q.x", {q.x, p.x}}, {"q.y", {q.y, p.y}}, {"q.z", {q.z, p.z}},
            {"gHead.x", {s.gHead.x, r.gHead.x}}, {"gHead.y", {s.gHead.y, r.gHead.y}},
            {"gHead.z", {s.gHead.z, r.gHead.z}}, {"accNorm", {s.accNorm, r.accNorm}},
            {"omegaNorm", {s.omegaNorm, r.omegaNorm}}, {"ready", {s.ready, r.ready}},
            {"resets", {double(s.resets), double(r.resets)}}};
        for (const auto& [name, values] : fields) {
            if (firstDifference.empty() && !sameBits(values.first, values.second)) {
                firstDifference = testing::PrintToString(sample) + ": " + name + " " +
                                  testing::PrintToString(values.first) + " against " +
                                  testing::PrintToString(values.second);
            }
        }
    }
    void move(const Vector3& rate, double seconds, double accFactor = 1.0) {
        for (long i = std::lround(seconds * 1000.0); i > 0; --i) {
            ImuSample s = b.imu.step(rate);
            for (std::int16_t& a : s.acc) a = static_cast<std::int16_t>(a * accFactor);
            b.filter.update(s);
            bench::literalUpdate(literal, s);
            compare();
        }
    }
    void play() {
        move({}, 1.2);
        move(rate({0.6, 0.8, 0.0}, 40.0), 1.0);
        move(rate({0.0, 0.6, -0.8}, 20.0), 0.5, 1.6);
        move(rate({0.8, 0.0, 0.6}, 90.0), 0.5);
        move(rate(kRollAxis, -30.0), 0.3, 0.4);
        b.imu.time -= SyntheticImu::kTicksPerSample;  // the same timestamp again
        move(rate(kYawAxis, 10.0), 0.2);
        b.imu.time += 30'000'000;  // 0.625 s: bridged
        move(rate(kPitchAxis, 25.0), 0.5);
        b.imu.time += 300'000'000;  // 6.25 s: restart
        move({}, 0.3);
        move(rate({0.0, 0.8, 0.6}, 50.0), 1.0);
        b.filter.recaptureBias();
        bench::literalRecaptureBias(literal);
        move(rate(kYawAxis, 30.0), 1.2);
        move({}, 2.5);
        b.imu.time -= 10 * SyntheticImu::kTicksPerSample;  // the clock steps back: restart
        move({}, 1.2);
        move(rate({0.6, 0.0, 0.8}, 60.0), 1.0);
    }
};

// The filter is the literal step as its definition reads, operation for
// operation: any reordering, shortcut or cached value shows here first, with
// the sample and the output where the two part.
TEST(Motion, VariedRunGivesTheLiteralStepsResultsToTheBit) {
    VariedRun run;
    run.play();
    EXPECT_EQ("", run.firstDifference);
    const FilterSnapshot s = run.b.filter.snapshot();
    EXPECT_TRUE(s.ready);
    EXPECT_EQ(11'400u, s.samples);
    EXPECT_EQ(2u, s.resets);
    EXPECT_EQ(1u, s.gapsBridged);
}

}  // namespace
}  // namespace vesko
