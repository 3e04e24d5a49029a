// The noise file (YAML, SI) and the HTML page of an analysis, against hand conversions of the published units.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <vector>

#include "allan_kalibr.h"
#include "allan_page.h"
#include "allan_report.h"
#include "app_process.h"
#include "simulated_headset.h"
#include "xml_check.h"

namespace vesko {
namespace {

using testing::countOf;

constexpr double kDegPerSqrtHour = 1.0 / 60.0;        // (deg/s)*sqrt(s) in 1 deg/sqrt(h)
constexpr double kDegPerHourSqrtHour = 1.0 / 216000;  // (deg/s)/sqrt(s) in 1 deg/h/sqrt(h)
constexpr double kOneCount = 1.0 / kImuAccCountsPerG;  // g in one accelerometer count

NoiseFigure measured(double value, double tau) { return {true, value, value * 0.9, value * 1.1, tau}; }
NoiseFigure bound(double value, double tau) { return {false, value, 0.0, value, tau}; }

// Figures set by hand, in the curves' units (deg/s and g), at tau0 = 2.5 ms.
NoiseAnalysis handAnalysis() {
    NoiseAnalysis a;
    a.tau0 = 0.0025;
    a.run.length = 400'000;  // 1000 s
    a.totalSamples = a.run.length;
    const double gyroN[3] = {1.0, 0.5, 0.8};  // deg/sqrt(h)
    for (std::size_t i = 0; i < 6; ++i) {
        AxisNoise& axis = a.axes[i];
        axis.axis = kImuAxes[i];
        NoiseFigures& f = axis.figures;
        if (i < 3) {
            f.white = measured(gyroN[i] * kDegPerSqrtHour, 1.0);
            f.rawMinimum = measured(1.0 / 3600, 100.0);  // 1 deg/h
            f.rateWalk = i == 0 ? measured(kDegPerHourSqrtHour, 3.0) : bound((3.0 - i) * kDegPerHourSqrtHour, 3.0);
        } else {
            f.white = measured(kOneCount, 1.0);
            f.rateWalk = measured(kOneCount / 10.0, 3.0);
        }
    }
    return a;
}

TEST(NoiseFile, HandFiguresConvertToTheFormatsSiUnitsAndParseAsItsKeys) {
    const NoiseAnalysis a = handAnalysis();
    const std::string yaml = kalibrYaml(imuNoiseSi(a), "test");
    // 1 deg/sqrt(h) = (pi/180)/60 rad/s/sqrt(Hz); one count/sqrt(Hz) = 9.80665/4096 m/s^2/sqrt(Hz).
    EXPECT_NE(std::string::npos, yaml.find("gyroscope_noise_density: 2.90888e-04  # rad/s/sqrt(Hz)\n"
                                           "# largest of gyro x 2.909e-04, gyro y 1.454e-04, gyro z 2.327e-04\n"
                                           "gyroscope_random_walk:"))
        << yaml;
    EXPECT_NE(std::string::npos, yaml.find("accelerometer_noise_density: 2.39420e-03  # m/s^2/sqrt(Hz)\n")) << yaml;
    EXPECT_NE(std::string::npos, yaml.find("accelerometer_random_walk: 2.39420e-04  # m/s^3/sqrt(Hz)\n")) << yaml;
    // Gyro y's bound (2 deg/h/sqrt(h)) tops x's measured 1: the value is a bound, and says how to measure it:
    // its +1/2 line reaches twice the 1 deg/h floor at tau = 3 (2 * 60)^2 / 4 = 10 800 s; ten of those.
    EXPECT_NE(std::string::npos,
              yaml.find("gyroscope_random_walk: 1.61605e-07  # rad/s^2/sqrt(Hz)\n"
                        "# largest of gyro x 8.080e-08, gyro y <= 1.616e-07, gyro z <= 8.080e-08\n"
                        "# only an upper bound: gyro y never rises on the +1/2 slope; a record of some 30h 00m or "
                        "longer would measure it\n"))
        << yaml;
    EXPECT_NE(std::string::npos, yaml.find("\nrostopic: /imu0\nupdate_rate: 400.0  # Hz")) << yaml;
    EXPECT_EQ(1u, countOf(yaml, "only an upper bound"));
    for (const char* key : {"accelerometer_noise_density: ", "accelerometer_random_walk: ",
                            "gyroscope_noise_density: ", "gyroscope_random_walk: ", "rostopic: ", "update_rate: "}) {
        EXPECT_EQ(1u, countOf(yaml, std::string("\n") + key)) << key;  // each key once, at a line's start
    }

    // The JSON carries the same values with their units, beside the table's.
    const nlohmann::json doc = nlohmann::json::parse(allanJson(a, "cap.csv"));
    const nlohmann::json& k = doc["kalibr"];
    EXPECT_EQ(2.90888e-04, k["gyroscope_noise_density"]["value"].get<double>());
    EXPECT_EQ("rad/s/sqrt(Hz)", k["gyroscope_noise_density"]["unit"]);
    EXPECT_EQ("gyro y", k["gyroscope_random_walk"]["axis"]);
    EXPECT_FALSE(k["gyroscope_random_walk"]["measured"].get<bool>());
    EXPECT_EQ(108'000.0, k["gyroscope_random_walk"]["record_to_measure_s"].get<double>());
    EXPECT_EQ(400.0, k["update_rate"]["value"].get<double>());
    EXPECT_EQ("Hz", k["update_rate"]["unit"]);
    EXPECT_EQ("m/s^3/sqrt(Hz)", doc["axes"][5]["figures"]["k_si"]["unit"]);
    EXPECT_EQ(2.39420e-03, doc["axes"][5]["figures"]["n_si"]["value"].get<double>());
    EXPECT_EQ("deg/sqrt(h)", doc["axes"][0]["figures"]["n"]["unit"]);  // today's units stay
}

TEST(NoiseFile, ASmallerBoundLeavesTheMeasuredValueAndASensorThatNeverChangedWritesNoFile) {
    NoiseAnalysis a = handAnalysis();
    a.axes[1].figures.rateWalk = bound(0.5 * kDegPerHourSqrtHour, 3.0);
    a.axes[2].neverChanged = true;
    std::string yaml = kalibrYaml(imuNoiseSi(a), "cap\n.csv");
    EXPECT_NE(std::string::npos, yaml.find("gyroscope_random_walk: 8.08023e-08  # rad/s^2/sqrt(Hz)\n"
                                           "# largest of gyro x 8.080e-08, gyro y <= 4.040e-08, gyro z never "
                                           "changed\n\nrostopic"))
        << yaml;
    EXPECT_EQ(0u, countOf(yaml, "only an upper bound"));
    EXPECT_NE(std::string::npos, yaml.find("from cap\\x0a.csv\n"));  // a path cannot break the file's lines

    for (std::size_t i = 3; i < 6; ++i) a.axes[i].neverChanged = true;
    std::string missing;
    EXPECT_EQ("", kalibrYaml(imuNoiseSi(a), "cap.csv", &missing));
    EXPECT_EQ("accelerometer_noise_density", missing);
    EXPECT_TRUE(nlohmann::json::parse(allanJson(a, "cap.csv"))["kalibr"]["accelerometer_random_walk"].is_null());
}

TEST(AllanPage, FactsTableFigureAndNoiseFileEscapedAndSelfContained) {
    std::vector<ImuSample> samples(20'000);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = simulatedSample(i);
        samples[i].acc[2] = 4096;  // a stuck accelerometer axis
    }
    const NoiseAnalysis a = analyseNoise(samples, {0.061, 0.061, 0.061, kOneCount, kOneCount, kOneCount});
    CaptureMetadata header;
    header.unitSerial = "<b>LHR</b>";
    header.startedUtc = "2026-12-09T10:00:00Z";
    const std::string path = "R&D <cap>.csv";
    const std::string now = "2026-12-09T11:00:00Z";
    const std::string version = "9.9.9";
    const std::string page = allanPage({a, path, header, now, version});

    EXPECT_NE(std::string::npos, page.find("<code id=\"capture\">R&amp;D &lt;cap&gt;.csv</code>"));
    EXPECT_NE(std::string::npos, page.find("&lt;b&gt;LHR&lt;/b&gt;"));
    EXPECT_EQ(std::string::npos, page.find("<b>"));
    EXPECT_NE(std::string::npos, page.find("2026-12-09T10:00:00Z"));
    EXPECT_NE(std::string::npos, page.find("headvane-lab 9.9.9"));
    EXPECT_EQ(6u, countOf(page, "<tr class=\"axis\">"));
    EXPECT_EQ(1u, countOf(page, "<td class=\"never\" colspan=\"5\">axis never changed"));
    EXPECT_NE(std::string::npos, page.find("<figure id=\"figure-allan\">"));
    EXPECT_NE(std::string::npos, page.find("<pre id=\"kalibr-file\"># IMU noise model"));
    EXPECT_NE(std::string::npos, page.find("# largest of acc x"));
    EXPECT_NE(std::string::npos, page.find("acc z never changed"));
    for (const char* outside : {"<script", "src=", "href=", "url(", "@import"}) {
        EXPECT_EQ(std::string::npos, page.find(outside)) << outside;
    }
    ASSERT_EQ(1u, countOf(page, "<svg"));
    const std::size_t svg = page.find("<svg");
    EXPECT_EQ("", test::xmlProblem(page.substr(svg, page.find("</svg>") + 6 - svg)));
}

}  // namespace
}  // namespace vesko
