// Allan intervals: chi-square quantiles against the tables, noise types and EDF against generated noise.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "allan_curve.h"

namespace vesko {
namespace {

constexpr double kTau0 = 0.001;

// Counts of one power-law noise, 100 counts in size: white FM is white
// counts, white PM white angles (so counts that are their differences),
// random walk FM a random walk of counts.
std::vector<std::int64_t> runningSumsOf(NoiseType type, std::size_t samples, std::mt19937_64& rng) {
    std::normal_distribution<double> normal(0.0, 100.0);
    std::vector<std::int64_t> sums{0};
    std::int64_t before = 0;
    std::int64_t rate = 0;
    for (std::size_t i = 0; i < samples; ++i) {
        const auto white = static_cast<std::int64_t>(std::lround(normal(rng)));
        std::int64_t count = white;
        if (type == NoiseType::whitePm) count = white - before;
        if (type == NoiseType::randomWalkFm) count = rate += white;
        before = white;
        sums.push_back(sums.back() + count);
    }
    return sums;
}

TEST(DeviationInterval, QuantilesAreTheTablesAtWholeAndFractionalDof) {
    const struct {
        double dof;
        double low;   // chi-square's 2.5 % point
        double high;  // and its 97.5 % point
    } kTable[] = {{1.0, 0.000982069, 5.02389}, {2.7, 0.154157, 8.780665}, {10.0, 3.24697, 20.4832}};
    for (const auto& row : kTable) {
        const Interval band = deviationInterval(2.0, row.dof, 0.95);
        EXPECT_NEAR(2.0 * std::sqrt(row.dof / row.high), band.lower, 1e-3 * band.lower) << row.dof;
        EXPECT_NEAR(2.0 * std::sqrt(row.dof / row.low), band.upper, 1e-3 * band.upper) << row.dof;
    }
    EXPECT_NEAR(1.959964, twoSidedNormalQuantile(0.95), 1e-6);
    EXPECT_LT(deviationInterval(1.0, 10.0, 0.683).upper, deviationInterval(1.0, 10.0, 0.95).upper);
    EXPECT_EQ(0.0, deviationInterval(1.0, 0.0, 0.95).lower);
    EXPECT_TRUE(std::isinf(deviationInterval(1.0, 0.0, 0.95).upper));
}

TEST(NoiseType, GeneratedNoiseIsToldByItsLag1AutocorrelationAndSlopesByTheirType) {
    std::mt19937_64 rng(17);
    for (const NoiseType type : {NoiseType::whiteFm, NoiseType::whitePm, NoiseType::randomWalkFm}) {
        const AllanCurve c = overlappingAllan(runningSumsOf(type, 100'000, rng), kTau0, 1.0);
        ASSERT_EQ(NoiseEvidence::autocorrelation, c.front().noiseEvidence);
        EXPECT_EQ(NoiseEvidence::slope, c.back().noiseEvidence);  // 3 averages at m = 2^15
        for (const AllanPoint& p : c) {
            if (p.noiseEvidence == NoiseEvidence::autocorrelation) {
                EXPECT_EQ(type, p.noise) << p.m;
            }
        }
    }
    EXPECT_EQ(NoiseType::flickerPm, noiseBySlope(-1.0));
    EXPECT_EQ(NoiseType::whiteFm, noiseBySlope(-0.45));
    EXPECT_EQ(NoiseType::flickerFm, noiseBySlope(0.1));
    EXPECT_EQ(NoiseType::randomWalkFm, noiseBySlope(0.5));
    EXPECT_EQ(NoiseType::randomWalkFm, noiseBySlope(1.5));  // drift: the slowest type the variance converges for
}

// var(s^2) / E(s^2)^2 = 2 / edf: the spread of the estimates over many
// generated records is what the EDF claims. The counter's model of the
// phase (averaged over each sample) would claim 17 % more at m = 1 for white FM.
TEST(AllanEdf, MatchesTheSpreadOfEstimatesOverGeneratedRecordsAndThePublishedFormula) {
    constexpr std::size_t kRecords = 4000;  // the spread is then known to about 2 %
    constexpr std::size_t kSamples = 500;
    std::mt19937_64 rng(23);
    for (const NoiseType type : {NoiseType::whiteFm, NoiseType::whitePm}) {
        std::vector<double> sum(3);
        std::vector<double> squares(3);
        for (std::size_t r = 0; r < kRecords; ++r) {
            const AllanCurve c = overlappingAllan(runningSumsOf(type, kSamples, rng), kTau0, 1.0);
            for (std::size_t j = 0; j < 3; ++j) {
                const double s2 = c[2 * j].sigma * c[2 * j].sigma;  // m = 1, 4, 16
                sum[j] += s2;
                squares[j] += s2 * s2;
            }
        }
        for (std::size_t j = 0; j < 3; ++j) {
            const double mean = sum[j] / kRecords;
            const double spread = squares[j] / kRecords - mean * mean;
            const double edf = overlappingAllanEdf(type, std::size_t{1} << (2 * j), kSamples).value;
            EXPECT_NEAR(1.0, 2.0 * mean * mean / spread / edf, 0.1) << noiseName(type) << ", m " << (1 << (2 * j));
        }
    }
    // NIST SP 1065 Table 12 for white FM, N = 1001 phase points, worked by hand:
    // m = 1: (3 * 1000 / 2 - 2 * 999 / 1001) * 4 / 9; m = 16: (3000 / 32 - 2 * 999 / 1001) * 1024 / 1029.
    EXPECT_NEAR(665.78, overlappingAllanEdf(NoiseType::whiteFm, 1, 1000).value, 665.78 * 0.01);
    EXPECT_NEAR(91.31, overlappingAllanEdf(NoiseType::whiteFm, 16, 1000).value, 91.31 * 0.01);
    EXPECT_EQ(EdfMethod::greenhall, overlappingAllanEdf(NoiseType::flickerPm, 64, 1000).method);
    EXPECT_EQ(EdfMethod::approximate, overlappingAllanEdf(NoiseType::flickerPm, 2'000'000, 4'000'050).method);
}

}  // namespace
}  // namespace vesko
