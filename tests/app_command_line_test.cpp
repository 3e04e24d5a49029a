// The command line: options, usage errors, and gyro scales that are not numbers.
#include <gtest/gtest.h>

#include "command_line.h"

namespace vesko {
namespace {

const std::string kUsage =
    "usage: headvane --config <config.json> [--gyro-scale s] [--imu-serial LHR-...]\n";

CommandLineVerdict parse(const std::vector<std::string>& args, CommandLine& out) {
    return parseCommandLine(args, out);
}

TEST(CommandLine, ReadsEveryOptionInAnyOrder) {
    CommandLine cl;
    const auto v = parse({"--imu-serial", "LHR-1", "--gyro-scale", "1e-3", "--config", "h.json"}, cl);
    EXPECT_TRUE(v.ok);
    EXPECT_EQ(cl.configPath, "h.json");
    EXPECT_EQ(cl.imuSerial, "LHR-1");
    ASSERT_TRUE(cl.gyroScale.has_value());
    EXPECT_DOUBLE_EQ(*cl.gyroScale, 0.001);

    CommandLine plain;
    EXPECT_TRUE(parse({"--config", "h.json"}, plain).ok);
    EXPECT_FALSE(plain.gyroScale.has_value());  // the filter keeps its default
}

TEST(CommandLine, AnOptionGivenTwiceKeepsItsLastValue) {
    CommandLine cl;
    EXPECT_TRUE(parse({"--config", "a.json", "--gyro-scale", "2", "--imu-serial", "X",
                       "--config", "b.json", "--gyro-scale", "-0.5", "--imu-serial", "Y"},
                      cl).ok);
    EXPECT_EQ(cl.configPath, "b.json");
    EXPECT_EQ(*cl.gyroScale, -0.5);
    EXPECT_EQ(cl.imuSerial, "Y");
}

TEST(CommandLine, TheValueAfterAnOptionIsTakenAsTyped) {
    CommandLine cl;
    EXPECT_TRUE(parse({"--config", "--imu-serial"}, cl).ok);
    EXPECT_EQ(cl.configPath, "--imu-serial");
}

TEST(CommandLine, UsageErrorsPrintTheUsageLineAndExit2) {
    const std::vector<std::vector<std::string>> cases = {
        {"--config"},                          // value missing
        {"--config", "h.json", "--gyro-scale"},
        {"--config", "h.json", "--imu-serial"},
        {"--config", "h.json", "extra"},       // unknown argument
        {"--Config", "h.json"},                // options are case-sensitive
        {"--config=h.json"},
        {"-c", "h.json"},
    };
    for (const auto& args : cases) {
        CommandLine cl;
        const auto v = parse(args, cl);
        EXPECT_FALSE(v.ok) << args.front();
        EXPECT_EQ(v.exitStatus, 2);
        EXPECT_EQ(v.errorText, kUsage) << args.front();
    }
}

TEST(CommandLine, ConfigIsRequired) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"--gyro-scale", "1"}, {"--config", ""}}) {
        CommandLine cl;
        const auto v = parse(args, cl);
        EXPECT_FALSE(v.ok);
        EXPECT_EQ(v.exitStatus, 2);
        EXPECT_EQ(v.errorText, "--config is required\n");
    }
}

TEST(CommandLine, AGyroScaleThatIsNotANumberIsAUsageError) {
    for (const std::string text : {"abc", "1.5x", "nan", "NAN", "inf", "-infinity", "", " 1", "1 ",
                                   "1e999", "0x", "--"}) {
        CommandLine cl;
        const auto v = parse({"--config", "h.json", "--gyro-scale", text}, cl);
        EXPECT_FALSE(v.ok) << "'" << text << "'";
        EXPECT_EQ(v.exitStatus, 2);
        EXPECT_EQ(v.errorText, "--gyro-scale: '" + text + "' is not a number\n" + kUsage);
        EXPECT_FALSE(cl.gyroScale.has_value());
    }
}

TEST(CommandLine, AGyroScaleWrittenInFullIsAccepted) {
    const std::vector<std::pair<std::string, double>> cases = {
        {"0", 0.0}, {"-0.001", -0.001}, {"1e-3", 1e-3}, {"+2.5", 2.5}, {".5", 0.5},
        {"0.0010652644360316951", 0.0010652644360316951}};
    for (const auto& [text, expected] : cases) {
        double value = -1.0;
        EXPECT_TRUE(parseGyroScale(text, value)) << text;
        EXPECT_EQ(value, expected) << text;
    }
}

}  // namespace
}  // namespace vesko
