// Tests of IMU report decoding, sample acceptance and the stream counters.
#include "imu_sample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace vesko {
namespace {

using Bytes = std::vector<std::uint8_t>;

void putLe(Bytes& out, std::size_t at, std::uint32_t value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A 64-byte IMU report carrying three samples with the given seq and timestamp.
Bytes report(std::array<std::uint8_t, 3> seqs, std::array<std::uint32_t, 3> stamps = {1, 2, 3}) {
    Bytes out(kImuReportReadSize, 0);
    out[0] = kImuReportId;
    for (std::size_t k = 0; k < 3; ++k) {
        const std::size_t base = 1 + k * kImuSubSampleSize;
        putLe(out, base, 100 + k, 2);  // acc[0], to tell sub-samples apart
        putLe(out, base + 12, stamps[k], 4);
        out[base + 16] = seqs[k];
    }
    return out;
}

AcceptedSamples feed(ImuSequenceState& state, const Bytes& bytes, ImuStreamStats& stats) {
    return processReport(state, bytes.data(), bytes.size(), bytes.size(), stats);
}

void expectCounters(const ImuStreamStats& stats, std::uint64_t reports, std::uint64_t samples,
                    std::uint64_t gaps, std::uint64_t otherReports) {
    EXPECT_EQ(stats.reports, reports);
    EXPECT_EQ(stats.samples, samples);
    EXPECT_EQ(stats.gaps, gaps);
    EXPECT_EQ(stats.otherReports, otherReports);
    EXPECT_EQ(stats.timeouts, 0u);  // moved only by the reader
}

TEST(ImuDecode, FieldsAreLittleEndianWhateverTheHost) {
    Bytes bytes(kImuReportReadSize, 0);
    bytes[0] = kImuReportId;
    const Bytes second = {0xFF, 0xFF, 0x00, 0x80, 0x34, 0x12,   // acc: -1, -32768, 0x1234
                          0xFF, 0x7F, 0xFE, 0xFF, 0x01, 0x00,   // gyro: 32767, -2, 1
                          0x78, 0x56, 0x34, 0xF2, 0xC9};        // timestamp, seq 201
    std::copy(second.begin(), second.end(), bytes.begin() + 1 + kImuSubSampleSize);
    std::fill(bytes.begin() + kImuReportMinLength, bytes.end(), 0xAB);  // never part of a sample
    const DecodedReport decoded = decodeImuReport(bytes.data(), bytes.size(), bytes.size());
    ASSERT_TRUE(decoded.isImuReport);
    const ImuSample& s = decoded.samples[1];
    EXPECT_EQ(s.acc, (std::array<std::int16_t, 3>{-1, -32768, 0x1234}));
    EXPECT_EQ(s.gyro, (std::array<std::int16_t, 3>{32767, -2, 1}));
    EXPECT_EQ(s.timestamp, 0xF2345678u);
    EXPECT_EQ(s.seq, 201);
    EXPECT_EQ(decoded.samples[0].seq, 0);  // neighbours keep their own bytes
    EXPECT_EQ(decoded.samples[2].timestamp, 0u);
    EXPECT_EQ(decoded.samples[2].seq, 0);

    // The device's side of the wire writes back exactly the bytes read.
    const ImuReportBytes encoded = encodeImuReport(decoded.samples);
    EXPECT_TRUE(std::equal(encoded.begin(), encoded.begin() + kImuReportMinLength, bytes.begin()));
    EXPECT_TRUE(std::all_of(encoded.begin() + kImuReportMinLength, encoded.end(),
                            [](std::uint8_t b) { return b == 0; }));
}

TEST(ImuDecode, LengthAndBufferSizeDecideAndAreNeverOverrun) {
    struct Case { std::size_t bufferSize, transferred; std::uint8_t id; bool isImu; };
    const Case cases[] = {
        {64, 0, 32, false},  {64, 51, 32, false}, {64, 52, 32, true}, {52, 52, 32, true},
        {64, 64, 32, true},  {64, 64, 33, false}, {64, 100, 32, true}, {40, 64, 32, false},
        {51, 52, 32, false}, {1, 1000, 32, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bufferSize << " " << c.transferred << " " << int(c.id));
        Bytes full = report({7, 8, 9});
        full[0] = c.id;
        // Exactly bufferSize bytes on the heap, so a sanitizer sees any overread.
        const Bytes bytes(full.begin(), full.begin() + c.bufferSize);
        const DecodedReport decoded = decodeImuReport(bytes.data(), bytes.size(), c.transferred);
        EXPECT_EQ(decoded.isImuReport, c.isImu);
        if (c.isImu) {
            EXPECT_EQ(decoded.samples[2].seq, 9);
        }
    }
    EXPECT_FALSE(decodeImuReport(nullptr, 64, 64).isImuReport);
}

TEST(ImuAccept, VerdictsFromSequenceStepAndTimestamp) {
    struct Case { const char* what; bool haveLast; std::uint8_t lastSeq; std::uint32_t lastTs;
                  std::uint8_t seq; std::uint32_t ts; SampleVerdict verdict; };
    const Case cases[] = {
        {"first after a reconnection, far off", false, 200, 5, 70, 5, SampleVerdict::next},
        {"wraps 255 to 0", true, 255, 10, 0, 11, SampleVerdict::next},
        {"skips three", true, 5, 10, 9, 11, SampleVerdict::gap},
        {"largest forward step", true, 0, 10, 127, 11, SampleVerdict::gap},
        {"half way round is behind", true, 0, 10, 128, 11, SampleVerdict::behind},
        {"one back", true, 12, 10, 11, 11, SampleVerdict::behind},
        {"repeat", true, 12, 10, 12, 10, SampleVerdict::duplicate},
        {"same seq, new time", true, 12, 10, 12, 11, SampleVerdict::gap},
        {"next with frozen time", true, 12, 10, 13, 10, SampleVerdict::next},
        {"next with time going back", true, 12, 10, 13, 9, SampleVerdict::next},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ImuSequenceState state{c.haveLast, c.lastSeq, c.lastTs};
        ImuSample sample;
        sample.seq = c.seq;
        sample.timestamp = c.ts;
        EXPECT_EQ(acceptSample(state, sample), c.verdict);
        const bool accepted = c.verdict == SampleVerdict::next || c.verdict == SampleVerdict::gap;
        EXPECT_EQ(state.lastSeq, accepted ? c.seq : c.lastSeq);
        EXPECT_EQ(state.lastTimestamp, accepted ? c.ts : c.lastTs);
        EXPECT_TRUE(state.haveLast);
    }
}

TEST(ImuProcess, FirstReportIsAcceptedWholeWithoutGaps) {
    ImuSequenceState state;
    ImuStreamStats stats;
    const AcceptedSamples fresh = feed(state, report({7, 8, 9}), stats);
    ASSERT_EQ(fresh.count, 3u);
    EXPECT_EQ(fresh.samples[0].acc[0], 100);
    EXPECT_EQ(fresh.samples[2].acc[0], 102);
    expectCounters(stats, 1, 3, 0, 0);
}

TEST(ImuProcess, OverlappingReportsDeliverEachSampleOnce) {
    ImuSequenceState state;
    ImuStreamStats stats;
    feed(state, report({10, 11, 12}, {1, 2, 50}), stats);
    const AcceptedSamples fresh = feed(state, report({11, 12, 13}, {2, 50, 60}), stats);
    ASSERT_EQ(fresh.count, 1u);  // 11 behind, 12 duplicate
    EXPECT_EQ(fresh.samples[0].seq, 13);
    EXPECT_EQ(feed(state, report({11, 12, 13}, {2, 50, 60}), stats).count, 0u);
    expectCounters(stats, 3, 4, 0, 0);
}

TEST(ImuProcess, EachSubSampleIsJudgedAgainstTheOneAcceptedBeforeIt) {
    ImuSequenceState state;
    ImuStreamStats stats;
    // 5 is accepted first, so 3 is behind it; 9 skips ahead once.
    const AcceptedSamples fresh = feed(state, report({5, 3, 9}), stats);
    ASSERT_EQ(fresh.count, 2u);
    EXPECT_EQ(fresh.samples[0].seq, 5);
    EXPECT_EQ(fresh.samples[1].seq, 9);
    EXPECT_EQ(fresh.samples[1].acc[0], 102);
    expectCounters(stats, 1, 2, 1, 0);
    EXPECT_EQ(state.lastSeq, 9);
}

TEST(ImuProcess, OtherReportsAreCountedAndLeaveTheSequenceAlone) {
    ImuSequenceState state;
    ImuStreamStats stats;
    feed(state, report({40, 41, 42}), stats);
    Bytes other = report({90, 91, 92});
    other[0] = kImuReportId + 1;
    EXPECT_EQ(feed(state, other, stats).count, 0u);
    const Bytes shortRead = report({90, 91, 92});
    EXPECT_EQ(processReport(state, shortRead.data(), shortRead.size(), 51, stats).count, 0u);
    expectCounters(stats, 1, 3, 0, 2);
    EXPECT_EQ(state.lastSeq, 42);
}

}  // namespace
}  // namespace vesko
