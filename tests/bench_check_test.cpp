// The bench check's estimators and rules on synthetic samples: no device, no console.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include <nlohmann/json.hpp>

#include "bench_limits.h"
#include "check_report.h"
#include "check_procedure.h"
#include "check_verdict.h"
#include "headset_config.h"
#include "six_position.h"
#include "stillness.h"
#include "synthetic_imu.h"
#include "turn_integrator.h"

namespace vesko {
namespace {

// The example headset's mounting with an accelerometer calibration of its own.
ImuCalibration exampleCalibration() {
    ImuCalibration cal;
    cal.plusX = {-1.0, 0.0, 0.0};
    cal.plusZ = {0.0, -1.0, 0.0};
    cal.accBias = {0.0312, -0.0205, 0.0044};
    cal.accScale = {1.013, 0.991, 1.0004};
    return cal;
}

// The raw mean an ideal unit with calibration `truth` shows lying on `face`.
FaceMeasurement idealFace(const ImuCalibration& truth, HeadsetFace face) {
    const Vector3 plusX{truth.plusX[0], truth.plusX[1], truth.plusX[2]};
    const Vector3 plusZ{truth.plusZ[0], truth.plusZ[1], truth.plusZ[2]};
    const auto u = faceUpInHead(face);
    const Vector3 up{u[0], u[1], u[2]};
    const Axes3 upImu{dot(plusX, up), dot(cross(plusZ, plusX), up), dot(plusZ, up)};
    FaceMeasurement m{face, {}};
    for (std::size_t i = 0; i < 3; ++i) m.accRaw[i] = (upImu[i] + truth.accBias[i]) / truth.accScale[i] * kImuAccCountsPerG;
    return m;
}

TEST(SixPosition, RecoversBiasAndScaleAndNamesTheAxesOfAWrongMounting) {
    const ImuCalibration truth = exampleCalibration();
    std::vector<FaceMeasurement> faces;
    for (HeadsetFace f : kSixFaces) faces.push_back(idealFace(truth, f));

    const SixPositionResult right = estimateSixPosition(faces, truth);
    EXPECT_TRUE(right.complete);
    EXPECT_TRUE(right.mismatches.empty());
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(right.accBias[i], truth.accBias[i], 1e-12);
        EXPECT_NEAR(right.accScale[i], truth.accScale[i], 1e-12);
    }

    ImuCalibration swapped = truth;  // IMU x and y exchanged
    swapped.plusX = {0.0, 0.0, -1.0};
    const SixPositionResult wrong = estimateSixPosition(faces, swapped);
    ASSERT_EQ(wrong.mismatches.size(), 4u);
    EXPECT_EQ(wrong.mismatches[0], "face down: gravity seen on IMU -y, the mounting predicts -x");
    EXPECT_NEAR(wrong.accBias[0], truth.accBias[0], 1e-12);  // measured axes, not the mounting's

