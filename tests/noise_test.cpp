// Allan analysis: a hand-computed series, generated noise of known figures, uniform runs.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "allan_curve.h"
#include "noise_figures.h"
#include "uniform_run.h"

namespace vesko {
namespace {

constexpr std::uint32_t kTicks = 48'000;  // 1 kHz
constexpr double kTau0 = 0.001;

// Gyro x counts: white noise of `white` counts per sample plus a rate random
// walk stepping by `walk` counts per sample; clock and seq start near their wraps.
std::vector<ImuSample> noisySeries(std::size_t n, double white, double walk, std::uint64_t seed) {
    std::mt19937_64 rng(seed);
    std::normal_distribution<double> normal;
    std::vector<ImuSample> out(n);
    double rate = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        rate += walk * normal(rng);
        out[i].gyro[0] = static_cast<std::int16_t>(std::lround(rate + white * normal(rng)));
        out[i].timestamp = 0xFFFF'0000u + static_cast<std::uint32_t>(i * kTicks);
        out[i].seq = static_cast<std::uint8_t>(250 + i);
    }
    return out;
}

AllanCurve curveOf(const std::vector<ImuSample>& samples, double unitsPerCount) {
    std::vector<std::int64_t> sums;
    cumulativeCounts(samples, ImuAxis::gyroX, sums);
    return overlappingAllan(sums, kTau0, unitsPerCount);
}

void expectWithin(const NoiseFigure& f, double truth, double tolerance) {
    EXPECT_TRUE(f.measured);
    EXPECT_NEAR(f.value / truth, 1.0, tolerance);
    EXPECT_LE(f.lower, truth);
    EXPECT_GE(f.upper, truth);
}

TEST(AllanCurve, NineSamplesGiveTheFormulaAtOneTwoFourAndStop) {
    std::vector<ImuSample> s(9);
    const std::int16_t x[9] = {3, -1, 4, 1, -5, 9, 2, -6, 5};
    for (std::size_t i = 0; i < 9; ++i) s[i].gyro[0] = x[i];
    const AllanCurve c = curveOf(s, 0.5);
    ASSERT_EQ(3u, c.size());  // m = 8 would need 17 samples
    // Sums of squared second differences of theta = 0 3 2 6 7 2 11 13 7 (12).
    const double expected[3] = {395.0 / (2 * 1 * 7), 348.0 / (2 * 4 * 5), 49.0 / (2 * 16 * 1)};
    for (std::size_t j = 0; j < 3; ++j) {
        EXPECT_EQ(1u << j, c[j].m);
        EXPECT_DOUBLE_EQ(kTau0 * (1 << j), c[j].tau);
        EXPECT_DOUBLE_EQ(0.5 * std::sqrt(expected[j]), c[j].sigma) << j;
        EXPECT_DOUBLE_EQ(9.0 / (1 << j) - 1.0, c[j].dof);
        EXPECT_LT(c[j].lower, c[j].sigma);
        EXPECT_GT(c[j].upper, c[j].sigma);
    }
    EXPECT_TRUE(curveOf(std::vector<ImuSample>(2), 1.0).empty());
    EXPECT_EQ(1u, curveOf(std::vector<ImuSample>(3), 1.0).size());
}

TEST(AllanCurve, FullScaleCountsOverLongClustersStayExact) {
    // A constant full-scale rate has no Allan variance at all: any rounding in
    // the sums of 2^22 samples would show as a non-zero deviation.
    std::vector<ImuSample> s(std::size_t{1} << 22);
    for (ImuSample& x : s) x.gyro[0] = -32768;
    for (const AllanPoint& p : curveOf(s, 1.0)) EXPECT_EQ(0.0, p.sigma) << p.m;
}

TEST(NoiseFigures, WhiteNoiseGivesNAndOnlyBoundsForBAndK) {
    const double white = 20.0;
    const double scale = 0.01;  // units per count
    const AllanCurve c = curveOf(noisySeries(2'000'000, white, 0.0, 7), scale);
    const NoiseFigures f = readNoiseFigures(c);
    // Rounding to counts adds 1/12 count^2 of white noise of its own.
    const double n = scale * std::sqrt((white * white + 1.0 / 12.0) * kTau0);
    expectWithin(f.white, n, 0.05);
    EXPECT_EQ(1.0, f.white.tau);
    EXPECT_FALSE(f.instability.measured);
    EXPECT_FALSE(f.rawMinimum.measured);
    EXPECT_FALSE(f.rateWalk.measured);
    EXPECT_NEAR(f.instability.value * kFlickerFloorFactor, f.rawMinimum.value, 1e-12);
    // The bounds lie at or above where the curve ended, and above the truth (zero).
    EXPECT_GE(f.rawMinimum.value, c.back().sigma * 0.999);
    EXPECT_GT(f.rateWalk.value, 0.0);
}

TEST(NoiseFigures, RateRandomWalkOverWhiteNoiseGivesK) {
    const double white = 20.0;
    const double walk = 0.35;  // counts per sample step: overtakes the white noise near 0.1 s
    const AllanCurve c = curveOf(noisySeries(std::size_t{1} << 22, white, walk, 11), 1.0);
    const NoiseFigures f = readNoiseFigures(c);
    expectWithin(f.rateWalk, walk / std::sqrt(kTau0), 0.2);
    EXPECT_EQ(3.0, f.rateWalk.tau);
    expectWithin(f.white, std::sqrt((white * white + 1.0 / 12.0) * kTau0), 0.05);
    ASSERT_TRUE(f.instability.measured);
    EXPECT_LT(f.instability.tau, 1.0);
    EXPECT_DOUBLE_EQ(f.rawMinimum.value / kFlickerFloorFactor, f.instability.value);
}

TEST(UniformRun, BreaksAtSeqGapsAndOffIntervalsButNotAtWraps) {
    std::vector<ImuSample> s = noisySeries(1000, 1.0, 0.0, 3);  // crosses both wraps
    EXPECT_EQ(kTicks, medianInterval(s));
    UniformRun r = longestUniformRun(s);
    EXPECT_EQ(0u, r.first);
    EXPECT_EQ(1000u, r.length);
    EXPECT_EQ(0u, r.breaks);

    for (std::size_t i = 300; i < s.size(); ++i) {  // sample 300 lost
        s[i].seq += 1;
        s[i].timestamp += kTicks;
    }
    s[800].timestamp += kTicks;    // 800 late by a whole period, 801 on time again
    s[900].timestamp += kTicks / 2 - 1;  // within half a period: no break
    r = longestUniformRun(s);
    EXPECT_EQ(kTicks, r.periodTicks);
    EXPECT_EQ(300u, r.first);
    EXPECT_EQ(500u, r.length);
    EXPECT_EQ(3u, r.breaks);  // before 300, before 800, before 801

    EXPECT_EQ(1u, longestUniformRun(std::span(s).first(1)).length);
    EXPECT_EQ(0u, longestUniformRun({}).length);
}

}  // namespace
}  // namespace vesko
