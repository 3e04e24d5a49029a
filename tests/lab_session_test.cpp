// Recording sessions ended by q and by signals: a complete file, exit 0, the terminal put back.
#include <gtest/gtest.h>

#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app_process.h"

namespace vesko::testing {
namespace {

using namespace std::chrono_literals;

// Named after this process too: other checkouts may run the same tests at the same time.
std::filesystem::path scratchCapture(const std::string& name) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("headvane-lab-session-" + std::to_string(::getpid()) + "-" + name + ".csv");
    std::filesystem::remove(path);
    return path;
}

// The capture's last line, which a complete capture ends with its summary; empty if none.
std::string lastLineOf(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string content = text.str();
    if (content.size() < 2 || content.back() != '\n') return {};
    return content.substr(content.rfind('\n', content.size() - 2) + 1);
}

TEST(LabSession, QuitAndStopSignalsEndWithACompleteCapture) {
    const int ways[] = {0, SIGINT, SIGQUIT, SIGTERM, SIGHUP};  // 0: the q key
    for (const int way : ways) {
        const auto path = scratchCapture(std::to_string(way));
        Child child(HEADVANE_LAB_SIM_EXE, {"record", "--out", path.string()}, Child::Input::terminal);
        ASSERT_TRUE(child.waitForOutput("\rrec ", 3, 20s)) << child.out() << child.err();
        EXPECT_FALSE(child.terminalIsCooked());
        if (way == 0) {
            child.send("q");
        } else {
            child.signal(way);
        }
        EXPECT_EQ(child.waitForExit(10s), 0) << way << child.err();
        EXPECT_TRUE(child.terminalIsCooked()) << way;
        EXPECT_NE(child.out().find("\nrecorded "), std::string::npos) << way;
        EXPECT_EQ(lastLineOf(path).rfind("# summary duration_s", 0), 0u) << way << lastLineOf(path);
        std::filesystem::remove(path);
    }
}

// Neither the progress's reader going away nor a hang-up under nohup may cut a recording short.
TEST(LabSession, AClosedOutputOrAnIgnoredHangUpLeavesTheRecordingToItsEnd) {
    const auto piped = scratchCapture("piped");
    Child reader(HEADVANE_LAB_SIM_EXE, {"record", "--out", piped.string(), "--duration", "2"});
    const auto nohup = scratchCapture("nohup");
    Child detached("/bin/sh", {"-c", std::string("trap '' HUP; exec '") + HEADVANE_LAB_SIM_EXE + "' record --out '" +
                                         nohup.string() + "' --duration 2"});
    ASSERT_TRUE(reader.waitForOutput("\rrec ", 1, 20s)) << reader.err();
    reader.closeOutput();
    ASSERT_TRUE(detached.waitForOutput("\rrec ", 2, 20s)) << detached.err();
    detached.signal(SIGHUP);
    for (Child* child : {&reader, &detached}) {
        EXPECT_EQ(child->waitForExit(20s), 0) << child->err();
        EXPECT_EQ(child->err(), "");
    }
    for (const auto& path : {piped, nohup}) {
        const std::string summary = lastLineOf(path);
        ASSERT_EQ(summary.rfind("# summary duration_s ", 0), 0u) << path << summary;
        EXPECT_GE(std::stod(summary.substr(std::string("# summary duration_s ").size())), 2.0) << summary;
        std::filesystem::remove(path);
    }
}

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(LabSession, WithForceTheOldCaptureStaysUntilTheNewOneIsWhole) {
    const auto path = std::filesystem::temp_directory_path() / "headvane-lab-session-force.csv";
    auto part = path;
    part += ".part";
    std::filesystem::remove(part);
    std::ofstream(path, std::ios::binary) << "keep me\n";
    Child child(HEADVANE_LAB_SIM_EXE, {"record", "--out", path.string(), "--force"}, Child::Input::terminal);
    // Past the first sync: rows are on the disk, where a crash would leave them.
    ASSERT_TRUE(child.waitForOutput("\rrec ", 5, 20s)) << child.out() << child.err();
    EXPECT_EQ(fileText(path), "keep me\n");
    const std::string partial = fileText(part);
    EXPECT_EQ(partial.rfind("# headvane-capture 1\n", 0), 0u);
    EXPECT_NE(partial.find("\nt_host_s,ticks,seq,"), std::string::npos);
    child.send("q");
    EXPECT_EQ(child.waitForExit(10s), 0) << child.err();
    EXPECT_FALSE(std::filesystem::exists(part));
    const std::string whole = fileText(path);
    EXPECT_EQ(whole.rfind(partial.substr(0, partial.find('\n', 40)), 0), 0u);
    EXPECT_NE(whole.find("\n# summary duration_s"), std::string::npos);
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace vesko::testing
