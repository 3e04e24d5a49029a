// headvane-lab and headvane-lab-sim run as a user would: usage, record's errors, record then replay.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "app_process.h"
#include "gzip_text.h"

namespace vesko::testing {
namespace {

const std::string kExample = hostPath(HEADVANE_SOURCE_DIR "/examples/headset.json");
const std::vector<std::string> kLabs = {HEADVANE_LAB_EXE, HEADVANE_LAB_SIM_EXE};

// A scratch folder named after the test, emptied first and removed after.
class ScratchDir {
public:
    ScratchDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() / (std::string("headvane-lab-") + info->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    std::string write(const std::string& name, const std::string& content) const {
        std::ofstream(dir_ / name, std::ios::binary) << content;
        return path(name);
    }

private:
    std::filesystem::path dir_;
};

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string lastLine(const std::string& text) {
    const std::size_t end = text.size() - (text.empty() || text.back() != '\n' ? 0 : 1);
    return text.substr(text.rfind('\n', end - 1) + 1, end - text.rfind('\n', end - 1) - 1);
}

TEST(LabBlackbox, HelpExitsZeroAndUsageErrorsExitTwo) {
    for (const std::string& exe : kLabs) {
        const Finished help = runToEnd(exe, {"--help"});
        EXPECT_EQ(help.exitStatus, 0);
        EXPECT_NE(help.out.find("record"), std::string::npos);
        EXPECT_NE(help.out.find("replay"), std::string::npos);
        const Finished recordHelp = runToEnd(exe, {"record", "--help"});
        EXPECT_EQ(recordHelp.exitStatus, 0);
        for (const char* option : {"--out", "--duration", "--imu-serial", "--config", "--force"}) {
            EXPECT_NE(recordHelp.out.find(option), std::string::npos) << option;
        }
        const std::vector<std::vector<std::string>> wrong = {
            {}, {"bogus"}, {"record"}, {"record", "--out"}, {"record", "--out", "x", "--verbose"},
            {"record", "--out", "x", "--duration", "10ms"}, {"replay", "c.csv"},
            {"replay", "c.csv", "--config", kExample, "--gyro-scale", "abc"}};
        for (const auto& args : wrong) {
            const Finished run = runToEnd(exe, args);
            EXPECT_EQ(run.exitStatus, 2) << exe << " " << (args.empty() ? "" : args.back());
            EXPECT_NE(run.err.find("Usage:"), std::string::npos) << run.err;
            EXPECT_EQ(run.out, "");
        }
    }
}

TEST(LabBlackbox, TheVersionIsShownAndAWrongOptionOrScaleIsNamed) {
    for (const char* flag : {"--version", "-V"}) {
        const Finished run = runToEnd(HEADVANE_LAB_EXE, {flag});
        EXPECT_EQ(run.exitStatus, 0) << flag;
        EXPECT_EQ(run.out.rfind("headvane-lab ", 0), 0u) << run.out;
    }
    const std::string capture = hostPath(HEADVANE_SOURCE_DIR "/tests/data/none.csv");
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"record", "--outt", "x.csv"}, "record: unknown option --outt"},
        {{"replay", capture, "--config", kExample, "--gyro-scale", "-0.0010652644360316951"},
         "--gyro-scale: '-0.0010652644360316951' is outside 1e-6..1 rad/s per count"},
        {{"allan", capture, "--gyro-scale", "0"}, "--gyro-scale: '0' is outside"},
        {{"check", "--config", kExample, "--gyro-scale", "2"}, "--gyro-scale: '2' is outside"},
    };
    for (const auto& c : cases) {
        const Finished run = runToEnd(HEADVANE_LAB_SIM_EXE, c.args);
        EXPECT_EQ(run.exitStatus, 2) << c.message;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
}

TEST(LabBlackbox, RecordRefusesAnExistingFileAndAMissingFolderBeforeAnyDevice) {
    const ScratchDir dir;
    const std::string existing = dir.write("taken.csv", "keep me");
    Finished run = runToEnd(HEADVANE_LAB_SIM_EXE, {"record", "--out", hostPath(existing)});
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_EQ(run.err, "record: " + hostPath(existing) + " exists (use --force to replace it)\n");
    EXPECT_EQ(readAll(existing), "keep me");

    const std::string nowhere = hostPath(dir.path("missing/c.csv"));
    run = runToEnd(HEADVANE_LAB_SIM_EXE, {"record", "--out", nowhere});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.err.rfind("record: cannot create " + nowhere + " (", 0), 0u) << run.err;
    EXPECT_EQ(run.out, "");  // no device was looked for
}