    faces.pop_back();  // right side down: IMU +x never pointed up
    EXPECT_FALSE(estimateSixPosition(faces, truth).complete);
}

TEST(SixPosition, AMountingOffTheHeadAxesBeyondTwoDegreesIsExplained) {
    ImuCalibration cal = exampleCalibration();
    const auto tilted = [](double degrees) {
        const double r = degrees * std::numbers::pi / 180.0;
        return ConfigVector{-std::cos(r), std::sin(r), 0.0};
    };
    cal.plusX = tilted(1.9);
    EXPECT_EQ(mountingMisalignment(cal), "");
    cal.plusX = tilted(3.0);
    EXPECT_NE(mountingMisalignment(cal).find("plus_x"), std::string::npos);
    EXPECT_NE(mountingMisalignment(cal).find("3.0\u00b0"), std::string::npos);
    cal.plusX = {0.0, -1.0, 0.0};  // along plus_z
    EXPECT_NE(mountingMisalignment(cal), "");
}

TEST(SixPosition, AxesThatCanBeNoMountingAreNamedWithTheReason) {
    const struct {
        ConfigVector plusX;
        ConfigVector plusZ;
        const char* reason;  // empty: a mounting
    } cases[] = {
        {{-1.005, 0.0, 0.0}, {0.0, -1.0, 0.0}, ""},
        {{-std::cos(0.0157), std::sin(0.0157), 0.0}, {0.0, -1.0, 0.0}, ""},  // 0.9 degrees off square
        {{0.0, 0.0, 0.0}, {0.0, -1.0, 0.0}, "imu plus_x [0, 0, 0] is 0 long, not a unit vector"},
        {{-1.0, 0.0, 0.0}, {0.0, -1.02, 0.0}, "imu plus_z [0, -1.02, 0] is 1.02 long, not a unit vector"},
        {{0.0, -1.0, 0.0}, {0.0, -1.0, 0.0}, "imu plus_x and plus_z are 0.0\u00b0 apart, not perpendicular (parallel)"},
        {{-std::cos(0.0262), std::sin(0.0262), 0.0}, {0.0, -1.0, 0.0}, "are 91.5\u00b0 apart, not perpendicular"},
    };
    for (const auto& c : cases) {
        ImuCalibration cal = exampleCalibration();
        cal.plusX = c.plusX;
        cal.plusZ = c.plusZ;
        const std::string reason = degenerateMounting(cal);
        if (std::string(c.reason).empty()) {
            EXPECT_EQ(reason, "");
        } else {
            EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
        }
    }
}

TEST(TurnIntegrator, AngleAcrossTheTickWrapWithTheBiasRemovedAfterwards) {
    const ImuCalibration cal = exampleCalibration();
    const FilterParams params;
    test::SyntheticImu imu(cal, params, {3.0, -2.0, 5.0}, 1.0);
    imu.time = 0u - 72'000'000u;  // the 32-bit clock wraps in the middle of the turn
    SampleStats still;
    for (int i = 0; i < 500; ++i) still.add(imu.step({}), 0.001);
    TurnIntegrator turn;
    const double seconds = 2.0;
    const double angle = std::numbers::pi / 2.0;
    for (int i = 1; i <= 2000; ++i) {  // raised-cosine rate about head up
        const double rate = angle / seconds * (1.0 - std::cos(2.0 * std::numbers::pi * i * 0.001 / seconds));
        turn.add(imu.step({0.0, rate, 0.0}));
    }
    for (int i = 0; i < 500; ++i) turn.add(imu.step({}));
    const Axes3 acc = calibratedAcc(still.accMean(), cal);
    const double g = std::hypot(acc[0], acc[1], acc[2]);
    const Vector3 up{acc[0] / g, acc[1] / g, acc[2] / g};
    EXPECT_NEAR(turn.angleDegrees(still.gyroMean(), up, params.gyroScale), 90.0, 0.05);  // to the left
    EXPECT_NEAR(turn.seconds(), 2.499, 1e-9);
    TurnIntegrator back;
    for (int i = 0; i <= 2000; ++i) back.add(i == 0 ? imu.step({}) : imu.step({0.0, -std::numbers::pi / 4.0, 0.0}));
    EXPECT_NEAR(back.angleDegrees(still.gyroMean(), up, params.gyroScale), -90.0, 0.05);  // to the right

    ImuSample late = imu.step({});  // a hole of a second is skipped, not integrated
    late.timestamp += kImuTicksPerSecond;
    late.gyro = {30000, 30000, 30000};
    turn.add(late);
    EXPECT_EQ(turn.holes(), 1u);
    EXPECT_NEAR(turn.seconds(), 2.499, 1e-9);
}

ImuSample flat(std::int16_t gyroZ) {
    ImuSample s;
    s.acc = {0, 0, static_cast<std::int16_t>(-kImuAccCountsPerG)};  // IMU -z up
    s.gyro = {3, -2, gyroZ};
    return s;
}

TEST(RestEstimate, DriftIsTheRateChangeAboutTheVerticalBetweenTheHalves) {
    std::vector<SampleStats> blocks(10);
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        for (int i = 0; i < 200; ++i) blocks[b].add(flat(b < 5 ? 5 : 6), 0.001);
    }
    ImuCalibration cal;
    const RestResult r = estimateRest(blocks, cal, FilterParams{}.gyroScale);
    EXPECT_NEAR(r.gyroBias[2], 5.5, 1e-12);
    EXPECT_NEAR(r.gyroNoise[2], 0.5, 1e-12);
    EXPECT_NEAR(r.accNorm, 1.0, 1e-12);
    // One count more about -z (world up here is IMU -z): a turn to the right.
    EXPECT_NEAR(r.yawDriftPerMin, -FilterParams{}.gyroScale * kDegreesPerRadian * 60.0, 1e-9);
}

