// The stream's state machine on a scripted device port and discovery: what it
// delivers, counts and prints, how it loses and finds a unit, how it stops.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "fakes/fake_stream_bench.h"
#include "stream_test_support.h"

namespace vesko {
namespace {

using namespace streamtest;

const std::string kUnitA = "LHR-AAAA0001";
const std::string kUnitB = "LHR-BBBB0002";
const std::string kNoMatch =
    "TundraImu: no matching 28DE:2300 MI_00 device (Dozero unplugged? wrong --imu-serial?)\n";
const std::string kSilentLine =
    "TundraImu: stream silent 3s " + kDash + " device gone, waiting for a Dozero\n";

// Samples as the callback saw them, from the reader thread.
class Recorder {
public:
    TundraImu::SampleCallback callback() {
        return [this](const ImuSample& s) {
            std::scoped_lock guard(mutex_);
            seqs_.push_back(s.seq);
        };
    }
    std::vector<int> seqs() const {
        std::scoped_lock guard(mutex_);
        return seqs_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<int> seqs_;
};

class StreamTest : public testing::Test {
protected:
    void SetUp() override {
        fake::resetBench();
        fake::plugUnit(kUnitA);
    }
    void TearDown() override { EXPECT_EQ(fake::misuse(), std::vector<std::string>{}); }

