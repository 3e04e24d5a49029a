// Parsing headset documents: stored values, defaults, exact rejection texts, partial fills.
#include "headset_config.h"

#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "headset_config_test_support.h"
#include "json_readers.h"

namespace vesko {
namespace {

using test::Json;
using test::minimalDocument;
using test::with;
using test::without;

constexpr const char* kWidth = "/device/eye_target_width_in_pixels";
constexpr const char* kHeight = "/device/eye_target_height_in_pixels";

// The library's texts, whole, for the failures the loader passes through.
std::string missingKey(const std::string& key) {
    return "[json.exception.out_of_range.403] key '" + key + "' not found";
}
std::string indexOutOfRange(int index) {
    return "[json.exception.out_of_range.401] array index " + std::to_string(index) +
           " is out of range";
}
std::string cannotIndex(const std::string& type) {
    return "[json.exception.type_error.304] cannot use at() with " + type;
}
std::string wrongType(const std::string& wanted, const std::string& found) {
    return "[json.exception.type_error.302] type must be " + wanted + ", but is " + found;
}

struct Rejection {
    Json doc;
    std::string error;  // the library's or the loader's text, after the common prefix
};

void expectRejected(const std::vector<Rejection>& cases) {
    for (const Rejection& c : cases) {
        SCOPED_TRACE(c.doc.dump());
        HeadsetConfig cfg;
        std::string error;
        EXPECT_FALSE(parseHeadsetConfig(c.doc.dump(), cfg, &error));
        EXPECT_EQ(error, "config parse error: " + c.error);
    }
}

HeadsetConfig parsed(const Json& doc) {
    HeadsetConfig cfg;
    std::string error;
    EXPECT_TRUE(parseHeadsetConfig(doc.dump(), cfg, &error)) << error;
    return cfg;
}

TEST(HeadsetConfigParse, MinimalDocumentStoresEveryFieldAndDefaults) {
    const HeadsetConfig cfg = parsed(minimalDocument());
    EXPECT_EQ(cfg.deviceSerialNumber, "UNIT-1");
    EXPECT_EQ(cfg.modelNumber, "");
    EXPECT_EQ(cfg.eyeTargetWidthInPixels, 1440);
    EXPECT_EQ(cfg.eyeTargetHeightInPixels, 1600);
    EXPECT_FALSE(cfg.parallelRenderCameras);
    EXPECT_EQ(cfg.ipdDefaultMm, 63.5);
    EXPECT_EQ(cfg.secondsFromVsyncToPhotons, 0.0);
    EXPECT_EQ(cfg.secondsFromPhotonsToVblank, 0.0);
    EXPECT_EQ(cfg.head.position, (ConfigVector{0.1, 0.2, 0.3}));
    EXPECT_EQ(cfg.imu.plusX, (ConfigVector{-1, 0, 0}));
    EXPECT_EQ(cfg.imu.plusZ, (ConfigVector{0, -1, 0}));
    EXPECT_EQ(cfg.imu.position, (ConfigVector{0.4, 0.5, 0.6}));
    EXPECT_EQ(cfg.imu.accBias, (ConfigVector{0.01, 0.02, 0.03}));
    EXPECT_EQ(cfg.imu.accScale, (ConfigVector{1.1, 1.2, 1.3}));
    EXPECT_EQ(cfg.imu.gyroBias, (ConfigVector{4, 5, 6}));
    EXPECT_FALSE(cfg.imu.hasGyroAxisScale);
    EXPECT_EQ(cfg.imu.gyroAxisScale, (ConfigVector{1, 1, 1}));
    // Each eye and channel lands in its own slot, not a neighbour's.
    EXPECT_EQ(cfg.eyes[1].distortion[0].centerX, 21.0);
    EXPECT_EQ(cfg.eyes[1].distortion[1].centerY, 22.5);
    EXPECT_EQ(cfg.eyes[0].distortion[2].coeffs, (ConfigVector{13.1, 13.2, 13.3}));
    EXPECT_EQ(cfg.eyes[1].growForUndistort, 24.0);
    EXPECT_EQ(cfg.eyes[1].undistortR2Cutoff, 25.0);
    EXPECT_EQ(cfg.eyes[0].intrinsics[0][0], 10.0);
    EXPECT_EQ(cfg.eyes[0].intrinsics[1][2], 5.0);
    EXPECT_EQ(cfg.eyes[1].eyeToHead[2][2], 20.0);
    EXPECT_EQ(cfg.eyes[0].colorMult, (ConfigVector{0.91, 0.92, 0.93}));
    EXPECT_EQ(cfg.eyes[1].colorMult, (ConfigVector{0.81, 0.82, 0.83}));
}

TEST(HeadsetConfigParse, OptionalMembersAreStored) {
    Json doc = with("/model_number", "R2");
    doc["parallel_render_cameras"] = true;
    doc["seconds_from_vsync_to_photons"] = 0.011;
    doc["seconds_from_photons_to_vblank"] = 0.0004;
    doc["imu"]["gyro_scale"] = {1.5, 2.5, 3.5};
    const HeadsetConfig cfg = parsed(doc);
    EXPECT_EQ(cfg.modelNumber, "R2");
    EXPECT_TRUE(cfg.parallelRenderCameras);
    EXPECT_EQ(cfg.secondsFromVsyncToPhotons, 0.011);
    EXPECT_EQ(cfg.secondsFromPhotonsToVblank, 0.0004);
    EXPECT_TRUE(cfg.imu.hasGyroAxisScale);
    EXPECT_EQ(cfg.imu.gyroAxisScale, (ConfigVector{1.5, 2.5, 3.5}));
}

TEST(HeadsetConfigParse, ToleratedShapes) {
    Json doc = with("/tracking_to_eye_transform/0/eye_to_head",
                    {{1, 0, 0, -0.03}, {0, 1, 0, 0}, {0, 0, 1, 0.015}});
    doc["imu"]["acc_bias"] = {7, 8, 9, 99};
    doc["ipd"]["default_mm"] = 64;  // an integer where a double is read
    doc["display_color_mult"].push_back({0.5, 0.5, 0.5});
    doc["vendor_notes"] = "ignored";
    doc["imu"]["temperature"] = {1, 2};
    doc["tracking_to_eye_transform"][1]["distortion"]["k4"] = 0.2;
    const HeadsetConfig cfg = parsed(doc);
    EXPECT_EQ(cfg.eyes[0].eyeToHead, (ConfigMatrix{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}));
    EXPECT_EQ(cfg.imu.accBias, (ConfigVector{7, 8, 9}));
    EXPECT_EQ(cfg.ipdDefaultMm, 64.0);
}

TEST(HeadsetConfigParse, PixelSizesTruncateAndKeepTheirFullRange) {
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    const struct {
        Json value;
        std::int32_t stored;
    } cases[] = {{1832.9, 1832},           {-3.7, -3},   {true, 1},
                 {false, 0},               {2147483647, 2147483647},
                 {-2147483648LL, kMin},    {2147483647.9, 2147483647},
                 {-2147483648.9, kMin}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value.dump());
        EXPECT_EQ(parsed(with(kHeight, c.value)).eyeTargetHeightInPixels, c.stored);
    }
}

TEST(HeadsetConfigParse, PixelSizesOutsideThe32BitRangeAreRejected) {
    const std::string tail = " is out of range for a pixel size";
    const std::string width = "eye_target_width_in_pixels ";
    const std::string height = "eye_target_height_in_pixels ";
    expectRejected({
        {with(kWidth, 1e12), width + "1000000000000.0" + tail},
        {with(kWidth, -1e12), width + "-1000000000000.0" + tail},
        {with(kHeight, 4294967296ULL), height + "4294967296" + tail},
        {with(kHeight, 2147483648LL), height + "2147483648" + tail},
        {with(kHeight, 2147483648.0), height + "2147483648.0" + tail},
        {with(kHeight, -2147483649LL), height + "-2147483649" + tail},
    });
    // Not reachable from JSON text, but the reader must not convert them either.
    for (const double bad : {std::nan(""), std::numeric_limits<double>::infinity()}) {
        EXPECT_THROW(readPixelSize(Json{{"w", bad}}, "w"), std::runtime_error);
    }
}

TEST(HeadsetConfigParse, MalformedTextIsAParseError) {
    HeadsetConfig cfg;
    std::string error;
    EXPECT_FALSE(parseHeadsetConfig("", cfg, &error));
    EXPECT_EQ(error, "config parse error: [json.exception.parse_error.101] parse error at line 1, "
                     "column 1: syntax error while parsing value - unexpected end of input; "
                     "expected '[', '{', or a literal");
    EXPECT_FALSE(parseHeadsetConfig("{} // x", cfg, &error));
    EXPECT_EQ(error, "config parse error: [json.exception.parse_error.101] parse error at line 1, "
                     "column 4: syntax error while parsing value - invalid literal; last read: "
                     "'{} /'; expected end of input");
    EXPECT_FALSE(parseHeadsetConfig(minimalDocument().dump() + " {}", cfg, &error));
    EXPECT_EQ(error.rfind("config parse error: [json.exception.parse_error.101]", 0), 0u) << error;
}

TEST(HeadsetConfigParse, StructureErrors) {
    const std::string eyes = "expected 2 eyes";
    const char* transforms = "/tracking_to_eye_transform";
    const Json twoMembers = {{"a", test::eye(1)}, {"b", test::eye(2)}};
    expectRejected({
        {Json::array({minimalDocument()}), cannotIndex("array")},
        {without("/imu"), missingKey("imu")},
        {with("/IMU", minimalDocument()["imu"], without("/imu")), missingKey("imu")},
        {with("/device", Json::array()), cannotIndex("array")},
        {with(transforms, Json::array({test::eye(1)})), eyes},
        {with(transforms, {test::eye(1), test::eye(2), test::eye(3)}), eyes},
        {with(transforms, Json{{"a", 1}, {"b", 2}, {"c", 3}}), eyes},
        {with(transforms, nullptr), eyes},
        {with(transforms, twoMembers), cannotIndex("object")},
        {with("/display_color_mult", Json::array({Json{1, 1, 1}})), indexOutOfRange(1)},
        {with("/imu/acc_scale", {1, 1}), indexOutOfRange(2)},
        {with("/tracking_to_eye_transform/1/intrinsics/2", {1, 1}), indexOutOfRange(2)},
        {with("/head/plus_z", Json{{"x", 1}}), cannotIndex("object")},
    });
}

TEST(HeadsetConfigParse, TypeErrors) {
    expectRejected({
        {with("/ipd/default_mm", "63.5"), wrongType("number", "string")},
        {with("/ipd/default_mm", true), wrongType("number", "boolean")},
        {with("/seconds_from_vsync_to_photons", nullptr), wrongType("number", "null")},
        {with(kWidth, "1440"), wrongType("number", "string")},
        {with(kWidth, nullptr), wrongType("number", "null")},
        {with("/imu/gyro_scale", {1, "2", 3}), wrongType("number", "string")},
        {with("/imu/gyro_scale", nullptr), cannotIndex("null")},
        {with("/parallel_render_cameras", 1), wrongType("boolean", "number")},
        {with("/model_number", nullptr), wrongType("string", "null")},
        {with("/device_serial_number", 42), wrongType("string", "number")},
    });
}

TEST(HeadsetConfigParse, DistortionTypeIsCheckedFirstAndExactly) {
    const auto unsupported = [](const std::string& type) {
        return "unsupported distortion type " + type + " (only DISTORT_POLY3 is S3-verified)";
    };
    const char* type = "/tracking_to_eye_transform/1/distortion_blue/type";
    const Json noCenter = without("/tracking_to_eye_transform/1/distortion_blue/center_x");
    expectRejected({
        {with(type, "distort_poly3"), unsupported("distort_poly3")},
        {with(type, "DISTORT_POLY5", noCenter), unsupported("DISTORT_POLY5")},
        {with(type, 3), wrongType("string", "number")},
    });
}

// The first failure in reading order is the one reported.
TEST(HeadsetConfigParse, FailuresAreReportedInReadingOrder) {
    const Json noColours = without("/display_color_mult");
    expectRejected({
        {without("/imu", noColours), missingKey("imu")},
        {with("/tracking_to_eye_transform", Json::array({1}), noColours), "expected 2 eyes"},
        {with("/tracking_to_eye_transform/0/distortion/type", "X", noColours),
         missingKey("display_color_mult")},
        {without("/device_serial_number", without("/device")), missingKey("device_serial_number")},
    });
}

TEST(HeadsetConfigParse, FailureKeepsWhatWasReadAndLeavesTheRest) {
    HeadsetConfig cfg;
    cfg.eyes[0].growForUndistort = 42.0;
    std::string error;
    EXPECT_FALSE(parseHeadsetConfig(with("/imu/acc_scale", {2, 3}).dump(), cfg, &error));
    EXPECT_EQ(cfg.deviceSerialNumber, "UNIT-1");
    EXPECT_EQ(cfg.imu.accBias, (ConfigVector{0.01, 0.02, 0.03}));
    EXPECT_EQ(cfg.imu.accScale, (ConfigVector{2, 3, 1}));  // two elements stored before the failure
    EXPECT_EQ(cfg.imu.gyroBias, (ConfigVector{0, 0, 0}));
    EXPECT_EQ(cfg.eyes[0].growForUndistort, 42.0);

    // A short colour list fails only after all of eye 1's lens data is stored.
    HeadsetConfig late;
    const Json oneColour = with("/display_color_mult", Json::array({Json{0.5, 0.5, 0.5}}));
    EXPECT_FALSE(parseHeadsetConfig(oneColour.dump(), late));
    EXPECT_EQ(late.eyes[0].colorMult, (ConfigVector{0.5, 0.5, 0.5}));
    EXPECT_EQ(late.eyes[1].eyeToHead[2][2], 20.0);
    EXPECT_EQ(late.eyes[1].colorMult, (ConfigVector{1, 1, 1}));
}

TEST(HeadsetConfigParse, ErrorTextIsWrittenOnlyOnFailure) {
    HeadsetConfig cfg;
    std::string error = "untouched";
    EXPECT_TRUE(parseHeadsetConfig(minimalDocument().dump(), cfg, &error));
    EXPECT_EQ(error, "untouched");
    EXPECT_TRUE(parseHeadsetConfig(minimalDocument().dump(), cfg, nullptr));
    EXPECT_FALSE(parseHeadsetConfig("[", cfg, nullptr));
}

}  // namespace
}  // namespace vesko
