// The Allan picture, table and JSON of an analysis, and the SVG writer under them.
#include <gtest/gtest.h>

#include <limits>
#include <nlohmann/json.hpp>
#include <vector>

#include "allan_picture.h"
#include "allan_report.h"
#include "app_process.h"
#include "replay_picture.h"
#include "replay_run.h"
#include "simulated_headset.h"
#include "svg_writer.h"
#include "xml_check.h"

namespace vesko {
namespace {

using testing::countOf;

// Twenty seconds of the simulated unit: every axis reaches its minimum.
const NoiseAnalysis& simulatorAnalysis() {
    static const NoiseAnalysis analysis = [] {
        std::vector<ImuSample> samples(20'000);
        for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = simulatedSample(i);
        return analyseNoise(samples, {0.061, 0.061, 0.061, 1.0 / kImuAccCountsPerG, 1.0 / kImuAccCountsPerG, 1.0 / kImuAccCountsPerG});
    }();
    return analysis;
}

TEST(AllanPicture, TwoPanelsWithSixCurvesTheirBarsFitsAndLegends) {
    const NoiseAnalysis& a = simulatorAnalysis();
    const std::string svg = allanPicture(a);
    EXPECT_EQ("", test::xmlProblem(svg));
    EXPECT_EQ(6u, countOf(svg, "<polyline class=\"curve\""));
    std::size_t points = 0;
    std::size_t whiteFits = 0;
    for (const AxisNoise& axis : a.axes) {
        points += axis.curve.size();
        whiteFits += axis.figures.white.measured;
        EXPECT_NE(std::string::npos, svg.find("<title>" + std::string(axisName(axis.axis)) + "</title>"));
    }
    EXPECT_EQ(points, countOf(svg, "class=\"error-bar\""));
    EXPECT_EQ(whiteFits, countOf(svg, "class=\"fit-white\""));
    EXPECT_EQ(2u, countOf(svg, "class=\"legend\""));
    EXPECT_EQ(2u, countOf(svg, "cluster time τ (s)"));
    EXPECT_EQ(1u, countOf(svg, "σ(τ) (°/s)"));
    EXPECT_NE(std::string::npos, svg.find(">10⁻¹<"));  // decade labels
}

TEST(AllanPicture, AnEmptyAnalysisStillDrawsAValidPicture) {
    EXPECT_EQ("", test::xmlProblem(allanPicture(NoiseAnalysis{})));
    EXPECT_EQ("a&lt;b &amp; &apos;c&apos; &quot;d&quot;", svgEscape("a<b & 'c' \"d\"\x01"));
}

TEST(AllanReport, BoundsReadAsBoundsInTheTableAndTheJson) {
    NoiseAnalysis a = simulatorAnalysis();
    a.axes[3].figures.rateWalk = {false, 0.002, 0.0, 0.002, 3.0};
    a.axes[3].curve.back().upper = std::numeric_limits<double>::infinity();
    const std::string table = allanTable(a);
    EXPECT_NE(std::string::npos, table.find("analysed 20.0 s of 20.0 s: 0 gaps")) << table;
    EXPECT_NE(std::string::npos, table.find("≤ 2 not reached")) << table;  // 0.002 g/√s in mg/√s
    const nlohmann::json doc = nlohmann::json::parse(allanJson(a, "cap\xff.csv"));
    const nlohmann::json& k = doc["axes"][3]["figures"]["k"];
    EXPECT_FALSE(k["measured"].get<bool>());
    EXPECT_EQ("upper", k["bound"]);
    EXPECT_FALSE(k.contains("lower"));
    EXPECT_TRUE(doc["axes"][3]["curve"].back()["upper"].is_null());
    EXPECT_EQ("deg/sqrt(h)", doc["axes"][0]["figures"]["n"]["unit"]);
    EXPECT_EQ("3h 58m", spanText(3 * 3600 + 58 * 60 + 10));
    EXPECT_EQ("12m 05s", spanText(725));
}

TEST(AllanReport, MeasuredFiguresHaveBothEndsBoundsTheirUpperAndPointsTheirNoise) {
    const nlohmann::json doc = nlohmann::json::parse(allanJson(simulatorAnalysis(), "cap.csv"));
    EXPECT_EQ(0.95, doc["intervals"]["confidence"].get<double>());
    EXPECT_EQ("octave", doc["taus"]);
    std::size_t bounds = 0;
    for (const nlohmann::json& axis : doc["axes"]) {
        for (const auto& [name, figure] : axis["figures"].items()) {
            if (figure["measured"].get<bool>()) {
                EXPECT_LE(figure["lower"].get<double>(), figure["value"].get<double>()) << name;
                EXPECT_GE(figure["upper"].get<double>(), figure["value"].get<double>()) << name;
            } else {
                ++bounds;
                EXPECT_FALSE(figure.contains("lower")) << name;
                EXPECT_GT(figure["upper"].get<double>(), 0.0) << name;
                EXPECT_EQ(figure["value"], figure["upper"]) << name;
            }
        }
        const nlohmann::json& first = axis["curve"][0];
        EXPECT_EQ(1u, first["m"].get<std::size_t>());
        EXPECT_EQ(19'999u, first["terms"].get<std::size_t>());
        EXPECT_EQ("lag-1 autocorrelation", first["noise_from"]);
        EXPECT_GT(first["edf"].get<double>(), 0.0);
        EXPECT_EQ("greenhall", first["edf_from"]);
    }
    EXPECT_GT(bounds, 0u);  // twenty seconds are too short for K
    EXPECT_EQ("white FM", doc["axes"][0]["curve"][0]["noise"]);
}

TEST(AllanReport, AnAxisThatNeverChangedIsNamedAndGetsNoFigures) {
    std::vector<ImuSample> samples(5'000);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = simulatedSample(i);
        samples[i].gyro[2] = 17;
    }
    const NoiseAnalysis a = analyseNoise(samples, {0.061, 0.061, 0.061, 1.0 / kImuAccCountsPerG, 1.0 / kImuAccCountsPerG, 1.0 / kImuAccCountsPerG});
    ASSERT_TRUE(a.axes[2].neverChanged);
    EXPECT_TRUE(a.axes[2].curve.empty());
    EXPECT_FALSE(a.axes[1].neverChanged);
    const std::string table = allanTable(a);
    EXPECT_NE(std::string::npos, table.find("gyro z         axis never changed: stuck or disconnected\n")) << table;
    EXPECT_NE(std::string::npos, table.find(", never changed (°/s)/√Hz")) << table;
    const nlohmann::json doc = nlohmann::json::parse(allanJson(a, "cap.csv"));
    const nlohmann::json& z = doc["axes"][2];
    EXPECT_TRUE(z["never_changed"].get<bool>());
    EXPECT_EQ("axis never changed: stuck or disconnected", z["note"]);
    EXPECT_TRUE(z["figures"].is_null());
    EXPECT_TRUE(z["curve"].empty());
    const std::string svg = allanPicture(a);
    EXPECT_EQ("", test::xmlProblem(svg));
    EXPECT_NE(std::string::npos, svg.find(">gyro z: never changed<"));
}

TEST(ReplayPicture, AnglesAndAccOverDeviceTimeWithTheMarkAndARestart) {
    AttitudeFilter filter;
    filter.configure(HeadsetConfig{}, FilterParams{});
    ReplayRun run(filter, 0.2);
    ReplayTrace trace;
    run.traceInto(&trace);
    constexpr std::uint32_t kSixSeconds = 6 * kImuTicksPerSecond;  // long enough to restart the filter
    for (std::uint64_t i = 0; i < 20'000; ++i) {
        ImuSample s = simulatedSample(i);
        if (i >= 10'000) s.timestamp += kSixSeconds;
        run.feed(s);
    }
    ASSERT_EQ(1u, trace.marks.size());
    EXPECT_GT(trace.marks[0], 0.0);
    EXPECT_LT(trace.marks[0], 0.05);  // the bias is captured in the first seconds of rest
    ASSERT_EQ(1u, trace.restarts.size());
    EXPECT_NEAR(16.0 / 60.0, trace.restarts[0], 0.01);  // 10 s of samples, then the 6 s gap
    EXPECT_EQ(trace.minutes.size(), trace.yaw.size());
    EXPECT_NEAR(trace.accNorm.back(), 1.0, 0.05);

    const std::string svg = replayPicture(trace);
    EXPECT_EQ("", test::xmlProblem(svg));
    EXPECT_EQ(4u, countOf(svg, "class=\"series\""));
    for (const char* name : {"yaw", "pitch", "roll", "|a|"}) {
        EXPECT_NE(std::string::npos, svg.find("<title>" + std::string(name) + "</title>")) << name;
    }
    EXPECT_EQ(2u, countOf(svg, "<line class=\"mark\""));     // in both panels
    EXPECT_EQ(2u, countOf(svg, "<line class=\"restart\""));
    EXPECT_EQ("", test::xmlProblem(replayPicture(ReplayTrace{})));
}

}  // namespace
}  // namespace vesko
