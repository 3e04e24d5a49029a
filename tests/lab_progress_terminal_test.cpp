// The progress line of allan and replay as a user sees it: on a terminal while a slow read goes on, never in a pipe.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <pty.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "app_process.h"
#include "capture_text.h"
#include "simulated_headset.h"

extern char** environ;

namespace vesko::testing {
namespace {

namespace fs = std::filesystem;

// A capture that arrives through a named pipe in two parts, the second after
// more than a second: the reader sees a long read however fast the machine.
class SlowCapture {
public:
    SlowCapture() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = fs::temp_directory_path() / (std::string("headvane-progress-") + info->name() + ".fifo");
        fs::remove(path_);
        if (::mkfifo(path_.c_str(), 0600) != 0) throw std::runtime_error("mkfifo failed");
        text_ = captureHeaderText({});
        for (std::uint64_t i = 0; i < 17'000; ++i) appendCaptureRow(text_, {static_cast<std::int64_t>(i * 1000), simulatedSample(i)});
    }
    ~SlowCapture() {
        if (feeder_.joinable()) feeder_.join();
        fs::remove(path_);
    }
    std::string path() const { return path_.string(); }
    // Starts writing; the first part goes as soon as the reader opens the pipe.
    void feed() {
        feeder_ = std::thread([this] {
            const int fd = ::open(path_.c_str(), O_WRONLY);
            const std::size_t first = 300'000;
            writeAll(fd, std::string_view(text_).substr(0, first));
            std::this_thread::sleep_for(std::chrono::milliseconds(1300));
            writeAll(fd, std::string_view(text_).substr(first));
            ::close(fd);
        });
    }

private:
    static void writeAll(int fd, std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t n = ::write(fd, bytes.data(), bytes.size());
            if (n <= 0) return;
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
    }
    fs::path path_;
    std::string text_;
    std::thread feeder_;
};

// Runs the lab with standard error on a pseudo-terminal (and standard output
// too when `outputOnTerminal`, else the null device); what the terminal got.
std::string onTerminal(const std::vector<std::string>& args, bool outputOnTerminal, SlowCapture& capture) {
    int master = -1, slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) throw std::runtime_error("openpty failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (outputOnTerminal) {
        posix_spawn_file_actions_adddup2(&actions, slave, 1);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    }
    posix_spawn_file_actions_adddup2(&actions, slave, 2);
    posix_spawn_file_actions_addclose(&actions, master);
    std::vector<char*> argv{const_cast<char*>(LAB_SIM_EXE)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, LAB_SIM_EXE, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(slave);
    if (rc != 0) throw std::runtime_error("cannot start the lab");
    capture.feed();
    std::string seen;
    char buf[4096];
    for (ssize_t n; (n = ::read(master, buf, sizeof buf)) > 0;) seen.append(buf, static_cast<std::size_t>(n));
    ::close(master);  // the read ends with EIO once the last writer is gone
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << seen;
    return seen;
}

bool endsWithABlankedLine(const std::string& text) {
    if (text.size() < 3 || text.back() != '\r') return false;
    const std::size_t start = text.find_last_not_of(' ', text.size() - 2);
    return start != std::string::npos && text[start] == '\r' && start < text.size() - 2;
}

TEST(LabProgressTerminal, AllanShowsItWhileReadingAndClearsItBeforeTheTable) {
    SlowCapture capture;
    const std::string seen = onTerminal({"allan", capture.path()}, true, capture);
    const std::size_t table = seen.find("analysed");
    ASSERT_NE(table, std::string::npos) << seen;
    const std::string before = seen.substr(0, table);
    EXPECT_EQ(before.rfind("\rallan: ", 0), 0u) << before;
    EXPECT_NE(before.find(" rows read | "), std::string::npos) << before;
    EXPECT_NE(before.find("\rallan: analysing 17000 samples"), std::string::npos) << before;
    EXPECT_TRUE(endsWithABlankedLine(before)) << before;
    EXPECT_EQ(seen.find('\r', table), seen.find("\r\n", table)) << "nothing drawn after the table starts";
}

TEST(LabProgressTerminal, ReplayShowsItWhenItsLinesGoElsewhere) {
    SlowCapture capture;
    const std::string example = HEADVANE_SOURCE_DIR "/examples/headset.json";
    const std::string seen = onTerminal({"replay", capture.path(), "--config", example}, false, capture);
    EXPECT_EQ(seen.rfind("\rreplay: ", 0), 0u) << seen;
    EXPECT_TRUE(endsWithABlankedLine(seen)) << seen;
}

TEST(LabProgressTerminal, NothingGoesIntoAPipe) {
    SlowCapture capture;
    Child child(LAB_SIM_EXE, {"allan", capture.path()});
    capture.feed();
    child.closeInput();
    EXPECT_EQ(child.waitForExit(std::chrono::seconds(60)), 0);
    EXPECT_NE(child.out().find("analysed"), std::string::npos);
    EXPECT_EQ(child.err(), "");
}

}  // namespace
}  // namespace vesko::testing
