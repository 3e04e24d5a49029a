// The SI export: exact epoch times across the clock's wraps, values that give the counts back, the command's files.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <cmath>
#include <sstream>

#include "app_process.h"
#include "capture_text.h"
#include "device_timeline.h"
#include "headset_config.h"
#include "imu_export.h"
#include "scratch_dir.h"
#include "simulated_headset.h"

namespace vesko {
namespace {

using testing::Finished;
using testing::hostPath;
using testing::runToEnd;

constexpr std::int64_t kStartNs = 1'796'714'931'000'000'000;  // 2026-12-08T07:28:51Z
constexpr std::uint32_t kNearWrap = 0u - kImuTicksPerSecond / 10u * 7u;  // 0.7 s before the first wrap

// Nanoseconds of `ticks` at 48 MHz to the nearest one, the plain way: the reference
// (exact while ticks * 10^9 fits 64 bits, some 380 s).
std::int64_t referenceNanos(std::uint64_t ticks) {
    EXPECT_LT(ticks, 18'000'000'000u);
    return static_cast<std::int64_t>((ticks * 1'000'000'000u + kImuTicksPerSecond / 2) / kImuTicksPerSecond);
}

TEST(DeviceTimeline, TwoWrapsOfIrregularStepsGiveExactIncreasingTimes) {
    DeviceTimeline timeline(kStartNs);
    std::uint32_t ticks = kNearWrap;
    std::uint64_t elapsed = 0;
    std::int64_t previous = 0;
    int wraps = 0;
    // 150 s of samples 1 ms apart give or take a few ticks, as a real clock drifts.
    for (std::int64_t i = 0; i < 150'000; ++i) {
        const std::uint32_t step = i == 0 ? 0u : 47'995u + static_cast<std::uint32_t>(i % 11);
        wraps += ticks + step < ticks ? 1 : 0;
        ticks += step;
        elapsed += step;
        const std::optional<std::int64_t> ns = timeline.next(ticks, i * 1000);
        ASSERT_TRUE(ns.has_value());
        ASSERT_EQ(*ns, kStartNs + referenceNanos(elapsed)) << "sample " << i;
        ASSERT_TRUE(i == 0 || *ns > previous);
        previous = *ns;
    }
    EXPECT_EQ(wraps, 2);
}

TEST(DeviceTimeline, TheHostClockCountsTheWrapsOfALongSilenceAndABackStepIsHeld) {
    DeviceTimeline timeline(0);
    ASSERT_EQ(timeline.next(kNearWrap, 0), 0);
    // 200 s of silence: the 32-bit clock alone would say 200 s minus two wraps.
    const std::uint64_t silence = 200ull * kImuTicksPerSecond;
    const auto after = static_cast<std::uint32_t>(kNearWrap + silence);
    EXPECT_EQ(timeline.next(after, 200'003'000), referenceNanos(silence));
    // A clock that steps back: the time is held, never decreasing, and the step is told.
    EXPECT_EQ(timeline.next(after - 4800u, 200'004'000), referenceNanos(silence));
    EXPECT_EQ(timeline.lastStepBack(), 4800u);
    EXPECT_EQ(timeline.next(after + 43'200u, 200'005'000), referenceNanos(silence + 48'000u));
    EXPECT_EQ(timeline.lastStepBack(), 0u);
}

TEST(DeviceTimeline, UtcTimesOfCapturesAndNothingElse) {
    EXPECT_EQ(epochSecondsOfUtc("1970-01-01T00:00:00Z"), 0);
    EXPECT_EQ(epochSecondsOfUtc("2000-02-29T23:59:60Z"), 951'868'800);  // a leap day, a leap second
    EXPECT_EQ(epochSecondsOfUtc("2026-12-08T07:28:51Z"), kStartNs / 1'000'000'000);
    for (const char* bad : {"", "2026-02-30T00:00:00Z", "2026-12-08 07:28:51Z", "2026-12-08T07:28:51",
                            "2026-12-08T24:00:00Z", "2026-12-08T07:28:51.5Z", "1969-12-31T23:59:59Z"}) {
        EXPECT_FALSE(epochSecondsOfUtc(bad).has_value()) << bad;
    }
}

// The values of one exported row, after its time.
std::vector<double> rowValues(const std::string& line) {
    std::vector<double> values;
    std::stringstream fields(line.substr(line.find(',') + 1));
    for (std::string field; std::getline(fields, field, ',');) values.push_back(std::stod(field));
    return values;
}

TEST(ExportRows, TheCountsComeBackFromTheValuesInEitherFrame) {
    HeadsetConfig config;
    ASSERT_TRUE(loadHeadsetConfig(HEADVANE_SOURCE_DIR "/examples/headset.json", config));
    const ImuCalibration& cal = config.imu;
    for (const ExportFrame frame : {ExportFrame::imu, ExportFrame::head}) {
        ExportSettings settings;
        settings.frame = frame;
        settings.calibration = cal;
        const ExportRows rows(settings);
        for (const std::int16_t count : {-32768, -4096, -1, 0, 1, 7, 4107, 32767}) {
            ImuSample sample{};
            sample.acc = {count, static_cast<std::int16_t>(-count / 2), static_cast<std::int16_t>(count / 3)};
            sample.gyro = {static_cast<std::int16_t>(count / 5), count, static_cast<std::int16_t>(-count / 7)};
            std::string line;
            rows.append(line, sample, kStartNs, 0);
            ASSERT_EQ(line.rfind(std::to_string(kStartNs) + ",", 0), 0u) << line;
            const std::vector<double> v = rowValues(line);
            ASSERT_EQ(v.size(), 6u) << line;
            // The example's mounting: head x = -imu x, head y = -imu z, head z = -imu y.
            const auto toImu = [frame](double x, double y, double z) {
                return frame == ExportFrame::imu ? std::array{x, y, z} : std::array{-x, -z, -y};
            };
            const std::array<double, 3> gyroImu = toImu(v[0], v[1], v[2]);
            const std::array<double, 3> accImu = toImu(v[3], v[4], v[5]);
            for (std::size_t i = 0; i < 3; ++i) {
                EXPECT_EQ(std::lround(gyroImu[i] / kImuGyroRadPerSecPerCount), sample.gyro[i]) << line;
                const double g = accImu[i] / 9.80665;
                EXPECT_EQ(std::lround((g + cal.accBias[i]) / cal.accScale[i] * kImuAccCountsPerG), sample.acc[i]) << line;
            }
        }
    }
}

// headvane-lab-sim export as a user runs it.
Finished exportCapture(const std::vector<std::string>& args) {
    std::vector<std::string> all{"export"};
    all.insert(all.end(), args.begin(), args.end());
    return runToEnd(HEADVANE_LAB_SIM_EXE, all);
}

std::string captureText(const std::string& startedUtc) {
    CaptureMetadata meta;
    meta.formatVersion = kCaptureFormatVersion;
    meta.startedUtc = startedUtc;
    std::string text = captureHeaderText(meta);
    for (std::uint64_t i = 0; i < 10; ++i) {
        if (i == 4) text += captureEventText({4000, "gap: 3 samples missing (seq 204 to 206)"});
        if (i >= 4 && i < 7) continue;  // the lost stretch
        appendCaptureRow(text, {static_cast<std::int64_t>(i * 1000 + 250), simulatedSample(i)});
    }
    return text + captureSummaryText({10'000, {4, 7, 1, 0, 0}, 0});
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

TEST(ExportCommand, GapsStayGapsAndEventsStandInPlace) {
    const test::ScratchDir dir;
    const std::string capture = dir.write("in.csv", captureText("2026-12-08T07:28:51Z"));
    const Finished run = exportCapture({hostPath(capture), "--to", "euroc", hostPath(dir.path("out.csv"))});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out, "export: 7 rows and 1 events to " + hostPath(dir.path("out.csv")) + " (euroc, imu frame)\n");
    const std::vector<std::string> out = lines(dir.read("out.csv"));
    ASSERT_EQ(out.front(), kEurocColumns);
    std::vector<std::string> rows;  // the time of each row, and the events in their place
    for (std::size_t i = 1; i < out.size(); ++i) {
        if (!out[i].starts_with("#") || out[i].starts_with("# event")) rows.push_back(out[i].substr(0, out[i].find(',')));
    }
    // The first sample arrived 250 us after the start; then the device clock counts, 1 ms a sample.
    const std::vector<std::string> expected{"1796714931000250000", "1796714931001250000", "1796714931002250000",
                                            "1796714931003250000", "# event 0.004000 gap: 3 samples missing (seq 204 to 206)",
                                            "1796714931007250000", "1796714931008250000", "1796714931009250000"};
    EXPECT_EQ(rows, expected);
    EXPECT_TRUE(out.back().starts_with("# summary duration_s 0.010000 reports 4 samples 7 gaps 1"));

    const Finished si = exportCapture({hostPath(capture), hostPath(dir.path("si.csv")), "--to", "csv-si"});
    ASSERT_EQ(si.exitStatus, 0) << si.err;
    const std::string text = dir.read("si.csv");
    EXPECT_NE(text.find(std::string("\n") + kCsvSiColumns + "\n# first_sample_ns 1796714931000250000 "), std::string::npos);
    EXPECT_NE(text.find("\n0.003000,"), std::string::npos);
    EXPECT_NE(text.find("\n# event 0.004000 gap: 3 samples missing (seq 204 to 206)\n0.007000,"), std::string::npos);
}

TEST(ExportCommand, BadOptionsAndInputsAreRefusedWithoutLeavingAFile) {
    const test::ScratchDir dir;
    const std::string capture = dir.write("in.csv", captureText(""));
    const std::string out = hostPath(dir.path("out.csv"));
    const std::string example = hostPath(HEADVANE_SOURCE_DIR "/examples/headset.json");
    const struct {
        std::vector<std::string> args;
        int status;
        const char* message;
    } cases[] = {
        {{hostPath(capture), out, "--to", "kalman"}, 2, "--to: kalman not in {euroc,csv-si}"},
        {{hostPath(capture), out, "--to", "euroc", "--frame", "body"}, 2, "--frame: body not in {imu,head}"},
        {{hostPath(capture), out, "--to", "csv-si", "--frame", "head"}, 2, "--frame head needs --config"},
        {{hostPath(capture), hostPath(capture), "--to", "csv-si"}, 2, "is the capture: refusing to write over an input"},
        {{hostPath(capture), example, "--to", "csv-si", "--config", example}, 2, "is --config: refusing"},
        {{hostPath(capture), out, "--to", "euroc"}, 1, "has no started_utc line: euroc timestamps count from it"},
        {{hostPath(dir.write("bad.csv", captureText("2026-12-08T07:28:51Z") + "1.0,2,3\n")), out, "--to", "csv-si"}, 1,
         "line 13: expected 9 fields"},
    };
    for (const auto& c : cases) {
        const Finished run = exportCapture(c.args);
        EXPECT_EQ(run.exitStatus, c.status) << c.args.back();
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_FALSE(std::filesystem::exists(dir.path("out.csv"))) << c.message;
    }
    EXPECT_EQ(dir.read("in.csv"), captureText(""));

    // An output that was there before stays as it was until a whole new one replaces it.
    dir.write("old.csv", "someone's file\n");
    const Finished failed = exportCapture({hostPath(dir.path("bad.csv")), hostPath(dir.path("old.csv")), "--to", "csv-si"});
    EXPECT_EQ(failed.exitStatus, 1);
    EXPECT_NE(failed.err.find("nothing written"), std::string::npos) << failed.err;
    EXPECT_EQ(dir.read("old.csv"), "someone's file\n");
    EXPECT_FALSE(std::filesystem::exists(dir.path("old.csv.part")));
}

}  // namespace
}  // namespace vesko