TEST(Stillness, ASteadyTurnIsStillOnlyUntilTheRestBiasIsKnown) {
    StillnessRun withoutBias;
    StillnessRun withBias;
    withBias.setRestBias({3.0, -2.0, 5.0});
    StillnessRun::Block a = StillnessRun::Block::none, b = a;
    for (int i = 0; i < 200; ++i) {
        a = withoutBias.add(flat(200), 0.001);  // 12 deg/s, constant
        b = withBias.add(flat(200), 0.001);
    }
    EXPECT_EQ(a, StillnessRun::Block::steady);
    EXPECT_EQ(b, StillnessRun::Block::moving);
    for (int i = 0; i < 200; ++i) a = withoutBias.add(flat(i % 2 ? 220 : 180), 0.001);  // shaking
    EXPECT_EQ(a, StillnessRun::Block::moving);
    EXPECT_EQ(withoutBias.runSeconds(), 0.0);
}

TEST(BenchLimits, OverridesAndRefusalsNameTheKey) {
    BenchLimits limits;
    std::string error;
    ASSERT_TRUE(parseBenchLimits(R"({"gyro_scale_percent": 2, "acc_bias_mg": 0})", limits, error));
    EXPECT_EQ(limits.gyroScalePercent, 2.0);
    EXPECT_EQ(limits.accBiasMilliG, 0.0);
    EXPECT_EQ(limits.gyroBiasCounts, 50.0);

    const struct {
        const char* text;
        const char* error;
    } bad[] = {
        {R"({"gyro_bias": 5})", "unknown key 'gyro_bias'"},
        {R"({"acc_norm_mg": "20"})", "'acc_norm_mg' must be a number, not string"},
        {R"({"acc_norm_mg": true})", "'acc_norm_mg' must be a number, not boolean"},
        {R"({"yaw_drift_deg_per_min": null})", "'yaw_drift_deg_per_min' must be a number, not null"},
        {R"({"acc_scale_percent": 1, "gyro_noise_max_counts": -1})", "'gyro_noise_max_counts' must not be negative"},
        {R"({"acc_norm_mg": 20, "acc_norm_mg": 5})", "key 'acc_norm_mg' given twice"},
        {R"({"gyro_noise_min_counts": 4})", "'gyro_noise_min_counts' (4) is above 'gyro_noise_max_counts' (3)"},
        {R"({"gyro_noise_max_counts": 1, "gyro_noise_min_counts": 1.5})",
         "'gyro_noise_min_counts' (1.5) is above 'gyro_noise_max_counts' (1)"},
        {R"([1])", "must be a JSON object of limits"},
        {R"({"a": )", "not a JSON document"},
    };
    for (const auto& b : bad) {
        BenchLimits kept;
        EXPECT_FALSE(parseBenchLimits(b.text, kept, error)) << b.text;
        EXPECT_EQ(error, b.error);
        EXPECT_EQ(kept.accScalePercent, 0.5) << "a refused file changes nothing";
    }
}

TEST(CheckProcedure, SkippedStepsAreReportedAsSkippedNeverAsPass) {
    CheckSettings settings;
    settings.calibration = exampleCalibration();
    settings.calibration.plusZ = {0.0, -0.99, 0.14};  // 8 degrees off: six positions cannot be judged
    CheckProcedure procedure(settings);
    procedure.start();
    procedure.skipStep();  // rest; the six positions then skip themselves
    EXPECT_EQ(procedure.results().sixPositions, StepOutcome::skipped);
    EXPECT_NE(procedure.results().mountingSkipReason.find("plus_z"), std::string::npos);
    procedure.skipStep();  // gyro scale
    ASSERT_TRUE(procedure.finished());
    EXPECT_FALSE(procedure.aborted());
    const CheckVerdict verdict = judgeCheck(procedure.results(), settings, BenchLimits{});
    EXPECT_EQ(verdict.exitStatus, 1);
    for (const CheckRow& row : verdict.rows) EXPECT_EQ(row.outcome, CheckOutcome::skipped) << row.name;
    EXPECT_FALSE(verdict.suggested.accBias || verdict.suggested.gyroScale);
}

TEST(CheckProcedure, AMountingThatIsNoMountingFailsWithTheReason) {
    CheckSettings settings;
    settings.calibration = exampleCalibration();
    settings.calibration.plusX = settings.calibration.plusZ;  // parallel
    CheckProcedure procedure(settings);
    procedure.start();
    procedure.skipStep();
    EXPECT_EQ(procedure.results().sixPositions, StepOutcome::skipped);
    const CheckVerdict verdict = judgeCheck(procedure.results(), settings, BenchLimits{});
    const CheckRow& mounting = verdict.rows[8];
    ASSERT_EQ(mounting.name, "mounting");
    EXPECT_EQ(mounting.outcome, CheckOutcome::fail);
    EXPECT_NE(mounting.note.find("not perpendicular (parallel)"), std::string::npos) << mounting.note;
}

