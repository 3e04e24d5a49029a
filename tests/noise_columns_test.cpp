// Packed samples and the Allan analysis taken from them: the same figures, to the bit, as from the samples themselves.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "allan_of_counts.h"
#include "noise_analysis.h"
#include "sample_columns.h"

namespace vesko {
namespace {

void expectSameCurve(const AllanCurve& expected, const AllanCurve& got, const std::string& what) {
    ASSERT_EQ(expected.size(), got.size()) << what;
    for (std::size_t j = 0; j < expected.size(); ++j) {
        const AllanPoint& e = expected[j];
        const AllanPoint& g = got[j];
        EXPECT_EQ(e.m, g.m) << what;
        EXPECT_EQ(e.terms, g.terms) << what;
        EXPECT_EQ(e.sigma, g.sigma) << what << ", m " << e.m;
        EXPECT_EQ(e.noise, g.noise) << what << ", m " << e.m;
        EXPECT_EQ(e.noiseEvidence, g.noiseEvidence) << what << ", m " << e.m;
        EXPECT_EQ(e.edf.value, g.edf.value) << what << ", m " << e.m;
        EXPECT_EQ(e.lower, g.lower) << what << ", m " << e.m;
        EXPECT_EQ(e.upper, g.upper) << what << ", m " << e.m;
    }
}

// Blocks of every width, a partly filled last block, and stretches across them.
TEST(PackedColumn, EveryWidthReadsBackAsValuesAndRunningSums) {
    std::mt19937_64 rng(5);
    std::vector<std::int64_t> plain;
    PackedColumn column;
    const std::int64_t spans[] = {0, 200, 60'000, 4'000'000'000, 1, 65'535};
    for (const std::int64_t span : spans) {
        std::uniform_int_distribution<std::int64_t> value(-span / 2 - 7, span - span / 2 - 7);
        for (std::size_t i = 0; i < PackedColumn::kBlockValues; ++i) plain.push_back(value(rng));
    }
    for (int i = 0; i < 100; ++i) plain.push_back(-32768 + i);  // still being filled
    for (const std::int64_t v : plain) column.append(v);
    ASSERT_EQ(plain.size(), column.size());

    const std::size_t b = PackedColumn::kBlockValues;
    const std::pair<std::size_t, std::size_t> stretches[] = {
        {0, plain.size()}, {b - 3, 2 * b + 5}, {5 * b - 1, plain.size()}, {3 * b + 17, 3 * b + 18}, {7, 7}};
    for (const auto& [from, to] : stretches) {
        std::vector<std::int64_t> values(to - from), sums(to - from + 1);
        column.read(from, to, values.data());
        column.runningSums(from, to, -11, sums.data());
        std::int64_t running = -11;
        for (std::size_t i = from; i < to; ++i) {
            ASSERT_EQ(plain[i], values[i - from]) << i;
            ASSERT_EQ(running, sums[i - from]) << i;
            running += plain[i];
        }
        EXPECT_EQ(running, sums.back());
        EXPECT_EQ(running + 11, column.sumOver(from, to));
    }
    EXPECT_TRUE(column.constantOver(0, b));
    EXPECT_FALSE(column.constantOver(b - 1, b + 1));
    EXPECT_TRUE(column.constantOver(9, 9));
    EXPECT_LT(column.storedBytes(), plain.size() * 2);
}

// A run of counts with a rate random walk, a clock with jitter, and gaps.
std::vector<ImuSample> gappySeries(std::size_t n, std::uint64_t seed) {
    std::mt19937_64 rng(seed);
    std::normal_distribution<double> normal;
    std::uniform_int_distribution<std::uint32_t> jitter(0, 2000);
    std::vector<ImuSample> out(n);
    double rate = 0.0;
    std::uint32_t ticks = 0xFF00'0000u;
    std::uint8_t seq = 200;
    for (std::size_t i = 0; i < n; ++i) {
        rate += 0.3 * normal(rng);
        for (std::size_t axis = 0; axis < 3; ++axis) {
            const auto a = static_cast<double>(axis);
            out[i].gyro[axis] = static_cast<std::int16_t>(std::lround(rate * a + 9 * normal(rng)));
            out[i].acc[axis] = static_cast<std::int16_t>(std::lround(kImuAccCountsPerG * (axis == 1) + 3 * normal(rng)));
        }
        ticks += 47'000 + jitter(rng) + (i % 4999 == 4998 ? kImuTicksPerSecond / 1000 : 0);  // now and then late by a period
        seq = static_cast<std::uint8_t>(seq + (i % 7919 == 7918 ? 2 : 1));   // now and then one lost
        out[i].timestamp = ticks;
        out[i].seq = seq;
    }
    return out;
}

SampleColumns packed(const std::vector<ImuSample>& samples) {
    SampleColumns columns;
    for (const ImuSample& s : samples) columns.append(s);
    return columns;
}

TEST(SampleColumns, MedianAndLongestRunAreTheSamplesOwn) {
    for (const std::size_t n : {0u, 1u, 2u, 3u, 4096u, 30'000u}) {
        const std::vector<ImuSample> samples = gappySeries(n, n);
        const SampleColumns columns = packed(samples);
        EXPECT_EQ(medianInterval(samples), columns.medianInterval()) << n;
        const UniformRun expected = longestUniformRun(samples);
        const UniformRun got = columns.longestUniformRun();
        EXPECT_EQ(expected.periodTicks, got.periodTicks) << n;
        EXPECT_EQ(expected.first, got.first) << n;
        EXPECT_EQ(expected.length, got.length) << n;
        EXPECT_EQ(expected.breaks, got.breaks) << n;
    }
}

// Blocks of a few start points make every size of every grid take the far stretches.
TEST(AllanOfCounts, SameCurveAsFromTheRunningSumsOnEveryGridAndBlock) {
    const std::vector<ImuSample> samples = gappySeries(9'000, 2);
    const SampleColumns columns = packed(samples);
    const std::size_t first = 1234;
    for (const std::size_t length : {1u, 2u, 5u, 2'500u}) {
        std::vector<std::int64_t> sums;
        cumulativeCounts(std::span(samples).subspan(first, length), ImuAxis::gyroZ, sums);
        for (const TauGrid grid : {TauGrid::octave, TauGrid::decade, TauGrid::all}) {
            const AllanSettings settings{grid, 0.9};
            const AllanCurve expected = overlappingAllan(sums, 0.001, 0.5, settings);
            for (const std::size_t block : {1u, 3u, 64u, 4096u}) {
                const AllanCurve got = overlappingAllan(columns.counts(2), first, length, 0.001, 0.5, settings, block);
                expectSameCurve(expected, got,
                                std::string(tauGridName(grid)) + " length " + std::to_string(length) + " block " +
                                    std::to_string(block));
            }
        }
    }
}

TEST(AllanOfCounts, WholeAnalysisOfPackedSamplesIsTheSamplesOwn) {
    std::vector<ImuSample> samples = gappySeries(150'000, 9);
    for (ImuSample& s : samples) s.acc[0] = 17;  // stuck
    const AxisScales scales{0.061, 0.061, 0.061, 1.0 / 4096, 1.0 / 4096, 1.0 / 4096};
    const NoiseAnalysis expected = analyseNoise(samples, scales);
    const NoiseAnalysis got = analyseNoise(packed(samples), scales);
    EXPECT_GT(expected.run.first, 0u);
    EXPECT_EQ(expected.run.first, got.run.first);
    EXPECT_EQ(expected.run.length, got.run.length);
    EXPECT_EQ(expected.tau0, got.tau0);
    EXPECT_EQ(expected.totalSamples, got.totalSamples);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(expected.axes[i].neverChanged, got.axes[i].neverChanged) << i;
        expectSameCurve(expected.axes[i].curve, got.axes[i].curve, std::string(axisName(kImuAxes[i])));
        EXPECT_EQ(expected.axes[i].figures.white.value, got.axes[i].figures.white.value) << i;
        EXPECT_EQ(expected.axes[i].figures.instability.value, got.axes[i].figures.instability.value) << i;
        EXPECT_EQ(expected.axes[i].figures.rateWalk.value, got.axes[i].figures.rateWalk.value) << i;
    }
    EXPECT_TRUE(got.axes[3].neverChanged);
}

}  // namespace
}  // namespace vesko
