// The simulated person's moves: the rates it reports carry the headset to where it says it is.
#include <gtest/gtest.h>

#include <cstdlib>

#include "simulated_headset.h"
#include "simulated_motion_plan.h"
#include "simulated_unit.h"
#include "vector_math.h"

namespace vesko {
namespace {

Vector3 toVector(const std::array<double, 3>& a) { return {a[0], a[1], a[2]}; }

TEST(SimulatedOperator, IntegratedRatesReachThePlannedAttitudeAndTurn) {
    SimulatedMotionPlan plan;
    plan.lieWithUp({0.0, 0.0, 1.0}, 0.5);   // face down
    plan.lieWithUp({0.0, -1.0, 0.0}, 0.0);  // then upside down, after the settle
    plan.turn(90.0, 0.0);
    Quaternion q;  // head to world, upright at the start
    double turned = 0.0;
    constexpr double dt = 1e-4;
    for (int i = 1; i <= 150'000; ++i) {
        const HeadMotion m = plan.at(i * dt);
        const Vector3 rate = toVector(m.rate);
        if (norm(rate) > 0.0) q = normalize(multiply(q, rateIncrement(rate, dt)));
        if (i * dt > 6.5) turned += dot(rate, toVector(m.up)) * dt;  // the turn, about the vertical
        if (i % 10'000 == 0) {
            const Vector3 up = rotate(conjugate(q), {0.0, 1.0, 0.0});
            const Vector3 said = toVector(m.up);
            EXPECT_NEAR(norm({up.x - said.x, up.y - said.y, up.z - said.z}), 0.0, 2e-3) << i * dt << " s";
        }
    }
    const HeadMotion end = plan.at(15.0);
    EXPECT_NEAR(end.up[1], -1.0, 1e-9);
    EXPECT_EQ(norm(toVector(end.rate)), 0.0);
    EXPECT_NEAR(turned * kDegreesPerRadian, 90.0, 0.05);
}

TEST(SimulatedOperator, ADeadGyroAxisReadsZeroWhateverTheMotion) {
    SimulatedUnit unit;
    unit.setDeadGyroAxis(2);
    for (std::uint64_t n : {0ull, 3500ull, 5000ull}) EXPECT_EQ(unit.sample(n).gyro[2], 0) << n;
    unit.setDeadGyroAxis(-1);
    EXPECT_NE(unit.sample(5000).gyro[2], 0);  // mid-turn in the scenario
}

// Head +Y is IMU -z in the simulated mounting, so the scenario's turn shows on gyro z.
TEST(SimulatedOperator, AUnitTakingRequestsStaysStillUntilAskedAndOthersKeepTheScenario) {
    SimulatedUnit operated;
    operated.takeRequests();
    SimulatedUnit scenario;
    EXPECT_LT(std::abs(operated.sample(5000).gyro[2]), 50);
    EXPECT_GT(std::abs(scenario.sample(5000).gyro[2]), 200);
    EXPECT_EQ(scenario.sample(5000).gyro, simulatedSample(5000).gyro);

    operated.lieWithUp({0.0, 0.0, 1.0});  // face down: gravity along IMU -y
    static_cast<void>(operated.sample(6000));  // places the request
    EXPECT_LT(operated.sample(20'000).acc[1], -3500);
}

}  // namespace
}  // namespace vesko
