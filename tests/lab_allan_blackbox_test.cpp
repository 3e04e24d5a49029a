// headvane-lab-sim record then allan, run as a user would: figures of the simulated unit, files, gaps, refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <vector>

#include "app_process.h"
#include "sim_capture.h"
#include "xml_check.h"

namespace vesko::testing {
namespace {

namespace fs = std::filesystem;

fs::path scratch(const std::string& name) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return fs::temp_directory_path() / (std::string("headvane-allan-") + info->name() + "-" + name);
}

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The model's white noise (and the rounding to counts) as densities: (deg/s)/sqrt(Hz) and g/sqrt(Hz).
const double kSimGyroN = std::sqrt(SimulatedNoise::gyroWhite * SimulatedNoise::gyroWhite + 1.0 / 12.0) *
                         std::sqrt(0.001) * kImuGyroRadPerSecPerCount * 180.0 / std::numbers::pi;
const double kSimAccN = std::sqrt(SimulatedNoise::accWhite * SimulatedNoise::accWhite + 1.0 / 12.0) *
                        std::sqrt(0.001) / kImuAccCountsPerG;

const double kDegPerHourPerCount = kImuGyroRadPerSecPerCount * 180.0 / std::numbers::pi * 3600.0;
const double kSimGyroB = SimulatedNoise::gyroCurveMinimum / 0.664 * kDegPerHourPerCount;  // deg/h
const double kSimGyroK = SimulatedNoise::gyroWalk * kDegPerHourPerCount * 60.0;          // deg/h/sqrt(h)

Finished allan(const std::vector<std::string>& args) {
    std::vector<std::string> all{"allan"};
    all.insert(all.end(), args.begin(), args.end());
    return runToEnd(LAB_SIM_EXE, all);
}

TEST(AllanBlackbox, ASimulatorMinuteGivesItsDocumentedFiguresAndBothFiles) {
    const fs::path capture = scratch("capture.csv");
    const fs::path json = scratch("out.json");
    const fs::path svg = scratch("out.svg");
    // Three seconds at twenty times real time: a minute of the simulated unit.
    const Finished recorded = runToEnd(LAB_SIM_EXE, {"--sim-speed", "20", "record", "--out",
                                                     hostPath(capture.string()), "--duration", "3s", "--force"});
    ASSERT_EQ(0, recorded.exitStatus) << recorded.err;
    const Finished run = allan({hostPath(capture.string()), "--json", hostPath(json.string()), "--svg",
                                hostPath(svg.string())});
    ASSERT_EQ(0, run.exitStatus) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("(tau0 1 ms, ")) << run.out;
    const nlohmann::json doc = nlohmann::json::parse(slurp(json));
    // A loaded machine may make the recorder drop a stretch: allan then takes the longest run.
    EXPECT_NEAR(60000.0, doc["samples"].get<double>(), 5000.0);
    ASSERT_GE(doc["analysed_samples"].get<double>(), 32769.0);  // enough for m = 2^14
    // gyro z carries the scenario's turns; the other axes are the noise model alone.
    const double expectedN[6] = {kSimGyroN, kSimGyroN, 0.0, kSimAccN, kSimAccN, kSimAccN};
    for (std::size_t i : {0u, 1u, 3u, 4u, 5u}) {
        const nlohmann::json& n = doc["axes"][i]["figures"]["n_density"];
        EXPECT_TRUE(n["measured"].get<bool>()) << i;
        EXPECT_LE(n["lower"].get<double>(), expectedN[i]) << i;
        EXPECT_GE(n["upper"].get<double>(), expectedN[i]) << i;
        EXPECT_EQ(15u, doc["axes"][i]["curve"].size()) << i;  // m = 1 .. 2^14 for 32769 to 65536 samples
    }
    for (std::size_t i : {0u, 1u}) {
        const nlohmann::json& b = doc["axes"][i]["figures"]["b"];
        EXPECT_TRUE(b["measured"].get<bool>()) << i;
        EXPECT_LE(b["lower"].get<double>(), kSimGyroB) << i;
        EXPECT_GE(b["upper"].get<double>(), kSimGyroB) << i;
        const nlohmann::json& k = doc["axes"][i]["figures"]["k"];  // a minute is far too short for it
        EXPECT_FALSE(k["measured"].get<bool>()) << i;
        EXPECT_GE(k["value"].get<double>(), kSimGyroK) << i;
    }
    const std::string picture = slurp(svg);
    EXPECT_EQ("", test::xmlProblem(picture));
    EXPECT_EQ(6u, countOf(picture, "<polyline class=\"curve\""));
    for (const fs::path& p : {capture, json, svg}) fs::remove(p);
}

