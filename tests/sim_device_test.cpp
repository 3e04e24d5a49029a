// The simulated unit as discovery and the reader see it: pairing, paced reads, cancel, close.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "device_port.h"
#include "imu_sample.h"
#include "simulated_headset.h"
#include "watchman_discovery.h"

namespace vesko {
namespace {

using Clock = std::chrono::steady_clock;

// Opens the simulated unit through its enumeration; the caller closes it.
DeviceHandle openUnit() {
    WatchmanEnumeration found;
    EXPECT_TRUE(enumerateWatchmen(found));
    EXPECT_EQ(found.candidates.size(), 1u);
    return found.candidates.empty() ? kNoDevice : found.candidates.front().handle;
}

// One whole read as the reader does it, and the report's first sample.
struct Read {
    bool ok = false;
    unsigned long error = 0;
    ImuSample first;
};

Read readReport(ReadChannel& channel, DeviceHandle unit) {
    std::uint8_t buf[kImuReportReadSize] = {};
    std::uint32_t got = 0;
    Read r;
    ReadChannel::Start start = channel.startRead(unit, buf, sizeof buf, got, r.error);
    if (start == ReadChannel::Start::failed) return r;
    if (start == ReadChannel::Start::pending) {
        if (!channel.wait(1000) || !channel.result(unit, got, r.error)) return r;
    }
    const DecodedReport decoded = decodeImuReport(buf, sizeof buf, got);
    r.ok = decoded.isImuReport && got == kImuReportReadSize;
    r.first = decoded.samples[0];
    return r;
}

TEST(SimulatedUnit, IsFoundPairedWithItsMcuAndChosenWithoutAFilter) {
    WatchmanEnumeration found;
    ASSERT_TRUE(enumerateWatchmen(found));
    ASSERT_EQ(found.candidates.size(), 1u);
    ASSERT_EQ(found.mcuPaths.size(), 1u);
    EXPECT_TRUE(found.candidates[0].paired);
    EXPECT_EQ(narrowSerial(found.candidates[0].serial), SimulatedCalibration::serial);

    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    WideString chosen;
    const DeviceHandle unit = chooseWatchman(found, WideString(), &chosen, true, out, out);
    EXPECT_NE(unit, kNoDevice);
    EXPECT_EQ(narrowSerial(chosen), SimulatedCalibration::serial);
    std::rewind(out);
    char line[128] = {};
    ASSERT_NE(std::fgets(line, sizeof line, out), nullptr);
    EXPECT_STREQ(line, "TundraImu: 1 Watchman device(s), 1 MCU-paired\n");
    std::fclose(out);
    closeDevice(unit);
}

// A freshly opened unit with a read channel, closed again after the test.
class SimulatedUnitReads : public ::testing::Test {
protected:
    void SetUp() override {
        std::string what;
        ASSERT_TRUE(channel.create(what));
    }
    void TearDown() override { closeDevice(unit); }

    DeviceHandle unit = openUnit();
    ReadChannel channel;
    std::uint8_t buf[kImuReportReadSize] = {};
    std::uint32_t got = 0;
    unsigned long error = 0;
};

TEST_F(SimulatedUnitReads, ArriveInOrderAtTheSampleRate) {
    const auto begin = Clock::now();
    Read previous = readReport(channel, unit);
    ASSERT_TRUE(previous.ok);
    for (int i = 0; i < 4; ++i) {
        const Read r = readReport(channel, unit);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(static_cast<std::uint8_t>(r.first.seq - previous.first.seq), 3);
        EXPECT_EQ(r.first.timestamp - previous.first.timestamp, 3 * kSimTicksPerSample);
        previous = r;
    }
    // Five reports from a fresh handle span at least four report periods.
    EXPECT_GE(Clock::now() - begin, 4 * simulatedReportDue(0));
}

TEST_F(SimulatedUnitReads, ACancelledReadFailsAndTheNextOneGoesOn) {
    const Read before = readReport(channel, unit);
    ASSERT_TRUE(before.ok);
    auto lastSeq = static_cast<std::uint8_t>(before.first.seq + 2);
    // Reports already due complete at once; take them until a read has to wait.
    bool pending = false;
    for (int i = 0; i < 1000 && !pending; ++i) {
        pending = channel.startRead(unit, buf, sizeof buf, got, error) == ReadChannel::Start::pending;
        if (!pending) lastSeq = buf[kImuReportMinLength - 1];  // seq of the third sample
    }
    ASSERT_TRUE(pending);
    channel.cancelAll(unit);  // as stop does, from any thread
    EXPECT_TRUE(channel.wait(1000));
    EXPECT_FALSE(channel.result(unit, got, error));
    EXPECT_EQ(error, 995u);

    // A cancelled read takes nothing: the next read gets the report that was due.
    const Read after = readReport(channel, unit);
    ASSERT_TRUE(after.ok);
    EXPECT_EQ(static_cast<std::uint8_t>(after.first.seq - lastSeq), 1);
}

TEST_F(SimulatedUnitReads, AReaderThatFallsBehindLosesTheOldestReports) {
    const Read before = readReport(channel, unit);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // 100 reports go by
    const Read after = readReport(channel, unit);
    ASSERT_TRUE(before.ok && after.ok);
    const std::uint32_t ticks = after.first.timestamp - before.first.timestamp;
    EXPECT_GT(ticks / kSimTicksPerSample, 40u * 3u);
}

TEST_F(SimulatedUnitReads, FailOnAClosedHandle) {
    closeDevice(unit);
    EXPECT_EQ(channel.startRead(unit, buf, sizeof buf, got, error), ReadChannel::Start::failed);
    EXPECT_EQ(error, 6u);
}

}  // namespace
}  // namespace vesko
