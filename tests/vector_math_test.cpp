// Tests of the vector and quaternion math: rotation, normalisation, angles, wrapping.
#include "vector_math.h"

#include "attitude_test_support.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace vesko {
namespace {

using test::about;
using test::expectQuaternionEq;
using test::expectVectorNear;
using test::fromYawPitchRoll;

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(VectorMath, YawPitchRollRoundTripsAndPitchStaysInRange) {
    const auto identityAngles = toYawPitchRoll(Quaternion{});
    EXPECT_EQ(0.0, identityAngles.yaw);
    EXPECT_EQ(0.0, identityAngles.pitch);
    EXPECT_EQ(0.0, identityAngles.roll);
    const YawPitchRoll cases[] = {{30, 10, 5}, {-100, 40, -20}, {170, -30, 60}};
    for (const auto& c : cases) {
        const auto angles = toYawPitchRoll(fromYawPitchRoll(c.yaw, c.pitch, c.roll));
        EXPECT_NEAR(c.yaw, angles.yaw, 1e-9) << c.yaw;
        EXPECT_NEAR(c.pitch, angles.pitch, 1e-9) << c.yaw;
        EXPECT_NEAR(c.roll, angles.roll, 1e-9) << c.yaw;
    }
    // Rounding takes the pitch term to 1.0000000000000002 here; asin must not see it.
    const double h = std::sqrt(0.5);
    EXPECT_EQ(90.0, toYawPitchRoll({h, h, 0.0, 0.0}).pitch);
    EXPECT_EQ(-90.0, toYawPitchRoll({h, -h, 0.0, 0.0}).pitch);
}

TEST(VectorMath, NormalizeScalesToUnitOrFallsBackToIdentity) {
    expectQuaternionEq(identity(), normalize({0.0, 0.0, 0.0, 0.0}));
    expectQuaternionEq(identity(), normalize({2.0, 0.0, 0.0, 0.0}));
    expectQuaternionEq({0.0, 0.0, 0.6, 0.8}, normalize({0.0, 0.0, 3.0, 4.0}));
    const Quaternion tiny = normalize({0.0, 1e-150, 0.0, 0.0});  // no threshold but zero
    EXPECT_EQ(1.0, tiny.x);
}

TEST(VectorMath, RotateIsTheSandwichProductAndConjugateUndoesIt) {
    expectVectorNear({-0.5, 0.0, -0.8660254037844387}, rotate(about({0, 1, 0}, 30.0), {0.0, 0.0, -1.0}), 1e-15);

    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (int i = 0; i < 1000; ++i) {
        const Quaternion q = normalize({u(rng), u(rng), u(rng), u(rng)});
        const Vector3 v{u(rng) * 3, u(rng) * 3, u(rng) * 3};
        const Vector3 r = rotate(q, v);
        const Quaternion s = multiply(multiply(q, {0.0, v.x, v.y, v.z}), conjugate(q));
        expectVectorNear({s.x, s.y, s.z}, r, 1e-12);
        expectVectorNear(v, rotate(conjugate(q), r), 1e-12);
    }
}

TEST(VectorMath, ShortestArcTurnsOntoUp) {
    expectQuaternionEq({0.7071067811865475, -0.7071067811865475, 0.0, 0.0},
                       shortestArc({0.0, 0.0, 1.0}, {0.0, 1.0, 0.0}));
    expectQuaternionEq({0.0, 0.0, 0.0, 1.0}, shortestArc({0.0, -1.0, 0.0}, {0.0, 1.0, 0.0}));
}

// The plain stepwise definition the fast version must reproduce bit for bit.
double wrapByLoop(double a) {
    while (a > 180.0) a -= 360.0;
    while (a < -180.0) a += 360.0;
    return a;
}

TEST(VectorMath, WrapKeepsBothEndsStepsByWholeTurnsAndNeverHangs) {
    EXPECT_EQ(180.0, wrap(180.0));
    EXPECT_EQ(-180.0, wrap(-180.0));
    EXPECT_EQ(180.0, wrap(540.0));
    EXPECT_EQ(-180.0, wrap(-540.0));
    EXPECT_EQ(-179.0, wrap(181.0));
    EXPECT_EQ(179.0, wrap(-181.0));
    EXPECT_TRUE(std::isnan(wrap(std::numeric_limits<double>::quiet_NaN())));
    // Far outside a few turns only the range is promised; infinity has no direction.
    for (double a : {1e300, -1e300, DBL_MAX, -DBL_MAX, 1e17 + 90.0, 3600.5, -7200.25}) {
        EXPECT_GE(wrap(a), -180.0) << a;
        EXPECT_LE(wrap(a), 180.0) << a;
    }
    EXPECT_EQ(90.5, wrap(36090.5));
    EXPECT_TRUE(std::isnan(wrap(std::numeric_limits<double>::infinity())));
    EXPECT_TRUE(std::isnan(wrap(-std::numeric_limits<double>::infinity())));
}

TEST(VectorMath, WrapEqualsTheStepwiseLoopWithinAFewTurns) {
    for (int i = -200000; i <= 200000; ++i) {
        const double a = i * 0.01;
        ASSERT_TRUE(sameBits(wrapByLoop(a), wrap(a))) << a;
    }
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> u(-2000.0, 2000.0);
    for (int i = 0; i < 200000; ++i) {
        const double a = u(rng);
        ASSERT_TRUE(sameBits(wrapByLoop(a), wrap(a))) << a;
    }
    for (double a : {1800.0, -1800.0, 3600.0, -3600.0, 180.00000000000003, -0.0}) {
        EXPECT_TRUE(sameBits(wrapByLoop(a), wrap(a))) << a;
    }
}

}  // namespace
}  // namespace vesko