TEST(AllanBlackbox, AGapLeavesTheLongestRunAndIsReported) {
    const fs::path capture = scratch("capture.csv");
    test::writeSimCapture(capture, 3.0, 1000, 1010);
    const Finished run = allan({hostPath(capture.string())});
    EXPECT_EQ(0, run.exitStatus) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("analysed 2.0 s of 3.0 s: 1 gap (tau0 1 ms, 1990 of 2990 samples)"))
        << run.out;
    fs::remove(capture);
}

// "key: 1.23e-04  # unit" -> 1.23e-04
double yamlValue(const std::string& yaml, const std::string& key) {
    const std::size_t at = yaml.find("\n" + key + ": ");
    return at == std::string::npos ? -1.0 : std::strtod(yaml.c_str() + at + key.size() + 3, nullptr);
}

TEST(AllanBlackbox, TheNoiseFileAndPageAgreeWithTheJsonAndNoOutputLandsOnAnInput) {
    const fs::path capture = scratch("capture.csv");
    const fs::path json = scratch("out.json");
    const fs::path yaml = scratch("imu.yaml");
    const fs::path page = scratch("page.html");
    test::writeSimCapture(capture, 3.0);
    const std::string path = hostPath(capture.string());
    const Finished run = allan({path, "--json", hostPath(json.string()), "--kalibr", hostPath(yaml.string()),
                                "--html", hostPath(page.string())});
    ASSERT_EQ(0, run.exitStatus) << run.err;
    const std::string noise = slurp(yaml);
    const nlohmann::json values = nlohmann::json::parse(slurp(json))["kalibr"];
    for (const char* key : {"accelerometer_noise_density", "accelerometer_random_walk", "gyroscope_noise_density",
                            "gyroscope_random_walk"}) {
        EXPECT_NEAR(values[key]["value"].get<double>(), yamlValue(noise, key), 1e-5 * yamlValue(noise, key)) << key;
    }
    EXPECT_NEAR(kSimAccN * 9.80665, yamlValue(noise, "accelerometer_noise_density"), 0.05 * kSimAccN * 9.80665);
    EXPECT_EQ(1000.0, yamlValue(noise, "update_rate"));
    const std::string html = slurp(page);
    EXPECT_NE(std::string::npos, html.find("<figure id=\"figure-allan\">"));
    EXPECT_NE(std::string::npos, html.find("<pre id=\"kalibr-file\">"));

    const std::string before = slurp(capture);
    const std::string example = hostPath(HEADVANE_SOURCE_DIR "/examples/headset.json");
    for (const std::vector<std::string>& over : {std::vector<std::string>{"--kalibr", path},
                                                  {"--html", path}, {"--json", path}, {"--svg", example}}) {
        const Finished refused = allan({path, "--config", example, over[0], over[1]});
        EXPECT_EQ(2, refused.exitStatus) << over[0];
        EXPECT_NE(std::string::npos, refused.err.find("an output never replaces an input")) << refused.err;
        EXPECT_EQ("", refused.out);
    }
    EXPECT_EQ(before, slurp(capture));
    const Finished twice = allan({path, "--json", hostPath(json.string()), "--html", hostPath(json.string())});
    EXPECT_EQ(2, twice.exitStatus);
    EXPECT_NE(std::string::npos, twice.err.find("is also the --json file")) << twice.err;
    for (const fs::path& p : {capture, json, yaml, page}) fs::remove(p);
}

double whiteDensity(const fs::path& json, std::size_t axis) {
    return nlohmann::json::parse(slurp(json))["axes"][axis]["figures"]["n_density"]["value"].get<double>();
}

TEST(AllanBlackbox, GyroScaleAndAccScaleSetTheUnitsAndAnUnwritableFileFails) {
    const fs::path capture = scratch("capture.csv");
    const fs::path json = scratch("out.json");
    test::writeSimCapture(capture, 3.0);
    ASSERT_EQ(0, allan({hostPath(capture.string()), "--json", hostPath(json.string())}).exitStatus);
    const double gyro = whiteDensity(json, 0);
    const double acc = whiteDensity(json, 5);
    const std::string example = hostPath(HEADVANE_SOURCE_DIR "/examples/headset.json");
    ASSERT_EQ(0, allan({hostPath(capture.string()), "--json", hostPath(json.string()), "--gyro-scale",
                        "0.0021305288720633902", "--config", example})
                     .exitStatus);
    EXPECT_NEAR(2.0, whiteDensity(json, 0) / gyro, 2e-5);  // the document gives six digits
    EXPECT_NEAR(1.0007, whiteDensity(json, 5) / acc, 2e-5);  // acc_scale z of the example

    // An unwritable output is found before the capture is read, not after the work.
    const Finished run = allan({hostPath(capture.string()), "--svg", hostPath((scratch("none") / "x.svg").string())});
    EXPECT_EQ(1, run.exitStatus);
    EXPECT_NE(std::string::npos, run.err.find("allan: cannot create ")) << run.err;
    EXPECT_EQ("", run.out);
    fs::remove(capture);
    fs::remove(json);
}

