// headvane-lab-sim check --write-config and --html as a user runs them.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "app_process.h"
#include "headset_config.h"
#include "scratch_dir.h"
#include "xml_check.h"

namespace vesko {
namespace {

using Json = nlohmann::json;
using testing::countOf;
using testing::Finished;
using testing::hostPath;

const std::string kExample = HEADVANE_SOURCE_DIR "/examples/headset.json";
constexpr double kTrueAccBias[3] = {0.0123, -0.0087, 0.0211};  // the simulated unit's

Json exampleConfig() { return Json::parse(std::ifstream(hostPath(kExample))); }

// A short check on a fast simulated clock, with `extra` options.
Finished runCheck(const std::string& config, std::vector<std::string> extra) {
    std::vector<std::string> args{"--sim-speed", "50", "check", "--config", hostPath(config), "--rest-seconds", "4"};
    args.insert(args.end(), extra.begin(), extra.end());
    return testing::runToEnd(HEADVANE_LAB_SIM_EXE, args);
}

TEST(CheckOutputs, TheCorrectedFileAndThePageSayWhatWasMeasured) {
    const test::ScratchDir dir;
    Json config = exampleConfig();
    config["device_serial_number"] = "<i>R&D</i> \"unit\"";
    config["imu"]["acc_bias"] = {0.05, -0.0087, 0.0211};
    const std::string configPath = dir.write("R&D config.json", config.dump(2));
    const Finished run = runCheck(configPath, {"--write-config", hostPath(dir.path("fixed.json")), "--html",
                                               hostPath(dir.path("page.html"))});
    ASSERT_EQ(run.exitStatus, 1) << run.out << run.err;  // acc_bias x is off

    HeadsetConfig before, after;
    ASSERT_TRUE(parseHeadsetConfig(config.dump(), before));
    ASSERT_TRUE(parseHeadsetConfig(dir.read("fixed.json"), after));
    for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(after.imu.accBias[i], kTrueAccBias[i], 0.0005);
    after.imu.accBias = before.imu.accBias;
    after.imu.accScale = before.imu.accScale;
    EXPECT_TRUE(after == before);
    EXPECT_EQ(dir.read("R&D config.json"), config.dump(2));
    EXPECT_NE(run.out.find("(" + hostPath(configPath) + " with the measured acc_bias and acc_scale):\n  imu acc_bias x: 0.05 -> 0.01"),
              std::string::npos) << run.out;
    EXPECT_NE(run.out.find("The gyro scale is not kept in the headset file: run with --gyro-scale 0.00106"),
              std::string::npos) << run.out;

    const std::string page = dir.read("page.html");
    EXPECT_NE(page.find("<p id=\"verdict\" class=\"verdict fail\">FAIL</p>"), std::string::npos);
    EXPECT_EQ(countOf(page, "<tr class=\""), 16u);
    EXPECT_EQ(countOf(page, "<td class=\"result fail\">FAIL</td>"), 1u);
    EXPECT_EQ(countOf(page, "<figure id=\"figure-"), 4u);
    EXPECT_NE(page.find("&lt;i&gt;R&amp;D&lt;/i&gt; &quot;unit&quot; from <code>"), std::string::npos);
    EXPECT_NE(page.find("R&amp;D config.json</code>"), std::string::npos);
    EXPECT_EQ(page.find("<i>"), std::string::npos);
    for (const char* outside : {"<script", "src=", "href=", "url(", "@import"}) {
        EXPECT_EQ(page.find(outside), std::string::npos) << outside;
    }
    EXPECT_EQ(countOf(page, "<svg"), 3u);
    for (std::size_t at = page.find("<svg"); at != std::string::npos; at = page.find("<svg", at + 1)) {
        const std::size_t end = page.find("</svg>", at) + 6;
        EXPECT_EQ(test::xmlProblem(page.substr(at, end - at)), "");
    }
}

TEST(CheckOutputs, ACorrectedFileOverTheConfigurationIsRefusedBeforeAnyDevice) {
    const test::ScratchDir dir;
    const std::string configPath = dir.write("headset.json", exampleConfig().dump(2));
    const std::string other = hostPath(dir.path(".") + "/./headset.json");
    const Finished refused = runCheck(configPath, {"--write-config", other});
    EXPECT_EQ(refused.exitStatus, 2);
    EXPECT_NE(refused.err.find("--write-config " + other + " is the --config file"), std::string::npos) << refused.err;
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(dir.read("headset.json"), exampleConfig().dump(2));

    const Finished noFolder = runCheck(configPath, {"--html", hostPath(dir.path("missing/page.html"))});
    EXPECT_EQ(noFolder.exitStatus, 1);
    EXPECT_NE(noFolder.err.find("no folder"), std::string::npos) << noFolder.err;
    EXPECT_EQ(noFolder.out, "");
}

TEST(CheckOutputs, SkippedSixPositionsWriteNoCorrectedFileAndThePageSaysWhy) {
    const test::ScratchDir dir;
    Json config = exampleConfig();
    config["imu"]["plus_x"] = {-0.985, 0.0, 0.174};  // 10 degrees off the head's x axis, still square to plus_z
    const std::string configPath = dir.write("tilted.json", config.dump(2));
    const std::string fixed = hostPath(dir.path("fixed.json"));
    const Finished run = runCheck(configPath, {"--write-config", fixed, "--html", hostPath(dir.path("page.html"))});
    ASSERT_EQ(run.exitStatus, 1) << run.out << run.err;
    EXPECT_NE(run.out.find("--write-config " + fixed + ": not written: the six positions did not measure"),
              std::string::npos) << run.out;
    EXPECT_FALSE(std::filesystem::exists(dir.path("fixed.json")));
    const std::string page = dir.read("page.html");
    EXPECT_NE(page.find("Six positions skipped: imu plus_x"), std::string::npos);
    EXPECT_NE(page.find("The six positions measured no accelerometer calibration."), std::string::npos);
    EXPECT_EQ(countOf(page, "<td class=\"result skipped\">SKIPPED</td>"), 7u);  // mounting, bias and scale per axis
}

}  // namespace
}  // namespace vesko
