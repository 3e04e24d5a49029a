// Rule-by-rule tests of the attitude filter, grouped by concern.
// Bias window, initial attitude, intervals and gaps, measurement order,
// correction gating, look-ahead, recenter and bias recapture.
#include "attitude_filter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "attitude_probe.h"
#include "attitude_test_support.h"

namespace vesko {
namespace {

using test::Counts;
using test::expectQuaternionEq;
using test::kNoRate;
using test::kOneG;
using test::kTicksPerMs;
using test::SampleFeed;
using Probe = AttitudeFilterProbe;

constexpr std::uint32_t kHalfSecond = 24'000'000;  // ticks

// Exactly representable rates: 16 counts are 1 rad/s.
FilterParams exactRateParams() {
    FilterParams p;
    p.gyroScale = 0.0625;
    return p;
}

// A tracking filter, level, past a 1 ms spaced still window.
struct Tracking {
    AttitudeFilter filter;
    SampleFeed feed{filter};
    explicit Tracking(const FilterParams& params = exactRateParams()) {
        filter.configure(HeadsetConfig{}, params);
        feed.stillWindow();
    }
};

TEST(BiasWindow, ClosesOnceASecondAndAHundredSamplesAreIn) {
    struct Case { std::uint32_t spacing; int closingSample; };
    for (const Case c : {Case{kTicksPerMs, 1001}, Case{5 * kTicksPerMs, 201}, Case{kHalfSecond, 100}}) {
        AttitudeFilter filter;
        SampleFeed feed{filter};
        feed.first({3, -2, 1});
        EXPECT_EQ(0.0, Probe::captureTime(filter));  // the first sample has no interval
        for (int n = 2; n < c.closingSample; ++n) {
            feed.after(c.spacing, {3, -2, 1});
        }
        EXPECT_FALSE(filter.snapshot().ready) << c.closingSample;
        feed.after(c.spacing, {3, -2, 1});
        EXPECT_TRUE(filter.snapshot().ready) << c.closingSample;
        if (c.spacing == kTicksPerMs) {
            EXPECT_EQ(1.0000000000000007, Probe::captureTime(filter));
        }
    }
}

// 100 samples 0.5 s apart, so the window is judged on exactly the last one.
void feedHundred(SampleFeed& feed, std::size_t axis, const int (&offsets)[100]) {
    for (int n = 0; n < 100; ++n) {
        Counts gyro{20, -20, 5};
        gyro[axis] = static_cast<std::int16_t>(gyro[axis] + offsets[n]);
        feed.after(kHalfSecond, gyro);
    }
}

TEST(BiasWindow, DeviationOfThreeIsStillAndJustAboveStartsAgain) {
    int exactlyThree[100];
    int justAbove[100];
    for (int n = 0; n < 100; ++n) {
        exactlyThree[n] = justAbove[n] = n % 2 == 0 ? 3 : -3;
    }
    justAbove[40] = 4;
    justAbove[41] = -4;
    for (std::size_t axis = 0; axis < 3; ++axis) {
        AttitudeFilter still;
        SampleFeed stillFeed{still};
        feedHundred(stillFeed, axis, exactlyThree);
        EXPECT_TRUE(still.snapshot().ready) << axis;

        AttitudeFilter moving;
        SampleFeed movingFeed{moving};
        feedHundred(movingFeed, axis, justAbove);
        EXPECT_FALSE(moving.snapshot().ready) << axis;
        EXPECT_EQ(0u, Probe::captureCount(moving)) << axis;
        feedHundred(movingFeed, axis, exactlyThree);
        EXPECT_TRUE(moving.snapshot().ready) << axis;
    }
}

TEST(BiasWindow, BiasIsThePerAxisMeanOfTheRawCounts) {
    AttitudeFilter filter;
    SampleFeed feed{filter};
    double sums[3] = {};
    for (int n = 0; n < 1001; ++n) {
        const Counts gyro{static_cast<std::int16_t>(10 + n % 3), static_cast<std::int16_t>(-20 - n % 2), 7};
        for (std::size_t i = 0; i < 3; ++i) sums[i] += gyro[i];
        feed.after(kTicksPerMs, gyro);
    }
    const FilterSnapshot s = filter.snapshot();
    ASSERT_TRUE(s.ready);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(sums[i] / 1001.0, s.bias[i]) << i;
    }
}

TEST(InitialAttitude, ComesFromGravityAlone) {
    struct Case { Counts acc; Quaternion expected; };
    const Case cases[] = {
        {{0, kOneG, 0}, {1.0, 0.0, 0.0, 0.0}},                                 // level
        {{0, 0, kOneG}, {0.7071067811865475, -0.7071067811865475, 0.0, 0.0}},  // face down
        {{0, -kOneG, 0}, {0.0, 0.0, 0.0, 1.0}},                                // upside down
    };
    for (const Case& c : cases) {
        AttitudeFilter filter;
        SampleFeed{filter}.stillWindow(1000, kNoRate, c.acc);
        ASSERT_TRUE(filter.snapshot().ready);
        expectQuaternionEq(c.expected, filter.orientation(0.0));
    }
    EXPECT_NEAR(-90.0, toYawPitchRoll(cases[1].expected).pitch, 1e-5);  // asin is steep at -1
}

TEST(Intervals, ClockWrapIsAShortInterval) {
    AttitudeFilter filter;
    filter.update(test::makeSample(4'294'967'000u));
    filter.update(test::makeSample(200));
    EXPECT_EQ(1.0333333333333333e-05, Probe::captureTime(filter));
    EXPECT_EQ(0u, filter.snapshot().resets);
}

TEST(Intervals, HalfSecondIntegratesLongerIsBridgedRepeatsAreNot) {
    Tracking t;
    const Quaternion start = t.filter.orientation(0.0);
    t.feed.after(kHalfSecond, {0, 1, 0});
    const Quaternion afterHalf = t.filter.orientation(0.0);
    EXPECT_NE(start.y, afterHalf.y);
    for (const std::uint32_t ticks : {kHalfSecond + 1, 10 * kHalfSecond - 1, 0u}) {
        t.feed.after(ticks, {0, 1, 0}, {0, 0, kOneG});
        expectQuaternionEq(afterHalf, t.filter.orientation(0.0));
    }
    const FilterSnapshot s = t.filter.snapshot();
    EXPECT_EQ(2u, s.gapsBridged);
    EXPECT_EQ(0u, s.resets);
    EXPECT_TRUE(s.ready);
    EXPECT_EQ(1.0, s.gHead.z);  // gravity is measured on every sample
    t.feed.after(kTicksPerMs, {0, 1, 0});
    EXPECT_NE(afterHalf.y, t.filter.orientation(0.0).y);
}

TEST(Intervals, FiveSecondsOrAClockStepBackRestarts) {
    for (const std::uint32_t gap : {10 * kHalfSecond, 0xFFFF'FFFFu}) {
        Tracking t;
        t.feed.after(kTicksPerMs, {0, 1, 0});
        t.feed.after(gap, {0, 1, 0});
        const FilterSnapshot s = t.filter.snapshot();
        EXPECT_EQ(1u, s.resets) << gap;
        EXPECT_EQ(0u, s.gapsBridged) << gap;
        EXPECT_FALSE(s.ready) << gap;
        expectQuaternionEq(identity(), t.filter.orientation(0.0));
    }
}

TEST(Intervals, GapWhileCapturingRestartsWithTheGapInTheNewWindow) {
    AttitudeFilter filter;
    SampleFeed feed{filter};
    feed.stillWindow(500);
    feed.after(28'800'000);  // 0.6 s
    EXPECT_EQ(1u, filter.snapshot().resets);
    EXPECT_EQ(1u, Probe::captureCount(filter));
    EXPECT_EQ(0.6, Probe::captureTime(filter));

    feed.after(2 * kHalfSecond + kTicksPerMs);  // a gap of a second fills the new window's time
    for (int n = 2; n <= 100; ++n) {
        EXPECT_FALSE(filter.snapshot().ready) << n;
        feed.after(kTicksPerMs);
    }
    EXPECT_TRUE(filter.snapshot().ready);
    EXPECT_EQ(2u, filter.snapshot().resets);
}

TEST(Measurement, AccelerationIsDividedScaledBiasedThenMounted) {
    HeadsetConfig config;
    config.imu.plusX = {0.0, 1.0, 0.0};  // a cyclic permutation: its rows differ from its columns
    config.imu.plusZ = {1.0, 0.0, 0.0};
    config.imu.accScale = {1.0, 2.0, 1.0};
    config.imu.accBias = {0.0, 0.5, 0.0};
    AttitudeFilter filter;
    filter.configure(config, FilterParams{});
    SampleFeed feed{filter};
    feed.first(kNoRate, {0, kOneG, 0});  // IMU y: 1 g * 2 - 0.5 = 1.5 g, along head +Z
    EXPECT_EQ(1.5, filter.snapshot().accNorm);
    EXPECT_EQ(1.0, filter.snapshot().gHead.z);
    // From here 1024 counts on IMU y cancel its bias: 0.25 g * 2 - 0.5 = 0.
    feed.after(kTicksPerMs, kNoRate, {kOneG, 1024, 0});  // IMU x is head +Y
    EXPECT_EQ(1.0, filter.snapshot().gHead.y);
    feed.after(kTicksPerMs, kNoRate, {0, 1024, -2048});  // IMU z is head +X
    EXPECT_EQ(-1.0, filter.snapshot().gHead.x);
    EXPECT_EQ(0.5, filter.snapshot().accNorm);
    feed.after(kTicksPerMs, kNoRate, {0, 1024, 0});  // no direction: the last one stays
    EXPECT_EQ(0.0, filter.snapshot().accNorm);
    EXPECT_EQ(-1.0, filter.snapshot().gHead.x);
}

// The count is turned into g before the scale applies. A scale so small that
// (1 / accLsbPerG) * scale would lose bits must not be folded into one factor.
TEST(Measurement, ScaleTooSmallToFoldIsAppliedToTheCountInG) {
    HeadsetConfig config;
    const double tiny = 0x1.0000000000fffp-1015;  // / 4096 is below the normal range
    config.imu.accScale = {tiny, 1.0, 1.0};
    AttitudeFilter filter;
    filter.configure(config, FilterParams{});
    SampleFeed feed{filter};
    feed.first(kNoRate, {16384, 4096, 0});
    EXPECT_EQ(1.0, filter.snapshot().accNorm);
    EXPECT_EQ(16384.0 / 4096.0 * tiny, filter.snapshot().gHead.x);
}

// Orientation after one 1 ms step from identity with the given sample.
Quaternion afterOneStep(const Counts& gyro, const Counts& acc) {
    AttitudeFilter filter;
    filter.configure(HeadsetConfig{}, exactRateParams());
    Probe::track(filter, identity());
    SampleFeed feed{filter};
    feed.first();
    feed.after(kTicksPerMs, gyro, acc);
    return filter.orientation(0.0);
}

// A constant body rate held for a second turns the orientation by rate x time
// about that head axis, multiplied on from the right; 2 g keeps the
// correction off. The Euler step's own error here is about 1e-8 rad.
TEST(Integration, KnownRateIntegratesToTheKnownAngle) {
    const Counts acc2g{0, 8192, 0};
    const Quaternion starts[] = {identity(), test::fromYawPitchRoll(30.0, 20.0, 10.0)};
    const Vector3 axes[] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (const Quaternion& start : starts) {
        for (std::size_t axis = 0; axis < 3; ++axis) {
            for (const std::int16_t counts : {8, -12}) {  // 0.5 and -0.75 rad/s
                AttitudeFilter filter;
                filter.configure(HeadsetConfig{}, exactRateParams());
                Probe::track(filter, start);
                SampleFeed feed{filter};
                Counts gyro{0, 0, 0};
                gyro[axis] = counts;
                feed.first(gyro, acc2g);
                for (int n = 0; n < 1000; ++n) feed.after(kTicksPerMs, gyro, acc2g);
                const double degrees = counts / 16.0 * 180.0 / 3.141592653589793;
                const Quaternion want = multiply(start, test::about(axes[axis], degrees));
                const Quaternion got = filter.orientation(0.0);
                EXPECT_NEAR(want.w, got.w, 1e-7) << axis << " " << counts;
                test::expectVectorNear({want.x, want.y, want.z}, {got.x, got.y, got.z}, 1e-7);
            }
        }
    }
}

// Angle between the measured up and up as the orientation sees it, radians.
double tiltError(const AttitudeFilter& filter) {
    const Vector3 seen = rotate(conjugate(filter.orientation(0.0)), {0.0, 1.0, 0.0});
    const Vector3 measured = filter.snapshot().gHead;
    return std::atan2(norm(cross(seen, measured)), dot(seen, measured));
}

// At rest the correction turns at gain x sin(error) towards gravity, so the
// error e falls as tan(e/2) = tan(e0/2) exp(-gain t); the Euler steps follow
// that to within 0.5 % over 2 s at gain 2.
TEST(GravityCorrection, PullsATiltedStartToGravityAtTheGainsRate) {
    const Counts tilted{1401, 3849, 0};  // up leaning 20 degrees towards head +X
    for (const double gain : {0.5, 2.0}) {
        FilterParams params;
        params.correctionGain = gain;
        AttitudeFilter filter;
        filter.configure(HeadsetConfig{}, params);
        Probe::track(filter, identity());
        SampleFeed feed{filter};
        feed.first(kNoRate, tilted);
        const double e0 = tiltError(filter);
        EXPECT_NEAR(20.0 * 3.141592653589793 / 180.0, e0, 1e-4);
        for (int second = 1; second <= 2; ++second) {
            for (int n = 0; n < 1000; ++n) feed.after(kTicksPerMs, kNoRate, tilted);
            const double want = 2.0 * std::atan(std::tan(e0 / 2.0) * std::exp(-gain * second));
            EXPECT_NEAR(want, tiltError(filter), want * 1e-2) << gain << " after " << second << " s";
        }
    }
}

TEST(GravityCorrection, AppliesOnlyBetweenHalfAndOneAndAHalfGAndBelowOneRadPerSecond) {
    const Counts tooStrong{0, 8192, 0};  // 2 g: never corrected, the gyroscope alone
    struct Case { Counts gyro; Counts acc; bool corrected; };
    const Case cases[] = {
        {{0, 1, 0}, {2048, 0, 0}, false},  // exactly 0.5 g
        {{0, 1, 0}, {2049, 0, 0}, true},
        {{0, 1, 0}, {6144, 0, 0}, false},  // exactly 1.5 g
        {{0, 1, 0}, {6143, 0, 0}, true},
        {{0, 16, 0}, {4096, 0, 0}, false},  // exactly 1 rad/s
        {{0, 15, 0}, {4096, 0, 0}, true},
    };
    for (const Case& c : cases) {
        const bool same = test::sameQuaternion(afterOneStep(c.gyro, tooStrong), afterOneStep(c.gyro, c.acc));
        EXPECT_EQ(!c.corrected, same) << c.acc[0] << " " << c.gyro[1];
    }
}

TEST(GravityCorrection, PullsTheTiltTowardsMeasuredGravity) {
    AttitudeFilter filter;
    Probe::track(filter, identity());
    SampleFeed feed{filter};
    const Counts tilted{711, 4034, 0};  // up leaning 10 degrees towards head +X
    feed.first(kNoRate, tilted);
    for (int n = 0; n < 20'000; ++n) {
        feed.after(kTicksPerMs, kNoRate, tilted);
    }
    const Vector3 upSeen = rotate(conjugate(filter.orientation(0.0)), {0.0, 1.0, 0.0});
    test::expectVectorNear(filter.snapshot().gHead, upSeen, 1e-4);
}

TEST(LookAhead, PredictsAtTheLastRateForAtMostFiftyMilliseconds) {
    Tracking t;
    t.feed.after(kTicksPerMs, {0, 16, 0});  // 1 rad/s about +Y
    const Quaternion q = t.filter.orientation(0.0);
    const Quaternion capped = normalize(multiply(q, {0.9996875162757026, 0.0, 0.024997395914712332, 0.0}));
    for (double beyond : {0.05, 0.2, std::numeric_limits<double>::infinity()}) {
        expectQuaternionEq(capped, t.filter.orientation(beyond));
    }
    EXPECT_NE(q.y, t.filter.orientation(0.01).y);
    for (double none : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN()}) {
        expectQuaternionEq(q, t.filter.orientation(none));
    }

    FilterParams slow;
    slow.gyroScale = 1e-12;
    Tracking tiny(slow);
    tiny.feed.after(kTicksPerMs, {0, 1, 0});
    expectQuaternionEq(tiny.filter.orientation(0.0), tiny.filter.orientation(0.05));
}

TEST(Recenter, RemovesYawOnly) {
    AttitudeFilter filter;
    Probe::track(filter, test::about({0, 1, 0}, 30.0));
    filter.recenter();
    const Quaternion q = filter.orientation(0.0);
    EXPECT_NEAR(1.0, q.w, 1e-15);
    EXPECT_NEAR(0.0, q.y, 1e-15);

    Probe::track(filter, test::fromYawPitchRoll(30.0, 10.0, 5.0));
    filter.recenter();
    const YawPitchRoll a = toYawPitchRoll(filter.orientation(0.0));
    EXPECT_NEAR(0.0, a.yaw, 1e-9);
    EXPECT_NEAR(10.0, a.pitch, 1e-9);
    EXPECT_NEAR(5.0, a.roll, 1e-9);
    EXPECT_TRUE(filter.snapshot().ready);
}

TEST(RecaptureBias, ReopensTheWindowKeepingBiasAndCounters) {
    AttitudeFilter filter;
    SampleFeed feed{filter};
    feed.stillWindow(1000, {4, -6, 2}, {0, 0, kOneG});
    feed.after(kHalfSecond + 1, {4, -6, 2});  // bridged
    const FilterSnapshot before = filter.snapshot();
    ASSERT_TRUE(before.ready);

    filter.recaptureBias();
    const FilterSnapshot s = filter.snapshot();
    EXPECT_FALSE(s.ready);
    EXPECT_EQ(4.0, s.bias[0]);
    EXPECT_EQ(-6.0, s.bias[1]);
    EXPECT_EQ(2.0, s.bias[2]);
    EXPECT_EQ(before.samples, s.samples);
    EXPECT_EQ(0u, s.resets);
    EXPECT_EQ(1u, s.gapsBridged);
    expectQuaternionEq(identity(), filter.orientation(0.0));

    feed.stillWindow(1000, {1, 1, 1}, {0, 0, kOneG});  // its first sample adds no time
    EXPECT_TRUE(filter.snapshot().ready);
    EXPECT_EQ(1.0, filter.snapshot().bias[0]);
}

}  // namespace
}  // namespace vesko
