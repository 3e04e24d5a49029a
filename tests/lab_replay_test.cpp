// Replay on device time: the same filter state as live, status lines on the device's clock.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "capture_parser.h"
#include "capture_text.h"
#include "headset_config.h"
#include "replay_run.h"
#include "simulated_headset.h"

namespace vesko {
namespace {

constexpr std::uint64_t kSamples = 9000;  // 9 s of the simulated scenario: rest, turn, hold

HeadsetConfig exampleConfig() {
    HeadsetConfig config;
    std::string error;
    EXPECT_TRUE(loadHeadsetConfig(HEADVANE_SOURCE_DIR "/examples/headset.json", config, &error)) << error;
    return config;
}

// The simulated unit's samples as a capture file's text.
std::string simulatedCapture() {
    std::string text = captureHeaderText({});
    for (std::uint64_t i = 0; i < kSamples; ++i) {
        appendCaptureRow(text, {static_cast<std::int64_t>(i * 1000 + 17), simulatedSample(i)});
    }
    return text;
}

// Replays the text; returns everything the run printed, summary included.
std::string replay(AttitudeFilter& filter, const std::string& text, double period) {
    ReplayRun run(filter, period);
    std::string out;
    CaptureHandlers h;
    h.onRow = [&](const CaptureRow& row) { out += run.feed(row.sample); };
    CaptureParser parser(std::move(h));
    EXPECT_TRUE(parser.feed(text) && parser.finish()) << parser.error();
    return out + run.summary();
}

TEST(Replay, AgreesWithTheLiveFilterSampleForSample) {
    const HeadsetConfig config = exampleConfig();
    AttitudeFilter live, replayed;
    live.configure(config, FilterParams{});
    replayed.configure(config, FilterParams{});
    for (std::uint64_t i = 0; i < kSamples; ++i) live.update(simulatedSample(i));
    replay(replayed, simulatedCapture(), 0.2);

    const FilterSnapshot a = live.snapshot(), b = replayed.snapshot();
    EXPECT_EQ(a.samples, b.samples);
    EXPECT_EQ(a.resets, b.resets);
    for (int axis = 0; axis < 3; ++axis) {
        EXPECT_EQ(a.bias[axis], b.bias[axis]);
        EXPECT_EQ(a.gHead[axis], b.gHead[axis]);
    }
    const Quaternion qa = live.orientation(0.0), qb = replayed.orientation(0.0);
    EXPECT_TRUE(qa.w == qb.w && qa.x == qb.x && qa.y == qb.y && qa.z == qb.z);
    EXPECT_NEAR(toYawPitchRoll(qb).yaw, kSimTurnDegrees, 1.0);  // held at the turned heading
}

// Statuses come every period of device time, across the clock's wrap (5 s in),
// whatever the host times say; the mark comes with the first ready status.
TEST(Replay, StatusLinesFollowTheDeviceClock) {
    const HeadsetConfig config = exampleConfig();
    const std::string text = simulatedCapture();
    for (const auto& [period, step] : {std::pair{0.2, 200}, std::pair{1.0, 1000}}) {
        AttitudeFilter filter;
        filter.configure(config, FilterParams{});
        const std::string out = replay(filter, text, period);
        EXPECT_EQ(out.find("bias ["), 0u) << out.substr(0, 200);
        EXPECT_NE(out.find(" LSB \xE2\x80\x94 drift reference marked\nyaw "), std::string::npos);
        std::uint64_t expectedN = 1001;  // the filter is ready after 1 s of rest
        std::size_t lines = 0;
        for (std::size_t at = out.find("| n "); at != std::string::npos; at = out.find("| n ", at + 1)) {
            EXPECT_EQ(std::stoull(out.substr(at + 4)), expectedN) << "period " << period;
            EXPECT_EQ(out.find('\r'), std::string::npos);
            expectedN += step;
            ++lines;
        }
        EXPECT_EQ(lines, (kSamples - 1001) / step + 1) << "period " << period;
        EXPECT_NE(out.find("samples 9000  restarts 0  gaps bridged 0  device time 8.999 s\n"),
                  std::string::npos) << out.substr(out.size() - 300);
    }
}

// The mark the drift is measured from is headvane's, whatever the status period:
// a period longer than the capture still finds the bias.
TEST(Replay, TheSummaryDoesNotDependOnTheStatusPeriod) {
    const HeadsetConfig config = exampleConfig();
    const std::string text = simulatedCapture();
    std::vector<std::string> summaries;
    for (const double period : {0.2, 0.7, 61.0}) {
        AttitudeFilter filter;
        filter.configure(config, FilterParams{});
        const std::string out = replay(filter, text, period);
        summaries.push_back(out.substr(out.rfind("samples ")));
    }
    EXPECT_NE(summaries[0].find("\nbias ["), std::string::npos) << summaries[0];
    EXPECT_EQ(summaries[1], summaries[0]);
    EXPECT_EQ(summaries[2], summaries[0]);
}

// Integer rows in, the same bytes out on every platform: the expected text was
// made on Linux (HEADVANE_WRITE_EXPECTED=1 writes it anew after a deliberate
// change of the texts); the Windows build compares with the same file under Wine.
TEST(Replay, TheOutputIsTheSameOnEveryPlatform) {
    AttitudeFilter filter;
    filter.configure(exampleConfig(), FilterParams{});
    const std::string out = replay(filter, simulatedCapture(), 0.2);
    const char* expectedPath = HEADVANE_SOURCE_DIR "/tests/data/replay_sim_9s.txt";
    if (std::getenv("HEADVANE_WRITE_EXPECTED") != nullptr) std::ofstream(expectedPath, std::ios::binary) << out;
    std::ifstream in(expectedPath, std::ios::binary);
    std::stringstream expected;
    expected << in.rdbuf();
    EXPECT_EQ(out, expected.str());
}

}  // namespace
}  // namespace vesko