std::vector<std::size_t> clusterSizesIn(const nlohmann::json& doc) {
    std::vector<std::size_t> sizes;
    for (const nlohmann::json& p : doc["axes"][0]["curve"]) sizes.push_back(p["m"].get<std::size_t>());
    return sizes;
}

TEST(AllanBlackbox, TausPickTheGridConfidenceTheIntervalsAndEveryTauIsRefusedOnLongRuns) {
    const fs::path capture = scratch("capture.csv");
    const fs::path json = scratch("out.json");
    test::writeSimCapture(capture, 3.0);
    const std::string path = hostPath(capture.string());
    ASSERT_EQ(0, allan({path, "--json", hostPath(json.string())}).exitStatus);
    const nlohmann::json octave = nlohmann::json::parse(slurp(json));
    ASSERT_EQ(0, allan({path, "--json", hostPath(json.string()), "--taus", "decade", "--confidence", "0.683"}).exitStatus);
    const nlohmann::json decade = nlohmann::json::parse(slurp(json));
    EXPECT_EQ((std::vector<std::size_t>{1, 2, 5, 10, 20, 50, 100, 200, 500, 1000}), clusterSizesIn(decade));
    EXPECT_EQ(0.683, decade["intervals"]["confidence"].get<double>());
    const nlohmann::json& wide = octave["axes"][0]["curve"][0];
    const nlohmann::json& narrow = decade["axes"][0]["curve"][0];
    EXPECT_EQ(wide["sigma"], narrow["sigma"]);
    EXPECT_GT(narrow["lower"].get<double>(), wide["lower"].get<double>());
    EXPECT_LT(narrow["upper"].get<double>(), wide["upper"].get<double>());
    ASSERT_EQ(0, allan({path, "--json", hostPath(json.string()), "--taus", "all"}).exitStatus);
    EXPECT_EQ(1499u, clusterSizesIn(nlohmann::json::parse(slurp(json))).size());

    for (const std::vector<std::string>& bad : {std::vector<std::string>{"--taus", "weekly"}, {"--confidence", "1"},
                                                 {"--confidence", "95%"}}) {
        std::vector<std::string> args{path};
        args.insert(args.end(), bad.begin(), bad.end());
        const Finished run = allan(args);
        EXPECT_EQ(2, run.exitStatus) << bad[1];
        EXPECT_NE(std::string::npos, run.err.find(bad[0])) << run.err;
    }
    test::writeSimCapture(capture, 100.001);  // 100 001 samples without a gap
    const Finished all = allan({path, "--taus", "all"});
    EXPECT_EQ(2, all.exitStatus);
    EXPECT_NE(std::string::npos, all.err.find("--taus all takes at most 100000 samples")) << all.err;
    EXPECT_NE(std::string::npos, all.err.find("has 100001")) << all.err;
    EXPECT_EQ("", all.out);
    fs::remove(capture);
    fs::remove(json);
}

TEST(AllanBlackbox, TooShortEmptyOrMissingCapturesAreRefused) {
    const fs::path capture = scratch("capture.csv");
    test::writeSimCapture(capture, 0.15, 50, 51);  // runs of 50 and 99 samples
    Finished run = allan({hostPath(capture.string())});
    EXPECT_EQ(1, run.exitStatus);
    EXPECT_NE(std::string::npos, run.err.find("too short")) << run.err;

    test::writeSimCapture(capture, 0.0);
    run = allan({hostPath(capture.string())});
    EXPECT_EQ(1, run.exitStatus);
    EXPECT_NE(std::string::npos, run.err.find("has no samples")) << run.err;
    EXPECT_EQ("", run.out);

    fs::remove(capture);
    EXPECT_EQ(1, allan({hostPath(capture.string())}).exitStatus);
    EXPECT_EQ(2, allan({hostPath(capture.string()), "--gyro-scale", "fast"}).exitStatus);
}

}  // namespace
}  // namespace vesko::testing
