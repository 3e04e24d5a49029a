// Sessions with the simulated headset driven through a pipe: banner, marks, keys, quit, warnings.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "app_process.h"

namespace vesko::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string kExample = HEADVANE_SOURCE_DIR "/examples/headset.json";
const std::string kMarked = " LSB \xE2\x80\x94 drift reference marked\n";
constexpr auto kPatience = 20s;  // generous: sanitizer builds run slowly

const std::regex kStatusLine(
    "\ryaw +[+-]\\d+\\.\\d\\d pitch +[+-]\\d+\\.\\d\\d roll +[+-]\\d+\\.\\d\\d \\| "
    "g_head \\[[+-]\\d\\.\\d{3} [+-]\\d\\.\\d{3} [+-]\\d\\.\\d{3}\\] \\|a\\| \\d+\\.\\d{3}g \\| "
    "drift\xC2\xB0/min y[+-]\\d+\\.\\d\\d p[+-]\\d+\\.\\d\\d r[+-]\\d+\\.\\d\\d \\(\\d+\\.\\dm\\) \\| "
    "n \\d+ rst \\d+   ");

struct Angles {
    double yaw, pitch, roll;
};

// The angles of every status line in `out`, in order.
std::vector<Angles> statusAngles(const std::string& out) {
    std::vector<Angles> angles;
    static const std::regex kAngles("\ryaw +([+-][0-9.]+) pitch +([+-][0-9.]+) roll +([+-][0-9.]+) ");
    for (std::sregex_iterator it(out.begin(), out.end(), kAngles), end; it != end; ++it) {
        angles.push_back({std::stod((*it)[1]), std::stod((*it)[2]), std::stod((*it)[3])});
    }
    return angles;
}

void expectQuitsPromptly(Child& child) {
    const auto pressed = Clock::now();
    child.send("q");
    EXPECT_EQ(child.waitForExit(10s), 0) << child.err();
    EXPECT_LT(Clock::now() - pressed, 1s);
    EXPECT_EQ(child.out().back(), '\n');  // q leaves the cursor on a fresh line
}

TEST(Session, BannerMarkStatusKeysAndQuit) {
    Child child(HEADVANE_SIM_EXE, {"--config", kExample});
    ASSERT_TRUE(child.waitForOutput(kMarked, 1, kPatience)) << child.out() << child.err();
    ASSERT_TRUE(child.waitForOutput("\ryaw", 2, kPatience));
    EXPECT_EQ(child.out().rfind("TundraImu: 1 Watchman device(s), 1 MCU-paired\n"
                                "TundraImu: using LHR-7A3D19C4\n"
                                "gyro scale 0.001065264 rad/s/LSB  (gate-2 value; default is the unverified prior)\n"
                                "keys: r=recenter  b=bias recapture  m=mark drift ref  q=quit\n"
                                "capturing gyro bias \xE2\x80\x94 hold the headset STILL...\n"
                                "bias [",
                                0),
              0u)
        << child.out();

    child.send("m");  // nothing at once; the next ready tick marks afresh
    ASSERT_TRUE(child.waitForOutput(kMarked, 2, kPatience)) << child.out();
    child.send("R");
    ASSERT_TRUE(child.waitForOutput("\n[recentered]\n", 1, kPatience)) << child.out();
    ASSERT_TRUE(child.waitForOutput(kMarked, 3, kPatience)) << child.out();
    child.send("b");
    ASSERT_TRUE(child.waitForOutput("\n[bias recapture \xE2\x80\x94 hold still]\n", 1, kPatience));
    expectQuitsPromptly(child);

    EXPECT_EQ(child.err(), "");
    EXPECT_EQ(countOf(child.out(), "WARNING"), 0u);
    const std::regex markLine("bias \\[-?\\d+\\.\\d\\d -?\\d+\\.\\d\\d -?\\d+\\.\\d\\d\\]" + kMarked);
    EXPECT_EQ(std::distance(std::sregex_iterator(child.out().begin(), child.out().end(), markLine),
                            std::sregex_iterator()),
              3);
    const auto statusLines = std::distance(
        std::sregex_iterator(child.out().begin(), child.out().end(), kStatusLine), std::sregex_iterator());
    EXPECT_GE(statusLines, 2);
    EXPECT_EQ(static_cast<std::size_t>(statusLines), countOf(child.out(), "\r"));
}