TEST(LabBlackbox, WithoutTheDeviceRecordSaysSoAndLeavesNoFile) {
    const ScratchDir dir;
    const std::string capture = dir.path("none.csv");
    const Finished run = runToEnd(HEADVANE_LAB_EXE, {"record", "--out", hostPath(capture)});
    if (run.exitStatus == 0 || run.out.find("TundraImu: 0 Watchman") == std::string::npos) {
        GTEST_SKIP() << "an IMU seems to be attached here:\n" << run.out;
    }
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_NE(run.err.find("TundraImu: no matching 28DE:2300 MI_00 device"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(capture));
}

#ifndef _WIN32
TEST(LabBlackbox, AFullDiskEndsTheRecordingWithExitOne) {
    const Finished run = runToEnd(HEADVANE_LAB_SIM_EXE, {"record", "--out", "/dev/full", "--force"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_NE(run.err.find("record: cannot write /dev/full (No space left on device)"), std::string::npos) << run.err;
}

// Replay's status lines and allan's table are what those commands make: sent
// to a full disk, they fail with exit 1 and say so, and allan's files are still written.
TEST(LabBlackbox, AReportThatCannotBeWrittenToStandardOutputEndsWithExitOne) {
    const ScratchDir dir;
    const std::string capture = dir.path("sim.csv");
    const std::string json = dir.path("allan.json");
    ASSERT_EQ(runToEnd(HEADVANE_LAB_SIM_EXE, {"--sim-speed", "10", "record", "--out", capture, "--duration", "1"})
                  .exitStatus,
              0);
    const std::string lab = std::string("exec '") + HEADVANE_LAB_EXE + "' ";
    const Finished replay = runToEnd("/bin/sh", {"-c", lab + "replay '" + capture + "' --config '" + kExample + "' >/dev/full"});
    EXPECT_EQ(replay.exitStatus, 1);
    EXPECT_EQ(replay.err, "replay: cannot write to standard output (No space left on device)\n");
    const Finished allan = runToEnd("/bin/sh", {"-c", lab + "allan '" + capture + "' --json '" + json + "' >/dev/full"});
    EXPECT_EQ(allan.exitStatus, 1);
    EXPECT_EQ(allan.err, "allan: cannot write to standard output (No space left on device)\n");
    EXPECT_NE(readAll(json).find("\"axes\""), std::string::npos);
}

// A file size limit stands in for a disk that fills up while recording: the
// write is cut short mid-row, and the file must still end with a whole row.
// The limit's signal (SIGXFSZ) must not end the recording without a word.
TEST(LabBlackbox, AWriteErrorWhileRecordingKeepsTheWholeRows) {
    const ScratchDir dir;
    const std::string capture = dir.path("limited.csv");
    const std::string record = std::string("ulimit -f 64; exec '") + HEADVANE_LAB_SIM_EXE +
                               "' --sim-speed 10 record --duration 5 --out '" + capture + "'";
    const Finished run = runToEnd("/bin/sh", {"-c", record});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_NE(run.err.find("record: cannot write " + capture + " (File too large); the rows up to the failure are kept"),
              std::string::npos) << run.err;
    const std::string text = readAll(capture);
    ASSERT_GT(text.size(), 1000u);
    EXPECT_EQ(text.back(), '\n');
    const Finished replayed = runToEnd(HEADVANE_LAB_EXE, {"replay", capture, "--config", kExample});
    EXPECT_EQ(replayed.exitStatus, 0) << replayed.err;
    EXPECT_EQ(replayed.err, "");  // no row cut short
}

// Started with standard output closed, the capture file must not take its
// place: the progress would land in it.
TEST(LabBlackbox, AClosedStandardOutputKeepsTheConsoleTextOutOfTheCapture) {
    const ScratchDir dir;
    const std::string capture = dir.path("closed.csv");
    const std::string record =
        std::string("exec '") + HEADVANE_LAB_SIM_EXE + "' --sim-speed 10 record --duration 1 --out '" + capture + "' >&-";
    const Finished run = runToEnd("/bin/sh", {"-c", record});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    const std::string text = readAll(capture);
    EXPECT_EQ(text.rfind("# headvane-capture 1\n", 0), 0u) << text.substr(0, 200);
    for (const char* console : {"\rrec ", "recording to", "TundraImu:"}) {
        EXPECT_EQ(text.find(console), std::string::npos) << console;
    }
    const Finished replayed = runToEnd(HEADVANE_LAB_EXE, {"replay", capture, "--config", kExample});
    EXPECT_EQ(replayed.exitStatus, 0) << replayed.err;
    EXPECT_EQ(replayed.err, "");
}
#endif

// The yaw of every replayed status line.
std::vector<double> replayedYaws(const std::string& out) {
    static const std::regex kYaw("\nyaw +([+-][0-9.]+) pitch");
    std::vector<double> yaws;
    for (std::sregex_iterator it(out.begin(), out.end(), kYaw), end; it != end; ++it) yaws.push_back(std::stod((*it)[1]));
    return yaws;
}

// The rows without their first column (host time), from the first `count` rows on.
std::vector<std::string> deviceColumns(const std::string& text, std::size_t count) {
    std::vector<std::string> rows;
    std::istringstream in(text);
    for (std::string line; rows.size() < count && std::getline(in, line);) {
        if (!line.empty() && line[0] != '#' && line[0] != 't') rows.push_back(line.substr(line.find(',')));
    }
    return rows;
}

// Record's end line as the capture's own "# summary" line says it must read.
std::string expectedEndCounts(const std::string& summaryLine) {
    std::map<std::string, std::string> count;
    std::istringstream in(summaryLine.substr(std::string("# summary").size()));
    for (std::string key, value; in >> key >> value;) count[key] = value;
    return ": " + count["samples"] + " samples, " + count["reports"] + " reports, " + count["gaps"] + " gaps, " +
           count["timeouts"] + " timeouts, " + count["other_reports"] + " other reports, " + count["dropped"] + " dropped";
}

TEST(LabBlackbox, ARecordingReplaysTheSameTwiceAndShowsTheTurn) {
    const ScratchDir dir;
    const std::string capture = dir.path("sim.csv");
    // 1.2 s at ten times real time: 12 s of the scenario, the 40 degree turn and back.
    const Finished recorded = runToEnd(HEADVANE_LAB_SIM_EXE, {"--sim-speed", "10", "record", "--out", hostPath(capture),
                                                              "--duration", "1", "--config", kExample});
    ASSERT_EQ(recorded.exitStatus, 0) << recorded.err;
    const std::string text = readAll(capture);
    EXPECT_EQ(text.rfind("# headvane-capture 1\n# tool headvane-lab ", 0), 0u);
    EXPECT_NE(text.find("\n# unit_serial LHR-7A3D19C4\n# config_serial LHR-7A3D19C4\n"), std::string::npos);
    // The end line gives the summary's duration, which is at least the one asked
    // for (a slow machine, or a sanitizer, may take longer to stop).
    std::smatch said, summed;
    ASSERT_TRUE(std::regex_search(recorded.out, said, std::regex("\nrecorded ([0-9.]+) s to "))) << recorded.out;
    const std::string summary = lastLine(text);
    ASSERT_TRUE(std::regex_search(summary, summed, std::regex("^# summary duration_s ([0-9.]+) "))) << summary;
    EXPECT_GE(std::stod(summed[1]), 1.0);
    EXPECT_NEAR(std::stod(said[1]), std::stod(summed[1]), 0.0006);
    EXPECT_NE(recorded.out.find(expectedEndCounts(lastLine(text))), std::string::npos) << recorded.out << lastLine(text);
    const std::size_t rows = deviceColumns(text, text.size()).size();
    EXPECT_NE(lastLine(text).find(" samples " + std::to_string(rows) + " "), std::string::npos) << rows;

    const std::vector<std::string> args = {"replay", hostPath(capture), "--config", kExample};
    const Finished first = runToEnd(HEADVANE_LAB_SIM_EXE, args);
    const Finished second = runToEnd(HEADVANE_LAB_EXE, args);
    ASSERT_EQ(first.exitStatus, 0) << first.err;
    EXPECT_EQ(first.out, second.out);
    EXPECT_EQ(first.err, "");
    const std::vector<double> yaws = replayedYaws(first.out);
    ASSERT_FALSE(yaws.empty()) << first.out;
    EXPECT_NEAR(*std::max_element(yaws.begin(), yaws.end()), 40.0, 1.5);
    EXPECT_NE(first.out.find("\nsamples "), std::string::npos);
}

// What replay and allan make of `capture`, with its name replaced by `shownAs`.
std::string analysed(const ScratchDir& dir, const std::string& capture, const std::string& shownAs) {
    const std::string json = dir.path("allan.json");
    const Finished replay = runToEnd(HEADVANE_LAB_EXE, {"replay", hostPath(capture), "--config", kExample});
    const Finished allan = runToEnd(HEADVANE_LAB_EXE, {"allan", hostPath(capture), "--json", hostPath(json)});
    std::string all = std::to_string(replay.exitStatus) + replay.out + replay.err + std::to_string(allan.exitStatus) +
                      allan.out + allan.err + readAll(json);
    // The name as given, as the program sees it, and as JSON writes that (Windows' backslashes doubled).
    std::string inJson;
    for (const char c : hostPath(capture)) inJson += c == '\\' ? std::string("\\\\") : std::string(1, c);
    for (const std::string& name : {inJson, hostPath(capture), capture}) {
        for (std::size_t at = all.find(name); at != std::string::npos; at = all.find(name, at + shownAs.size())) {
            all.replace(at, name.size(), shownAs);
        }
    }
    return all;
}

TEST(LabBlackbox, ACompressedRecordingReadsAsItsTextAndACutOneUpToItsLastFlush) {
    const ScratchDir dir;
    const std::string gz = dir.path("sim.csv.gz");
    const Finished recorded = runToEnd(HEADVANE_LAB_SIM_EXE, {"--sim-speed", "10", "record", "--out", hostPath(gz),
                                                              "--duration", "2", "--config", kExample});
    ASSERT_EQ(recorded.exitStatus, 0) << recorded.err;
    const std::string bytes = readAll(gz);
    ASSERT_EQ(bytes.rfind("\x1f\x8b", 0), 0u) << "not gzip";
    const std::string text = test::gunzipPrefix(bytes);
    EXPECT_EQ(text.rfind("# headvane-capture 1\n", 0), 0u);
    EXPECT_EQ(lastLine(text).rfind("# summary duration_s ", 0), 0u) << lastLine(text);
    EXPECT_NE(lastLine(text).find(" samples " + std::to_string(deviceColumns(text, text.size()).size()) + " "),
              std::string::npos);
    EXPECT_NE(recorded.out.find(expectedEndCounts(lastLine(text))), std::string::npos) << recorded.out;

    const std::string plain = dir.write("sim.csv", text);
    const std::string fromPlain = analysed(dir, plain, "CAPTURE");
    EXPECT_EQ(analysed(dir, gz, "CAPTURE"), fromPlain);
    EXPECT_NE(fromPlain.find("\nsamples "), std::string::npos) << fromPlain.substr(0, 300);

    // Cut inside the last third: every row up to the last sync flush before the cut (which ends in
    // the empty block 00 00 ff ff) is kept, and the cut is named.
    const std::size_t cutAt = bytes.size() * 2 / 3;
    const std::size_t lastFlush = bytes.rfind(std::string("\0\0\xff\xff", 4), cutAt);
    ASSERT_NE(lastFlush, std::string::npos);
    const std::string flushed = test::gunzipPrefix(bytes.substr(0, lastFlush + 4));
    ASSERT_EQ(flushed.back(), '\n') << "a sync flush inside a row";
    const std::size_t flushedRows = deviceColumns(flushed, flushed.size()).size();
    ASSERT_GT(flushedRows, 1000u);
    const std::string cut = dir.write("cut.csv.gz", bytes.substr(0, cutAt));
    const Finished replayed = runToEnd(HEADVANE_LAB_EXE, {"replay", hostPath(cut), "--config", kExample});
    EXPECT_EQ(replayed.exitStatus, 0) << replayed.err;
    EXPECT_NE(replayed.err.find(": compressed data cut short (interrupted recording?); using the "), std::string::npos)
        << replayed.err;
    static const std::regex kSamples("\nsamples ([0-9]+) ");
    std::smatch samples;
    ASSERT_TRUE(std::regex_search(replayed.out, samples, kSamples)) << replayed.out;
    EXPECT_GE(std::stoul(samples[1]), flushedRows);
}

TEST(LabBlackbox, TheSimulatorsRecordingsAgreeButForHostTime) {
    const ScratchDir dir;
    std::vector<std::vector<std::string>> runs;
    for (const char* name : {"a.csv", "b.csv"}) {
        const std::string capture = dir.path(name);
        const Finished run = runToEnd(HEADVANE_LAB_SIM_EXE,
                                      {"--sim-speed", "5", "record", "--out", hostPath(capture), "--duration", "1"});
        ASSERT_EQ(run.exitStatus, 0) << run.err;
        runs.push_back(deviceColumns(readAll(capture), 3000));
    }
    ASSERT_EQ(runs[0].size(), 3000u);
    EXPECT_EQ(runs[0], runs[1]);
}

TEST(LabBlackbox, ReplayWarnsOnceOfEachKindOfRowOutOfOrder) {
    const ScratchDir dir;
    // Saved by an editor (a byte-order mark) from another unit whose serial holds an escape sequence.
    std::string text = "\xEF\xBB\xBF# headvane-capture 1\n# unit_serial \x1b[2JX\n"
                       "t_host_s,ticks,seq,acc_x,acc_y,acc_z,gyro_x,gyro_y,gyro_z\n";
    const std::pair<unsigned, unsigned> rows[] = {{48000, 1}, {96000, 2}, {96000, 2}, {144000, 3}, {100, 4},
                                                  {48100, 5}, {96100, 9}, {144100, 10}, {144100, 10}};
    for (const auto& [ticks, seq] : rows) {
        text += "0.1," + std::to_string(ticks) + "," + std::to_string(seq) + ",0,4096,0,0,0,0\n";
    }
    const std::string capture = hostPath(dir.write("odd.csv", text));
    const Finished run = runToEnd(HEADVANE_LAB_EXE, {"replay", capture, "--config", kExample});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.err, "warning: capture " + capture + ": device time goes back once (first at row 5); "
                       "the filter restarts at each\n"
                       "warning: capture " + capture + ": 2 rows repeat the row before them (first at row 3)\n"
                       "warning: capture " + capture + ": seq skips once (first at row 7): samples are missing\n");
    EXPECT_NE(run.out.find("\\x1b[2JX"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find('\x1b'), std::string::npos);
}

TEST(LabBlackbox, ABadCaptureIsNamedAndACutShortOneIsUsed) {
    const ScratchDir dir;
    const std::string columns = "t_host_s,ticks,seq,acc_x,acc_y,acc_z,gyro_x,gyro_y,gyro_z\n";
    const std::string bad = dir.write("bad.csv", columns + "0.1,1,2,3,4,5,6,7\n");
    Finished run = runToEnd(HEADVANE_LAB_EXE, {"replay", hostPath(bad), "--config", kExample});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.err, "capture " + hostPath(bad) + " line 2: expected 9 fields, found 8\n");

    const std::string cut = dir.write("cut.csv", columns + "0.1,1,2,3,4,5,6,7,8\n0.2,48001,3,3");
    run = runToEnd(HEADVANE_LAB_EXE, {"replay", hostPath(cut), "--config", kExample});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_NE(run.err.find("line 3: last line cut short"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("samples 1  restarts 0"), std::string::npos) << run.out;

    const std::string missing = hostPath(dir.path("none.csv"));
    run = runToEnd(HEADVANE_LAB_EXE, {"replay", missing, "--config", kExample});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.err.rfind("capture " + missing + ": cannot open (", 0), 0u) << run.err;
}

}  // namespace
}  // namespace vesko::testing
