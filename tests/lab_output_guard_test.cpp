// Outputs of headvane-lab-sim as a careless user meets them: over an input, over
// an old file, left by a run cut short, and check's capture counted row by row.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "app_process.h"
#include "scratch_dir.h"
#include "sim_capture.h"

namespace vesko {
namespace {

using testing::Finished;
using testing::hostPath;

const std::string kExample = HEADVANE_SOURCE_DIR "/examples/headset.json";

std::string exampleText() {
    std::ifstream in(hostPath(kExample), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

Finished lab(std::vector<std::string> args) { return testing::runToEnd(HEADVANE_LAB_SIM_EXE, args); }

// The rows of a capture text and the counts of its "# summary" line.
struct Counted {
    std::uint64_t rows = 0;
    std::map<std::string, std::uint64_t> summary;
};

Counted countCapture(const std::string& text) {
    Counted c;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line[0] >= '0' && line[0] <= '9') ++c.rows;
        if (line.rfind("# summary ", 0) != 0) continue;
        std::istringstream fields(line.substr(10));
        std::string key, value;
        while (fields >> key >> value) c.summary[key] = std::stoull(value.substr(0, value.find('.')));
    }
    return c;
}

TEST(OutputGuard, CheckRecordsEverySampleItsSummaryCounts) {
    const test::ScratchDir dir;
    // Fast enough that samples still wait for the procedure when the check
    // ends; the end falls differently each time, so a few runs.
    for (const char* name : {"a.csv", "b.csv", "c.csv"}) {
        const Finished run = lab({"--sim-speed", "200", "check", "--config", hostPath(kExample), "--rest-seconds",
                                  "4", "--record", hostPath(dir.path(name))});
        ASSERT_LE(run.exitStatus, 1) << run.out << run.err;
        const Counted c = countCapture(dir.read(name));
        ASSERT_EQ(c.summary.count("samples"), 1u) << name;
        EXPECT_GT(c.rows, 10000u);
        EXPECT_EQ(c.rows + c.summary.at("dropped"), c.summary.at("samples")) << name;
        EXPECT_FALSE(std::filesystem::exists(dir.path(name + std::string(".part"))));
    }
}

TEST(OutputGuard, AnOutputNamingAnInputIsRefusedBeforeAnyWork) {
    const test::ScratchDir dir;
    const std::string config = hostPath(dir.write("headset.json", exampleText()));
    const std::string limits = hostPath(dir.write("limits.json", "{}"));
    const std::string capture = hostPath(dir.path("in.csv"));
    test::writeSimCapture(dir.path("in.csv"), 0.5);
    const std::string captureText = dir.read("in.csv");
    const std::string other = hostPath(dir.path("report.json"));
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"check", "--config", config, "--json", config}, "check: --json " + config + " is the --config file"},
        {{"check", "--config", config, "--limits", limits, "--html", limits}, "--html " + limits + " is the --limits file"},
        {{"check", "--config", config, "--record", config, "--force"}, "--record " + config + " is the --config file"},
        {{"check", "--config", config, "--json", other, "--html", other}, "--html " + other + " is also the --json file"},
        {{"record", "--out", config, "--config", config, "--force"}, "record: --out " + config + " is the --config file"},
        {{"replay", capture, "--config", config, "--svg", capture}, "replay: --svg " + capture + " is the capture file"},
        {{"allan", capture, "--json", capture}, "allan: --json " + capture + " is the capture"},
        {{"allan", capture, "--config", config, "--svg", config}, "allan: --svg " + config + " is the --config file"},
    };
    for (const auto& c : cases) {
        const Finished run = lab(c.args);
        EXPECT_EQ(run.exitStatus, 2) << c.message;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "") << c.message;  // no device looked for, no capture read
    }
    EXPECT_EQ(dir.read("headset.json"), exampleText());
    EXPECT_EQ(dir.read("limits.json"), "{}");
    EXPECT_EQ(dir.read("in.csv"), captureText);
    EXPECT_FALSE(std::filesystem::exists(other));
}

TEST(OutputGuard, AFailedRunLeavesTheOldFileAsItWasAndNothingElse) {
    const test::ScratchDir dir;
    const std::string old = hostPath(dir.write("old.csv", "keep me\n"));
    const std::string badConfig = hostPath(dir.write("bad.json", "{"));
    // With --force the old capture is replaced only by a whole new one.
    Finished run = lab({"record", "--out", old, "--force", "--config", badConfig});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(dir.read("old.csv"), "keep me\n");

    // A check that ends before its first sample (no such unit) leaves nothing to block the next run.
    const std::string fresh = hostPath(dir.path("fresh.csv"));
    const std::string json = hostPath(dir.path("r.json"));
    run = lab({"check", "--config", hostPath(kExample), "--imu-serial", "NO-SUCH-UNIT", "--record", fresh, "--json", json});
    EXPECT_EQ(run.exitStatus, 1) << run.err;
    for (const char* name : {"fresh.csv", "fresh.csv.part", "r.json", "r.json.part"}) {
        EXPECT_FALSE(std::filesystem::exists(dir.path(name))) << name;
    }
    run = lab({"check", "--config", hostPath(kExample), "--record", old});
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_EQ(run.err, old + " exists (use --force to replace it)\n");
    EXPECT_EQ(dir.read("old.csv"), "keep me\n");

    // An output that cannot be created is found before the check starts, not after it.
    run = lab({"check", "--config", hostPath(kExample), "--json", hostPath(dir.path("."))});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_NE(run.err.find("(Is a directory)"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
}

TEST(OutputGuard, APartLeftByAnotherRunIsNeverWrittenOver) {
    const test::ScratchDir dir;
    const std::string part = dir.write("c.csv.part", "a cut-short recording\n");
    const std::string out = hostPath(dir.path("c.csv"));
    const std::string capture = hostPath(dir.path("in.csv"));
    test::writeSimCapture(dir.path("in.csv"), 0.5);
    const std::vector<std::vector<std::string>> runs = {
        {"record", "--out", out, "--force"},
        {"check", "--config", hostPath(kExample), "--record", out, "--force"},
        {"export", capture, out, "--to", "csv-si"},
    };
    for (const auto& args : runs) {
        const Finished run = lab(args);
        EXPECT_EQ(run.exitStatus, 2) << args[0];
        EXPECT_NE(run.err.find(hostPath(part) + " exists (left by an earlier run?): rename or remove it first"),
                  std::string::npos) << run.err;
        EXPECT_EQ(run.out, "") << args[0];
    }
    EXPECT_EQ(dir.read("c.csv.part"), "a cut-short recording\n");
    EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace
}  // namespace vesko
