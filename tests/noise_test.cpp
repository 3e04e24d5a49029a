// Allan analysis: hand-computed and published series, exact sums on every path, noise of known figures, runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "allan_curve.h"
#include "noise_figures.h"
#include "second_differences.h"
#include "uniform_run.h"

namespace vesko {
namespace {

constexpr std::uint32_t kTicks = kImuTicksPerSecond / 1000;  // 1 kHz
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

TEST(AllanCurve, NineSamplesAverageEightSixAndTwoSecondDifferences) {
    std::vector<ImuSample> s(9);
    const std::int16_t x[9] = {3, -1, 4, 1, -5, 9, 2, -6, 5};
    for (std::size_t i = 0; i < 9; ++i) s[i].gyro[0] = x[i];
    const AllanCurve c = curveOf(s, 0.5);
    ASSERT_EQ(3u, c.size());  // m = 8 would need 17 samples
    // theta = 0 3 2 6 7 2 11 13 7 12: every second difference up to the last sample, squared and summed by hand.
    const double squares[3] = {516.0, 492.0, 170.0};
    const std::uint64_t terms[3] = {8, 6, 2};
    for (std::size_t j = 0; j < 3; ++j) {
        const double m = 1 << j;
        EXPECT_EQ(1u << j, c[j].m);
        EXPECT_EQ(terms[j], c[j].terms);
        EXPECT_DOUBLE_EQ(kTau0 * m, c[j].tau);
        EXPECT_DOUBLE_EQ(0.5 * std::sqrt(squares[j] / (2 * m * m * terms[j])), c[j].sigma) << j;
        EXPECT_LT(c[j].lower, c[j].sigma);
        EXPECT_GT(c[j].upper, c[j].sigma);
    }
    EXPECT_TRUE(curveOf(std::vector<ImuSample>(2), 1.0).empty());
    EXPECT_EQ(1u, curveOf(std::vector<ImuSample>(3), 1.0).size());
}

// NIST SP 1065's 1000-point set (n <- 16807 n mod (2^31 - 1) from 1234567890,
// y = n / (2^31 - 1)) and its published overlapping Allan deviations.
TEST(AllanCurve, NistThousandPointSetGivesItsPublishedDeviations) {
    constexpr std::int64_t kModulus = 2'147'483'647;
    std::vector<std::int64_t> sums{0};
    std::int64_t n = 1'234'567'890;
    for (int i = 0; i < 1000; ++i) {
        sums.push_back(sums.back() + n);
        n = 16807 * n % kModulus;
    }
    const AllanCurve c = overlappingAllan(sums, 1.0, 1.0 / kModulus, {TauGrid::decade});
    const struct {
        std::uint64_t m;
        double published;
        double lastDigit;
    } kPublished[] = {{1, 2.922319e-01, 1e-7}, {10, 9.159953e-02, 1e-8}, {100, 3.241343e-02, 1e-8}};
    for (const auto& row : kPublished) {
        const auto p = std::find_if(c.begin(), c.end(), [&](const AllanPoint& q) { return q.m == row.m; });
        ASSERT_NE(c.end(), p) << row.m;
        EXPECT_NEAR(row.published, p->sigma, row.lastDigit / 2) << row.m;
    }
}

// The lanes square in 32-bit halves and hand wide differences to the scalar
// loop: every path must give the exact sum, whatever the range and the size.
TEST(SecondDifferences, EveryLanePathGivesTheSameExactSum) {
    std::mt19937_64 rng(3);
    std::uniform_int_distribution<std::int64_t> count(-32768, 32767);
    std::vector<std::int64_t> theta{0};
    for (int i = 0; i < 5000; ++i) theta.push_back(theta.back() + count(rng) + (i % 997 == 0 ? std::int64_t{1} << 40 : 0));
    const std::vector<LanePath> paths = availableLanePaths();
    EXPECT_EQ(LanePath::scalar, paths.front());
    for (const std::size_t m : {1u, 2u, 3u, 7u, 64u, 1000u}) {
        const std::size_t terms = theta.size() - 2 * m;
        const std::pair<std::size_t, std::size_t> ranges[] = {{0, terms}, {5, 13}, {1, terms - 3}};
        for (const auto& [from, to] : ranges) {
            TwoWordSum exact;
            for (std::size_t k = from; k < to; ++k) {
                const std::int64_t d = theta[k + 2 * m] - 2 * theta[k + m] + theta[k];
                exact.addSquare(static_cast<std::uint64_t>(d < 0 ? -d : d));
            }
            for (const LanePath path : paths) {
                EXPECT_TRUE(sameSum(exact, squaredSecondDifferences(path, theta.data(), m, from, to)))
                    << "path " << static_cast<int>(path) << ", m " << m << ", from " << from;
            }
        }
    }
}

TEST(TauGrid, OctaveDecadeAndAllStopWhereTwoSecondDifferencesRemain) {
    using Sizes = std::vector<std::size_t>;
    EXPECT_EQ((Sizes{1, 2, 4}), clusterSizes(TauGrid::octave, 9));
    EXPECT_EQ((Sizes{1, 2, 4, 8}), clusterSizes(TauGrid::octave, 17));
    EXPECT_EQ((Sizes{1, 2, 5, 10, 20, 50, 100}), clusterSizes(TauGrid::decade, 201));
    EXPECT_EQ((Sizes{1, 2, 5, 10, 20, 50}), clusterSizes(TauGrid::decade, 200));
    EXPECT_EQ((Sizes{1, 2, 3, 4}), clusterSizes(TauGrid::all, 9));
    EXPECT_TRUE(clusterSizes(TauGrid::octave, 2).empty());
    for (const TauGrid grid : {TauGrid::octave, TauGrid::decade, TauGrid::all}) {
        EXPECT_EQ(grid, tauGridNamed(tauGridName(grid)));
    }
    EXPECT_FALSE(tauGridNamed("weekly"));
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
    for (const NoiseFigure* bound : {&f.instability, &f.rawMinimum, &f.rateWalk}) {
        EXPECT_GT(bound->value, 0.0);
        EXPECT_EQ(bound->value, bound->upper);  // a bound's upper is the bound itself
    }
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
