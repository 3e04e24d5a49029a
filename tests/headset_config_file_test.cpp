// Loading headset files: the example, unopenable paths, the path suffix, the size cap, pipes.
#include "headset_config.h"

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "config_file.h"
#include "headset_config_test_support.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace vesko {
namespace {

namespace fs = std::filesystem;

class HeadsetConfigFile : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() / (std::string("headvane_config_") + info->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string write(const char* name, const std::string& content) const {
        const fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }

    fs::path dir_;
    HeadsetConfig cfg_;
    std::string error_;
};

TEST_F(HeadsetConfigFile, ExampleLoads) {
    const std::string example = HEADVANE_SOURCE_DIR "/examples/headset.json";
    ASSERT_TRUE(loadHeadsetConfig(example, cfg_, &error_)) << error_;
    EXPECT_EQ(cfg_.deviceSerialNumber, "LHR-7A3D19C4");
    EXPECT_EQ(cfg_.eyeTargetWidthInPixels, 1832);
    EXPECT_EQ(cfg_.imu.plusZ, (ConfigVector{0.0, -1.0, 0.0}));
    EXPECT_EQ(cfg_.imu.accScale, (ConfigVector{1.0021, 0.9984, 1.0007}));
    EXPECT_TRUE(cfg_.imu.hasGyroAxisScale);
    EXPECT_EQ(cfg_.eyes[0].eyeToHead[0][0], 1.0);  // the translation column is dropped
    EXPECT_EQ(cfg_.eyes[1].colorMult, (ConfigVector{1.0, 0.981, 0.966}));
}

TEST_F(HeadsetConfigFile, UnopenablePathsSayCannotOpen) {
    const std::string missing = (dir_ / "absent.json").string();
    error_ = "old";
    EXPECT_FALSE(loadHeadsetConfig(missing, cfg_, &error_));
    EXPECT_EQ(error_, "cannot open " + missing);
    EXPECT_FALSE(loadHeadsetConfig(dir_.string(), cfg_, &error_));
    EXPECT_EQ(error_, "cannot open " + dir_.string());
    EXPECT_FALSE(loadHeadsetConfig(missing, cfg_));
}

TEST_F(HeadsetConfigFile, ParseErrorsNameThePath) {
    const std::string empty = write("empty.json", "");
    EXPECT_FALSE(loadHeadsetConfig(empty, cfg_, &error_));
    EXPECT_EQ(error_, "config parse error: [json.exception.parse_error.101] parse error at line 1, "
                      "column 1: syntax error while parsing value - unexpected end of input; "
                      "expected '[', '{', or a literal (" + empty + ")");
    const std::string noImu = write("no_imu.json", test::without("/imu").dump(2));
    EXPECT_FALSE(loadHeadsetConfig(noImu, cfg_, &error_));
    EXPECT_EQ(error_, "config parse error: [json.exception.out_of_range.403] key 'imu' not found"
                      " (" + noImu + ")");
}

TEST_F(HeadsetConfigFile, SizeCapIsExact) {
    std::string text = test::minimalDocument().dump();
    text.resize(kMaxConfigFileBytes, ' ');
    EXPECT_TRUE(loadHeadsetConfig(write("at_cap.json", text), cfg_, &error_)) << error_;
    text += ' ';
    const std::string over = write("over_cap.json", text);
    EXPECT_FALSE(loadHeadsetConfig(over, cfg_, &error_));
    EXPECT_EQ(error_, "config file is larger than 16 MiB: " + over);
}

#ifndef _WIN32
TEST_F(HeadsetConfigFile, EndlessStreamStopsAtTheCap) {
    EXPECT_FALSE(loadHeadsetConfig("/dev/zero", cfg_, &error_));
    EXPECT_EQ(error_, "config file is larger than 16 MiB: /dev/zero");
}

TEST_F(HeadsetConfigFile, PipeLoads) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const std::string text = test::with("/model_number", "piped").dump();
    ASSERT_EQ(::write(fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fds[1]);
    const bool loaded = loadHeadsetConfig("/dev/fd/" + std::to_string(fds[0]), cfg_, &error_);
    close(fds[0]);
    EXPECT_TRUE(loaded) << error_;
    EXPECT_EQ(cfg_.modelNumber, "piped");
}
#endif

}  // namespace
}  // namespace vesko