const CheckRow& rowOf(const CheckVerdict& verdict, const std::string& name) {
    for (const CheckRow& r : verdict.rows) {
        if (r.name == name) return r;
    }
    throw std::runtime_error("no check " + name);
}

TEST(CheckVerdict, TurnsReadTheWrongWayRoundFailAndSuggestNoScale) {
    CheckSettings settings;
    CheckResults results;
    results.gyroScale = StepOutcome::done;
    results.turnAngles = {-90.03, 90.0, -89.98, 90.01};  // every turn reversed, each of the right size
    CheckVerdict v = judgeCheck(results, settings, BenchLimits{});
    EXPECT_EQ(rowOf(v, "gyro_scale").outcome, CheckOutcome::fail);
    EXPECT_NEAR(*rowOf(v, "gyro_scale").measured, -1.0, 1e-3);
    EXPECT_NE(rowOf(v, "gyro_scale").note.find("the gyroscope's sign is reversed"), std::string::npos);
    EXPECT_FALSE(v.suggested.gyroScale);

    results.turnAngles = {90.0, 90.0, 90.0, -90.0};  // the second turn went left again
    v = judgeCheck(results, settings, BenchLimits{});
    EXPECT_EQ(rowOf(v, "gyro_scale").note, "1 of 4 turns read the wrong way round: turned the other way?");
    EXPECT_FALSE(v.suggested.gyroScale);
}

TEST(CheckVerdict, LimitsAreInclusiveAndTheReportCarriesEveryRow) {
    CheckSettings settings;
    settings.calibration = exampleCalibration();
    CheckResults results;
    results.rest = StepOutcome::done;
    results.restResult.gyroBias = {50.0, -50.0, 50.5};  // against a configured 0: at, at, past the limit
    results.restResult.gyroNoise = {3.0, 0.2, 0.1};
    results.restResult.accNorm = 1.02;
    results.gyroScale = StepOutcome::done;
    results.turnAngles = {91.8, -91.8};  // 2 % long: the scale in use reads too high
    const CheckVerdict v = judgeCheck(results, settings, BenchLimits{});
    const auto outcomeOf = [&v](const std::string& name) { return rowOf(v, name).outcome; };
    EXPECT_EQ(outcomeOf("gyro_bias_x"), CheckOutcome::pass);
    EXPECT_EQ(outcomeOf("gyro_bias_y"), CheckOutcome::pass);
    EXPECT_EQ(outcomeOf("gyro_bias_z"), CheckOutcome::fail);
    EXPECT_EQ(outcomeOf("gyro_noise_x"), CheckOutcome::pass);
    EXPECT_EQ(outcomeOf("gyro_noise_y"), CheckOutcome::pass);
    EXPECT_EQ(outcomeOf("gyro_noise_z"), CheckOutcome::fail);
    EXPECT_EQ(rowOf(v, "gyro_noise_z").note, "0.1 counts is below the minimum of 0.2 counts: too quiet for a live axis");
    EXPECT_EQ(outcomeOf("acc_norm"), CheckOutcome::pass);
    EXPECT_EQ(outcomeOf("mounting"), CheckOutcome::skipped);
    EXPECT_EQ(outcomeOf("gyro_scale"), CheckOutcome::fail);
    ASSERT_TRUE(v.suggested.gyroScale.has_value());
    EXPECT_NEAR(*v.suggested.gyroScale, settings.gyroScale / 1.02, 1e-15);

    const nlohmann::json report = nlohmann::json::parse(checkReportJson(v, BenchLimits{}, {"9.9", "t", "U", "C", "p", 1.0, 90.0}));
    EXPECT_EQ(report.at("checks").size(), v.rows.size());
    EXPECT_TRUE(report.at("checks")[8].at("measured").is_null());  // mounting, skipped
    EXPECT_EQ(report.at("unit_serial"), "U");
    EXPECT_EQ(report.at("verdict"), "FAIL");
    EXPECT_EQ(report.at("exit_status"), 1);
}

}  // namespace
}  // namespace vesko