    // Opens with the console captured and thrown away.
    void openQuietly(TundraImu& imu, const std::string& serial = "") {
        bool opened = false;
        const Console console = captured([&] { opened = imu.open(serial); });
        ASSERT_TRUE(opened) << console.err;
    }
};

TEST_F(StreamTest, DeliversAcceptedSamplesInOrderAndDropsRepeatsAcrossReports) {
    TundraImu imu;
    Recorder recorder;
    imu.setSampleCallback(recorder.callback());
    openQuietly(imu);
    const std::uint32_t t = 50'000;
    fake::queueReads(kUnitA, {
        fake::imuReport(7, t),                                // 7 8 9: first on the connection
        fake::imuReport(10, t + 3000, fake::ReadKind::reportAtOnce),  // 10 11 12
        fake::imuReport(10, t + 3000),                        // the same again: nothing new
        fake::imuReport(11, t + 4000),                        // 11 behind, 12 repeated, 13 next
        fake::imuReport(20, t + 99'000),                      // one gap, then 21 22
    });
    ASSERT_TRUE(fake::waitUntilIdle(kUnitA));

    EXPECT_EQ(recorder.seqs(), (std::vector<int>{7, 8, 9, 10, 11, 12, 13, 20, 21, 22}));
    const ImuStreamStats stats = imu.stats();
    EXPECT_EQ(stats.reports, 5u);
    EXPECT_EQ(stats.samples, 10u);
    EXPECT_EQ(stats.gaps, 1u);
    EXPECT_EQ(stats.timeouts, 0u);
    EXPECT_EQ(stats.otherReports, 0u);
    ImuSample last;
    ASSERT_TRUE(imu.lastRawSample(last));
    EXPECT_EQ(last.seq, 22);
    EXPECT_EQ(last.timestamp, t + 99'000 + 2000);
    EXPECT_EQ(last.acc[0], 220);
}

TEST_F(StreamTest, OpenAnnouncesTheUnitAndASecondOpenDoesNothing) {
    TundraImu imu;
    bool opened = false;
    Console console = captured([&] { opened = imu.open(""); });
    ASSERT_TRUE(opened);
    EXPECT_EQ(console.out, "TundraImu: 1 Watchman device(s), 1 MCU-paired\nTundraImu: using " +
                               kUnitA + "\n");
    EXPECT_EQ(console.err, "");
    EXPECT_EQ(imu.attachedSerial(), kUnitA);  // before any sample

    fake::plugUnit(kUnitB);
    console = captured([&] { EXPECT_TRUE(imu.open(kUnitB)); });
    EXPECT_EQ(console.out + console.err, "");
    EXPECT_EQ(fake::enumerationCount(), 1);
    EXPECT_EQ(imu.attachedSerial(), kUnitA);
}

TEST_F(StreamTest, FailedOpenPrintsDiscoveryThenItsOwnLineAndStaysIdle) {
    fake::unplugUnit(kUnitA);
    TundraImu imu;
    Console console = captured([&] { EXPECT_FALSE(imu.open("")); });
    EXPECT_EQ(console.out, "TundraImu: 0 Watchman device(s), 0 MCU-paired\n");
    EXPECT_EQ(console.err, kNoMatch);

    // Refused by the filter: discovery's listing comes first, the stream's line last.
    fake::plugUnit(kUnitA);
    console = captured([&] {
        EXPECT_FALSE(imu.open(kUnitB));
        imu.stop();
    });
    EXPECT_TRUE(console.err.ends_with("  " + kUnitA + "  [shares hub with Dozero MCU]\n" + kNoMatch))
        << console.err;
    EXPECT_EQ(imu.attachedSerial(), "");
    EXPECT_EQ(fake::openHandleCount(), 0);

    openQuietly(imu, kUnitA);  // idle, so it can still be opened
    EXPECT_EQ(imu.attachedSerial(), kUnitA);
}

TEST_F(StreamTest, OpenWithoutAReadEventClosesTheDeviceAndFails) {
    fake::failEventCreation(true);
    TundraImu imu;
    const Console console = captured([&] { EXPECT_FALSE(imu.open("")); });
    EXPECT_EQ(console.err, "TundraImu: cannot create the read event (CreateEventW failed, err 8)\n");
    EXPECT_EQ(console.out.find("using"), std::string::npos);
    EXPECT_EQ(fake::openHandleCount(), 0);
    EXPECT_EQ(imu.attachedSerial(), "");

    fake::failEventCreation(false);
    openQuietly(imu);
    EXPECT_EQ(fake::openHandleCount(), 1);
}

TEST_F(StreamTest, StopIsHarmlessWhenIdleAndRepeatable) {
    TundraImu never;
    never.stop();
    never.stop();

    TundraImu imu;
    openQuietly(imu);
    fake::queueReads(kUnitA, {fake::imuReport(200, 1000)});
    ASSERT_TRUE(fake::waitUntilIdle(kUnitA));
    EXPECT_LT(timeToStop(imu), 500ms);  // the reader waits for data: the cancel ends it
    imu.stop();
    EXPECT_EQ(fake::openHandleCount(), 0);
    EXPECT_EQ(imu.attachedSerial(), kUnitA);
    EXPECT_EQ(imu.stats().samples, 3u);

    // A new open goes on counting, with a fresh acceptance state: no gap.
    openQuietly(imu);
    fake::queueReads(kUnitA, {fake::imuReport(3, 500)});
    ASSERT_TRUE(fake::waitUntilIdle(kUnitA));
    EXPECT_EQ(imu.stats().samples, 6u);
    EXPECT_EQ(imu.stats().gaps, 0u);
    EXPECT_EQ(fake::enumerationCount(), 2);
}

TEST_F(StreamTest, OnlyThreeSilentWaitsInARowDeclareTheUnitGone) {
    TundraImu imu;
    openQuietly(imu);
    Console console;
    console.start();
    // Any completed read, even one that is no IMU report, starts the count anew.
    fake::queueReads(kUnitA, {fake::silentWait(), fake::silentWait(), fake::otherReport(),
                              fake::silentWait(), fake::silentWait()});
    ASSERT_TRUE(fake::waitUntilIdle(kUnitA));
    EXPECT_EQ(fake::openHandleCount(), 1);
    EXPECT_EQ(imu.stats().timeouts, 4u);
    EXPECT_EQ(imu.stats().otherReports, 1u);

    fake::queueReads(kUnitA, {fake::silentWait()});
    ASSERT_TRUE(fake::waitUntilClosed(kUnitA));
    EXPECT_EQ(imu.stats().timeouts, 5u);
    EXPECT_EQ(imu.attachedSerial(), kUnitA);  // kept while searching
    imu.stop();
    console.finish();
    EXPECT_EQ(console.err, kSilentLine);
}

// One way of losing the unit, the line it prints and the event it tells.
struct Loss {
    const char* name;
    std::vector<fake::ScriptedRead> reads;
    std::string line;
    std::string event;
};

void PrintTo(const Loss& loss, std::ostream* os) { *os << loss.name; }

class StreamLossTest : public StreamTest, public testing::WithParamInterface<Loss> {};

TEST_P(StreamLossTest, PrintsTheLossThenReconnectsToTheUnitFoundNext) {
    TundraImu imu;
    Recorder recorder;
    imu.setSampleCallback(recorder.callback());
    std::string events;  // written by the reader, read after stop has joined it
    imu.setStreamEventCallback([&events](ImuStreamEvent event, const std::string& detail) {
        const char* kinds[] = {"reconnected", "silent", "readFailure"};
        events += std::string(kinds[static_cast<int>(event)]) + " " + detail + "\n";
    });
    openQuietly(imu);
    fake::queueReads(kUnitA, {fake::imuReport(100, 1000)});
    ASSERT_TRUE(fake::waitUntilIdle(kUnitA));

    Console console;
    console.start();
    fake::unplugUnit(kUnitA);
    fake::plugUnit(kUnitB);
    fake::queueReads(kUnitA, GetParam().reads);
    const bool closed = fake::waitUntilClosed(kUnitA);
    const auto lostAt = Clock::now();
    const std::string whileSearching = imu.attachedSerial();
    const bool found = fake::waitUntilIdle(kUnitB);
    const auto foundAfter = Clock::now() - lostAt;
    const std::string afterwards = imu.attachedSerial();
    fake::queueReads(kUnitB, {fake::imuReport(5, 7)});  // far from seq 102: still no gap
    const bool delivered = fake::waitUntilIdle(kUnitB);
    imu.stop();
    console.finish();

    ASSERT_TRUE(closed && found && delivered);
    EXPECT_EQ(console.err, GetParam().line + "TundraImu: reconnected to " + kUnitB + "\n");
    EXPECT_EQ(events, GetParam().event + "reconnected " + std::string(kUnitB) + "\n");
    EXPECT_EQ(whileSearching, kUnitA);
    EXPECT_EQ(afterwards, kUnitB);
    EXPECT_GE(foundAfter, 1500ms);  // the first attempt follows a 2 s wait
    EXPECT_EQ(recorder.seqs(), (std::vector<int>{100, 101, 102, 5, 6, 7}));
    EXPECT_EQ(imu.stats().gaps, 0u);
    EXPECT_EQ(fake::openHandleCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    EachKind, StreamLossTest,
    testing::Values(
        Loss{"ReadFileFails", {fake::failAtOnce(31)}, lossLine("ReadFile failed", 31),
             "readFailure ReadFile failed (err 31)\n"},
        Loss{"PendingReadFails", {fake::failLater(1167)}, lossLine("read failed", 1167),
             "readFailure read failed (err 1167)\n"},
        Loss{"StreamGoesSilent", {fake::silentWait(), fake::silentWait(), fake::silentWait()},
             kSilentLine, "silent 3\n"}),
    [](const testing::TestParamInfo<Loss>& info) { return std::string(info.param.name); });

TEST_F(StreamTest, KeepsSearchingQuietlyAndStopsWithinANap) {
    TundraImu imu;
    openQuietly(imu);
    Console console;
    console.start();
    fake::unplugUnit(kUnitA);
    fake::queueReads(kUnitA, {fake::failLater(1167)});
    const bool retried = fake::waitForEnumerations(3, 6s);  // the open's, then two attempts
    const auto stopTook = timeToStop(imu);
    console.finish();
    ASSERT_TRUE(retried);
    EXPECT_LT(stopTook, 1500ms);
    EXPECT_EQ(console.err, lossLine("read failed", 1167));
    EXPECT_EQ(console.out, "");
}

TEST_F(StreamTest, NoSampleReachesTheCallbackAfterTheDestructorReturns) {
    std::atomic<bool> destroyed{false};
    std::atomic<bool> lateCall{false};
    std::atomic<int> calls{0};
    auto imu = std::make_unique<TundraImu>();
    imu->setSampleCallback([&](const ImuSample&) {
        if (destroyed.load()) lateCall.store(true);
        calls.fetch_add(1);
    });
    openQuietly(*imu);
    std::vector<fake::ScriptedRead> flood;
    for (std::uint32_t i = 0; i < 3000; ++i) {
        flood.push_back(fake::imuReport(static_cast<std::uint8_t>(3 * i), 3000 * i));
    }
    fake::queueReads(kUnitA, flood);
    ASSERT_TRUE(eventually([&] { return calls.load() >= 30; }));

    imu.reset();
    destroyed.store(true);
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(lateCall.load());
    EXPECT_EQ(fake::openHandleCount(), 0);
}

TEST_F(StreamTest, TheCallbackMayQueryTheStream) {
    TundraImu imu;
    std::vector<std::uint64_t> samplesSeen;
    std::vector<std::string> serialsSeen;
    std::vector<int> lastSeen;
    imu.setSampleCallback([&](const ImuSample&) {
        samplesSeen.push_back(imu.stats().samples);
        serialsSeen.push_back(imu.attachedSerial());
        ImuSample last;
        lastSeen.push_back(imu.lastRawSample(last) ? last.seq : -1);
    });
    openQuietly(imu);
    fake::queueReads(kUnitA, {fake::imuReport(1, 10), fake::imuReport(4, 3010)});
    ASSERT_TRUE(fake::waitUntilIdle(kUnitA));
    imu.stop();
    // A report is counted and published whole before its samples are handed out.
    EXPECT_EQ(samplesSeen, (std::vector<std::uint64_t>{3, 3, 3, 6, 6, 6}));
    EXPECT_EQ(lastSeen, (std::vector<int>{3, 3, 3, 6, 6, 6}));
    EXPECT_EQ(serialsSeen, std::vector<std::string>(6, kUnitA));
}

TEST_F(StreamTest, WithoutACallbackSamplesAreStillCountedAndKept) {
    TundraImu imu;
    openQuietly(imu);
    ImuSample out;
    out.seq = 99;
    double age = -1.0;
    EXPECT_FALSE(imu.lastRawSample(out, &age));  // and touches neither
    EXPECT_EQ(out.seq, 99);
    EXPECT_EQ(age, -1.0);
    fake::queueReads(kUnitA, {fake::imuReport(40, 10)});
    ASSERT_TRUE(fake::waitUntilIdle(kUnitA));
    EXPECT_EQ(imu.stats().samples, 3u);
    ASSERT_TRUE(imu.lastRawSample(out));
    EXPECT_EQ(out.seq, 42);
    ASSERT_TRUE(imu.lastRawSample(out, &age));
    EXPECT_GE(age, 0.0);
    EXPECT_LT(age, 60.0);
}

TEST_F(StreamTest, StopFromTheCallbackEndsTheReaderWithoutHanging) {
    TundraImu imu;
    std::atomic<int> calls{0};
    imu.setSampleCallback([&](const ImuSample&) {
        calls.fetch_add(1);
        imu.stop();
    });
    openQuietly(imu);
    fake::queueReads(kUnitA, {fake::imuReport(1, 10), fake::imuReport(4, 3010)});
    ASSERT_TRUE(eventually([&] { return calls.load() >= 3; }));
    imu.stop();  // joins the finished reader and closes the device
    EXPECT_EQ(calls.load(), 3);  // the rest of the report, then the reader leaves
    EXPECT_EQ(fake::openHandleCount(), 0);
    openQuietly(imu);
    EXPECT_EQ(fake::openHandleCount(), 1);
}

}  // namespace
}  // namespace vesko
