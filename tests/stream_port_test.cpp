// The stream on this platform's real device port and its real waits:
// reports in, a silent wait, a unit that vanishes and is found again on
// another port, and how quickly stop returns.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>

#include "stream_port_rig.h"
#include "stream_test_support.h"

namespace vesko {
namespace {

using namespace streamtest;

class StreamPortTest : public testing::Test {
protected:
    void openStream() {
        bool opened = false;
        const Console console = captured([&] { opened = imu.open(kRigSerial); });
        ASSERT_TRUE(opened) << console.err;
        EXPECT_TRUE(console.out.ends_with("TundraImu: using " + kRigSerial + "\n")) << console.out;
    }

    bool isLossLine(const std::string& text) const {
        for (unsigned long error : rig.lossErrors()) {
            if (text == lossLine("read failed", error)) return true;
        }
        return false;
    }

    void report(const char* what, std::chrono::milliseconds took) {
        std::printf("stop %s: %lld ms\n", what, static_cast<long long>(took.count()));
    }

    PortRig rig;
    TundraImu imu;  // stopped before the rig goes
};

TEST_F(StreamPortTest, StreamsSurvivesASilentWaitAndFindsTheUnitOnAnotherPort) {
    const int first = rig.plug();
    ASSERT_GE(first, 0);
    std::atomic<int> samples{0};
    imu.setSampleCallback([&](const ImuSample&) { samples.fetch_add(1); });
    openStream();
    Console console;
    console.start();
    ASSERT_TRUE(rig.send(first, fake::imuReportBytes(10, 1000)));
    ASSERT_TRUE(rig.send(first, fake::imuReportBytes(13, 4000)));
    ASSERT_TRUE(eventually([&] { return samples.load() == 6; }));

    // A real wait timeout (the read cancelled and drained), then data again.
    ASSERT_TRUE(eventually([&] { return imu.stats().timeouts == 1; }, 3s));
    ASSERT_TRUE(rig.send(first, fake::imuReportBytes(16, 7000)));
    ASSERT_TRUE(eventually([&] { return samples.load() == 9; }));

    std::this_thread::sleep_for(50ms);  // the next read is under way
    const int second = rig.plug();
    rig.unplug(first);
    // Far from seq 18, yet no gap: a new connection starts afresh.
    const bool resumed = second >= 0 && rig.send(second, fake::imuReportBytes(200, 900'000)) &&
                         eventually([&] { return samples.load() == 12; }, 6s);
    imu.stop();
    console.finish();
    ASSERT_TRUE(resumed) << console.err;

    const std::string reconnected = "TundraImu: reconnected to " + kRigSerial + "\n";
    ASSERT_TRUE(console.err.ends_with(reconnected)) << console.err;
    EXPECT_TRUE(isLossLine(console.err.substr(0, console.err.size() - reconnected.size())))
        << console.err;
    const ImuStreamStats stats = imu.stats();
    EXPECT_EQ(stats.reports, 4u);
    EXPECT_EQ(stats.gaps, 0u);
    EXPECT_EQ(stats.timeouts, 1u);
    ImuSample last;
    ASSERT_TRUE(imu.lastRawSample(last));
    EXPECT_EQ(last.seq, 202);
}

TEST_F(StreamPortTest, StopCancelsAPendingReadAtOnce) {
    ASSERT_GE(rig.plug(), 0);
    openStream();
    std::this_thread::sleep_for(50ms);  // the reader is in its 1000 ms wait
    const auto took = timeToStop(imu);
    EXPECT_LT(took, 500ms);
    EXPECT_EQ(imu.stats().timeouts, 0u);  // ended by the cancel, not by the wait
    report("with a read pending", took);
}

TEST_F(StreamPortTest, StopWhileSearchingReturnsWithinANap) {
    const int unit = rig.plug();
    ASSERT_GE(unit, 0);
    openStream();
    Console console;
    console.start();
    std::this_thread::sleep_for(50ms);
    rig.unplug(unit);
    std::this_thread::sleep_for(250ms);  // loss seen; the reader is halfway through a nap
    const auto took = timeToStop(imu);
    console.finish();
    EXPECT_LT(took, 1500ms);
    EXPECT_TRUE(isLossLine(console.err)) << console.err;
    report("while searching", took);
}

}  // namespace
}  // namespace vesko
