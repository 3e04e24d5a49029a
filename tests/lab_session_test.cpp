// Recording sessions ended by q and by signals: a complete file, exit 0, the terminal put back.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app_process.h"

namespace vesko::testing {
namespace {

using namespace std::chrono_literals;

TEST(LabSession, QuitAndStopSignalsEndWithACompleteCapture) {
    const int ways[] = {0, SIGINT, SIGTERM, SIGHUP};  // 0: the q key
    for (const int way : ways) {
        const auto path = std::filesystem::temp_directory_path() / ("headvane-lab-session-" + std::to_string(way) + ".csv");
        std::filesystem::remove(path);
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

        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        const std::string content = text.str();
        ASSERT_FALSE(content.empty());
        EXPECT_EQ(content.back(), '\n');
        const std::size_t last = content.rfind('\n', content.size() - 2) + 1;
        EXPECT_EQ(content.compare(last, 20, "# summary duration_s"), 0) << content.substr(last);
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
