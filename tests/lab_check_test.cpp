// headvane-lab-sim check end to end: the simulated person follows each request,
// and the verdict finds exactly the difference between the configuration and the unit.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app_process.h"

namespace vesko::testing {
namespace {

using Json = nlohmann::json;

const std::string kExample = HEADVANE_SOURCE_DIR "/examples/headset.json";
constexpr double kTrueGyroScale = 0.0010652644360316951;  // the simulated unit's, seen from outside
const double kTrueAccBias[3] = {0.0123, -0.0087, 0.0211};
const double kTrueAccScale[3] = {1.0021, 0.9984, 1.0007};

// A scratch file named after the test, gone with it.
class Scratch {
public:
    explicit Scratch(const std::string& suffix) {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::filesystem::temp_directory_path() / (std::string("headvane-") + info->name() + suffix);
        std::filesystem::remove(path_);
    }
    ~Scratch() { std::filesystem::remove(path_); }
    std::string path() const { return path_.string(); }
    void write(const std::string& text) const { std::ofstream(path_, std::ios::binary) << text; }
    std::string read() const {
        std::stringstream text;
        text << std::ifstream(path_, std::ios::binary).rdbuf();
        return text.str();
    }

private:
    std::filesystem::path path_;
};

Json exampleConfig() {
    return Json::parse(std::ifstream(hostPath(kExample)));
}

// Runs the check with short steps on a fast simulated clock; keeps the JSON report.
struct CheckRun {
    Finished finished;
    Json report;
};

CheckRun runCheck(const Json& config, std::vector<std::string> extra, const char* speed = "20",
                  std::vector<std::string> simOptions = {}) {
    Scratch configFile(".config.json");
    Scratch reportFile(".report.json");
    configFile.write(config.dump());
    std::vector<std::string> args{"--sim-speed", speed};
    args.insert(args.end(), simOptions.begin(), simOptions.end());
    for (const char* a : {"check", "--config"}) args.push_back(a);
    args.push_back(configFile.path());
    for (const std::string& a : {std::string("--rest-seconds"), std::string("6"), std::string("--json"), reportFile.path()}) {
        args.push_back(a);
    }
    args.insert(args.end(), extra.begin(), extra.end());
    CheckRun run{runToEnd(HEADVANE_LAB_SIM_EXE, args), {}};
    const std::string text = reportFile.read();
    if (!text.empty()) run.report = Json::parse(text);
    return run;
}

const Json& row(const Json& report, const std::string& name) {
    for (const Json& r : report.at("checks")) {
        if (r.at("name") == name) return r;
    }
    throw std::runtime_error("no check " + name);
}

std::string outcome(const Json& report, const std::string& name) {
    return row(report, name).at("result").get<std::string>();
}

const char* kAxes[3] = {"x", "y", "z"};

TEST(LabCheck, AConfigurationEqualToTheUnitPassesAndSuggestsItsOwnValues) {
    Scratch capture(".csv");
    const CheckRun run = runCheck(exampleConfig(), {"--record", capture.path()});
    ASSERT_EQ(run.finished.exitStatus, 0) << run.finished.out << run.finished.err;
    EXPECT_NE(run.finished.out.find("Verdict: PASS"), std::string::npos);
    for (const Json& r : run.report.at("checks")) EXPECT_EQ(r.at("result"), "PASS") << r.dump();
    const Json& suggested = run.report.at("suggested");
    for (std::size_t i = 0; i < 3; ++i) {  // the console prints them to 0.1 mg and 0.01 %
        EXPECT_NEAR(suggested.at("acc_bias")[i].get<double>(), kTrueAccBias[i], 0.00005);
        EXPECT_NEAR(suggested.at("acc_scale")[i].get<double>(), kTrueAccScale[i], 0.00005);
    }
    EXPECT_NEAR(suggested.at("gyro_scale").get<double>() / kTrueGyroScale, 1.0, 0.002);
    EXPECT_EQ(run.report.at("unit_serial"), "LHR-7A3D19C4");
    EXPECT_EQ(run.report.at("config_serial"), "LHR-7A3D19C4");

    const std::string csv = capture.read();
    EXPECT_EQ(csv.rfind("# ", 0), 0u);
    EXPECT_NE(csv.find("\nt_host_s,ticks,seq,"), std::string::npos);
    EXPECT_NE(csv.find("\n# summary "), std::string::npos);
}

TEST(LabCheck, CalibrationErrorsFailExactlyWhereTheLimitsSay) {
    Json config = exampleConfig();
    config["imu"]["acc_bias"] = {0.05, -0.03, 0.02};
    config["imu"]["acc_scale"] = {1.01, 0.99, 1.00};
    Scratch limits(".limits.json");
    limits.write(R"({"acc_scale_percent": 0.8})");  // x is 0.79 % off, y 0.84 %
    const CheckRun run = runCheck(config, {"--gyro-scale", "0.0010972223691126459", "--limits", limits.path()});
    ASSERT_EQ(run.finished.exitStatus, 1) << run.finished.out << run.finished.err;
    const Json& suggested = run.report.at("suggested");
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(suggested.at("acc_bias")[i].get<double>(), kTrueAccBias[i], 0.001);
        EXPECT_NEAR(suggested.at("acc_scale")[i].get<double>() / kTrueAccScale[i], 1.0, 0.001);
        const double biasOff = std::abs(config["imu"]["acc_bias"][i].get<double>() - kTrueAccBias[i]) * 1000.0;
        const double scaleOff = std::abs(config["imu"]["acc_scale"][i].get<double>() / kTrueAccScale[i] - 1.0) * 100.0;
        EXPECT_EQ(outcome(run.report, std::string("acc_bias_") + kAxes[i]), biasOff <= 10.0 ? "PASS" : "FAIL");
        EXPECT_EQ(outcome(run.report, std::string("acc_scale_") + kAxes[i]), scaleOff <= 0.8 ? "PASS" : "FAIL");
    }
    EXPECT_EQ(outcome(run.report, "mounting"), "PASS");
    EXPECT_EQ(outcome(run.report, "gyro_scale"), "FAIL");
    EXPECT_NEAR(row(run.report, "gyro_scale").at("measured").get<double>(), 1.030, 0.002);
    EXPECT_NEAR(suggested.at("gyro_scale").get<double>() / kTrueGyroScale, 1.0, 0.002);
}

TEST(LabCheck, ASwappedMountingAndADeadGyroAxisFailAndSayWhy) {
    Json config = exampleConfig();
    config["imu"]["plus_x"] = {0.0, 0.0, -1.0};  // the IMU's x and y exchanged
    const CheckRun run = runCheck(config, {}, "50", {"--sim-dead-gyro-axis", "z"});
    ASSERT_EQ(run.finished.exitStatus, 1) << run.finished.out << run.finished.err;
    EXPECT_EQ(outcome(run.report, "mounting"), "FAIL");
    EXPECT_NE(row(run.report, "mounting").at("note").get<std::string>().find(
                  "face down: gravity seen on IMU -y, the mounting predicts -x"),
              std::string::npos);
    EXPECT_EQ(outcome(run.report, "acc_bias_x"), "PASS");  // the estimate follows the axes as seen
    EXPECT_EQ(outcome(run.report, "gyro_noise_z"), "FAIL");
    EXPECT_EQ(outcome(run.report, "gyro_scale"), "FAIL");
    EXPECT_TRUE(run.report.at("suggested").at("gyro_scale").is_null());
}

TEST(LabCheck, ABadLimitsFileEndsWithStatus2NamingTheKey) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {R"({"gyro_scale_pct": 1})", "unknown key 'gyro_scale_pct'"},
        {R"({"acc_bias_mg": "10"})", "'acc_bias_mg' must be a number, not string"},
        {R"({"acc_norm_mg": -5})", "'acc_norm_mg' must not be negative"},
        {R"({"acc_bias_mg": 10, "acc_bias_mg": 50})", "key 'acc_bias_mg' given twice"},
        {R"({"gyro_noise_min_counts": 5})", "'gyro_noise_min_counts' (5) is above 'gyro_noise_max_counts' (3)"},
    };
    for (const auto& c : cases) {
        Scratch limits(".limits.json");
        limits.write(c.text);
        const Finished run =
            runToEnd(HEADVANE_LAB_SIM_EXE, {"check", "--config", hostPath(kExample), "--limits", limits.path()});
        EXPECT_EQ(run.exitStatus, 2) << c.text;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
}

}  // namespace
}  // namespace vesko::testing