TEST(Session, EndOfInputIsNoQuitAndLaterTicksGoOn) {
    Child child(HEADVANE_SIM_EXE, {"--config", kExample});
    child.closeInput();
    ASSERT_TRUE(child.waitForOutput("\ryaw", 3, kPatience)) << child.out() << child.err();
    EXPECT_EQ(child.waitForExit(0ms), -1);  // still running
}

TEST(Session, AZeroGyroScaleFreezesTheAnglesWhileTheHeadTurns) {
    // The simulated head rests for 3 s, then turns left by 40 degrees over 4 s.
    Child turning(HEADVANE_SIM_EXE, {"--config", kExample});
    Child frozen(HEADVANE_SIM_EXE, {"--config", kExample, "--gyro-scale", "0"});
    std::this_thread::sleep_for(5500ms);
    ASSERT_TRUE(turning.waitForOutput("\ryaw", 1, kPatience));
    ASSERT_TRUE(frozen.waitForOutput("\ryaw", 1, kPatience));
    turning.send("q");
    frozen.send("q");
    EXPECT_EQ(turning.waitForExit(10s), 0);
    EXPECT_EQ(frozen.waitForExit(10s), 0);

    EXPECT_NE(frozen.out().find("gyro scale 0.000000000 rad/s/LSB"), std::string::npos);
    const auto moved = statusAngles(turning.out());
    ASSERT_FALSE(moved.empty());
    EXPECT_GT(moved.back().yaw, 10.0) << turning.out();
    const auto still = statusAngles(frozen.out());
    ASSERT_GE(still.size(), moved.size() / 2);
    for (const Angles& a : still) {
        EXPECT_EQ(a.yaw, 0.0);
        EXPECT_NEAR(a.pitch, 0.0, 0.1);
        EXPECT_NEAR(a.roll, 0.0, 0.1);
    }
}

TEST(Session, AnotherHeadsetsConfigurationWarnsOnce) {
    std::ifstream in(kExample);
    std::stringstream text;
    text << in.rdbuf();
    std::string json = text.str();
    const std::string serial = "LHR-7A3D19C4";
    json.replace(json.find(serial), serial.size(), "LHR-00000000");
    const auto path = std::filesystem::temp_directory_path() / "headvane-other-serial.json";
    std::ofstream(path) << json;

    Child child(HEADVANE_SIM_EXE, {"--config", path.string()});
    ASSERT_TRUE(child.waitForOutput("\ryaw", 3, kPatience)) << child.out() << child.err();
    expectQuitsPromptly(child);
    std::filesystem::remove(path);
    EXPECT_EQ(countOf(child.out(), "\nWARNING: config LHR-00000000 but attached unit LHR-7A3D19C4 "
                                   "\xE2\x80\x94 calibration does not match this headset!\n"),
              1u)
        << child.out();
    EXPECT_EQ(countOf(child.out(), "WARNING"), 1u);
}

TEST(Session, TheTerminalIsPutBackOnQuitAndOnSignals) {
    // 0: the q key; SIGPIPE: the program its output was piped into has exited (`| head -c 10`).
    const int ways[] = {0, SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGPIPE};
    std::vector<std::unique_ptr<Child>> children;
    for (std::size_t i = 0; i < std::size(ways); ++i) {
        children.push_back(std::make_unique<Child>(HEADVANE_SIM_EXE, std::vector<std::string>{"--config", kExample},
                                                   Child::Input::terminal));
    }
    for (std::size_t i = 0; i < children.size(); ++i) {
        Child& child = *children[i];
        ASSERT_TRUE(child.waitForOutput("\ryaw", 1, kPatience)) << child.out() << child.err();
        EXPECT_FALSE(child.terminalIsCooked()) << "keys are read unechoed, without Enter";
        if (ways[i] == 0) {
            child.send("q");
        } else if (ways[i] == SIGPIPE) {
            child.closeOutput();
        } else {
            child.signal(ways[i]);
        }
        // A signal still ends the process as it would have: killed by that signal.
        EXPECT_EQ(child.waitForExit(10s), ways[i] == 0 ? 0 : 128 + ways[i]) << ways[i];
        EXPECT_TRUE(child.terminalIsCooked()) << ways[i];
    }
}

}  // namespace
}  // namespace vesko::testing
