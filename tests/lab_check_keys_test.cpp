// headvane-lab-sim check driven by keys from a pipe and by signals: s skips a step, q and Ctrl-C abort.
#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include "app_process.h"

namespace vesko::testing {
namespace {

const std::string kExample = HEADVANE_SOURCE_DIR "/examples/headset.json";

Child startCheck() {
    return Child(HEADVANE_LAB_SIM_EXE, {"--sim-speed", "20", "check", "--config", kExample, "--rest-seconds", "6"});
}

TEST(LabCheckKeys, SkippedStepsGiveSkippedAndStatus1) {
    Child child = startCheck();
    ASSERT_TRUE(child.waitForOutput("Step 1 of 3", 1, std::chrono::seconds(20)));
    child.send("s");
    ASSERT_TRUE(child.waitForOutput("Step 2 of 3", 1, std::chrono::seconds(20)));
    child.send("ss");
    EXPECT_EQ(child.waitForExit(std::chrono::seconds(30)), 1) << child.out() << child.err();
    EXPECT_NE(child.out().find("rest skipped."), std::string::npos);
    EXPECT_EQ(countOf(child.out(), "SKIPPED"), 16u) << child.out();
    EXPECT_EQ(countOf(child.out(), "PASS\n"), 0u);
}

TEST(LabCheckKeys, SpaceTakesWhatHasBeenStillSoFar) {
    Child child(HEADVANE_LAB_SIM_EXE, {"check", "--config", kExample});  // real time: a 20 s rest
    ASSERT_TRUE(child.waitForOutput("rest: still ", 1, std::chrono::seconds(20)));
    child.send(" ");
    ASSERT_TRUE(child.waitForOutput("Step 2 of 3", 1, std::chrono::seconds(20))) << child.out();
    child.send("q");
    EXPECT_EQ(child.waitForExit(std::chrono::seconds(30)), 3);
    const std::size_t at = child.out().find("  rest: ");
    ASSERT_NE(at, std::string::npos);
    EXPECT_LT(std::stod(child.out().substr(at + 8)), 19.0) << child.out();
}

// A request goes out again if the first has had no answer after a second: on
// a loaded machine under ThreadSanitizer one was once seen to go unanswered
// (not reproduced since). A check that ignores both runs on to its verdict.
TEST(LabCheckKeys, QOrCtrlCAbortsWithStatus3) {
    for (const bool byKey : {true, false}) {
        Child child = startCheck();
        ASSERT_TRUE(child.waitForOutput("Step 1 of 3", 1, std::chrono::seconds(20)));
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (byKey) child.send("q");
            else child.signal(SIGINT);
            if (child.waitForOutput("check aborted.", 1, std::chrono::seconds(1))) break;
        }
        EXPECT_EQ(child.waitForExit(std::chrono::seconds(30)), 3) << child.out() << child.err();
        EXPECT_NE(child.out().find("check aborted."), std::string::npos);
        EXPECT_EQ(child.out().find("Verdict"), std::string::npos);
    }
}

}  // namespace
}  // namespace vesko::testing
