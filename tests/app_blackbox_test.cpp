// headvane and headvane-sim run as a user would: usage and configuration errors, no device.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app_process.h"

namespace vesko::testing {
namespace {

const std::string kUsage =
    "usage: headvane --config <config.json> [--gyro-scale s] [--imu-serial LHR-...]\n";
const std::string kExample = hostPath(HEADVANE_SOURCE_DIR "/examples/headset.json");

// Both executables share everything before the device is opened.
const std::vector<std::string> kExecutables = {HEADVANE_EXE, HEADVANE_SIM_EXE};

// A scratch file that goes away with the test.
class TempFile {
public:
    explicit TempFile(const std::string& content) {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::filesystem::temp_directory_path() /
                (std::string("headvane-") + info->name() + ".json");
        std::ofstream(path_, std::ios::binary) << content;
    }
    ~TempFile() { std::filesystem::remove(path_); }
    std::string path() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

void expectUsageError(const std::vector<std::string>& args, const std::string& err) {
    for (const std::string& exe : kExecutables) {
        const Finished run = runToEnd(exe, args);
        EXPECT_EQ(run.exitStatus, 2) << exe;
        EXPECT_EQ(run.err, err) << exe;
        EXPECT_EQ(run.out, "") << exe;
    }
}

TEST(Blackbox, NoArgumentsAsksForTheConfiguration) {
    expectUsageError({}, "--config is required\n");
}

TEST(Blackbox, AMissingValueOrUnknownOptionPrintsTheUsage) {
    expectUsageError({"--config"}, kUsage);
    expectUsageError({"--config", kExample, "--verbose"}, kUsage);
}

TEST(Blackbox, AGyroScaleThatIsNotANumberIsRefused) {
    expectUsageError({"--config", kExample, "--gyro-scale", "abc"},
                     "--gyro-scale: 'abc' is not a number\n" + kUsage);
}

TEST(Blackbox, AMissingConfigurationEndsWithTheLoadersText) {
    const std::string missing = kExample + ".missing";
    for (const std::string& exe : kExecutables) {
        const Finished run = runToEnd(exe, {"--config", missing});
        EXPECT_EQ(run.exitStatus, 1) << exe;
        EXPECT_EQ(run.err, "cannot open " + missing + "\n") << exe;
        EXPECT_EQ(run.out, "") << exe;
    }
}

TEST(Blackbox, ABrokenConfigurationEndsWithTheParseError) {
    const TempFile broken("{\"device_serial_number\": ");
    for (const std::string& exe : kExecutables) {
        const Finished run = runToEnd(exe, {"--config", broken.path()});
        EXPECT_EQ(run.exitStatus, 1) << exe;
        EXPECT_EQ(run.err.rfind("config parse error: [json.exception.", 0), 0u) << run.err;
        const std::string tail = " (" + broken.path() + ")\n";
        ASSERT_GE(run.err.size(), tail.size());
        EXPECT_EQ(run.err.substr(run.err.size() - tail.size()), tail) << run.err;
        EXPECT_EQ(run.out, "") << exe;
    }
}

TEST(Blackbox, WithoutTheDeviceTheToolSaysSoAndExits1) {
    const Finished run = runToEnd(HEADVANE_EXE, {"--config", kExample});
    if (run.exitStatus == 0 || run.out.find("TundraImu: 0 Watchman") == std::string::npos) {
        GTEST_SKIP() << "an IMU seems to be attached here:\n" << run.out;
    }
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.out, "TundraImu: 0 Watchman device(s), 0 MCU-paired\n");
    const std::string last =
        "TundraImu: no matching 28DE:2300 MI_00 device (Dozero unplugged? wrong --imu-serial?)\n";
    ASSERT_GE(run.err.size(), last.size());
    EXPECT_EQ(run.err.substr(run.err.size() - last.size()), last) << run.err;
}

TEST(Blackbox, SpecialKeysDoNothingAndAPipedQQuits) {
    // Down arrow, F3 and F2 end in B, R and Q: none of them may act.
    const Finished run = runToEnd(HEADVANE_SIM_EXE, {"--config", kExample}, "\x1B[B\x1BOR\x1BOQ\x1B[6~q");
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out.find("[recentered]"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("[bias recapture"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("keys: r=recenter"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace vesko::testing
