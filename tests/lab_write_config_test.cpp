// The corrected headset file: only the two calibration vectors change, every other value and the order stay.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "check_config_output.h"
#include "headset_config.h"
#include "headset_config_test_support.h"
#include "headset_file_update.h"

namespace vesko {
namespace {

using Ordered = nlohmann::ordered_json;

// `text` with `from` replaced by `to`, which must be there.
std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// A headset file as a person writes it: exponents, integers, a member first that sorts last.
std::string handWrittenFile() {
    std::string text = test::minimalDocument().dump();
    text = replaced(text, "\"default_mm\":63.5", "\"default_mm\":6.35E1");
    text = replaced(text, "\"acc_bias\":[0.01,0.02,0.03]", "\"acc_bias\": [1e-3, 0.1, -2]");
    text = replaced(text, "\"acc_scale\":[1.1,1.2,1.3]", "\"acc_scale\": [1, 1.0, 0.99, 7]");  // a 4th stays
    text = replaced(text, "\"gyro_bias\":[4,5,6]", "\"gyro_bias\": [4, -0.0, 12345678901234]");
    return "{\"zz_unknown\": {\"b\": 1, \"a\": 0.30000000000000004}, " + text.substr(1);
}

TEST(HeadsetFileUpdate, ChangesTheTwoVectorsAndKeepsEveryOtherValueItsOrderAndKind) {
    const std::string before = handWrittenFile();
    const ConfigVector bias{0.0123, 0.1, -0.0087};
    const ConfigVector scale{1.0021, 1.0, 0.9984};
    const AccCalibrationUpdate update = updateAccCalibration(before, bias, scale);
    ASSERT_TRUE(update.ok) << update.error;

    HeadsetConfig old, corrected;
    ASSERT_TRUE(parseHeadsetConfig(before, old));
    ASSERT_TRUE(parseHeadsetConfig(update.text, corrected));
    EXPECT_EQ(corrected.imu.accBias, bias);
    EXPECT_EQ(corrected.imu.accScale, scale);
    corrected.imu.accBias = old.imu.accBias;
    corrected.imu.accScale = old.imu.accScale;
    EXPECT_TRUE(corrected == old);

    // Back to the old vectors, the document prints exactly as the original: order, integers and all.
    Ordered restored = Ordered::parse(update.text);
    const Ordered original = Ordered::parse(before);
    restored["imu"]["acc_bias"] = original["imu"]["acc_bias"];
    restored["imu"]["acc_scale"] = original["imu"]["acc_scale"];
    EXPECT_EQ(restored.dump(), original.dump());
    EXPECT_EQ(Ordered::parse(update.text)["imu"]["acc_scale"][3], 7);

    // Only the values that differ are reported, in file order.
    ASSERT_EQ(update.changes.size(), 4u);
    const std::pair<const char*, int> changed[] = {{"acc_bias", 0}, {"acc_bias", 2}, {"acc_scale", 0}, {"acc_scale", 2}};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(update.changes[i].key, changed[i].first);
        EXPECT_EQ(update.changes[i].axis, changed[i].second);
    }
    EXPECT_EQ(update.changes[0].from, 1e-3);
    EXPECT_EQ(update.changes[0].to, 0.0123);
    EXPECT_EQ(update.changes[1].from, -2.0);
}

TEST(HeadsetFileUpdate, AFileWithoutTheVectorsIsNotRewritten) {
    for (const std::string& text : {std::string("[]"), std::string("{\"imu\": {\"acc_bias\": [0, 0]}}"),
                                    test::without("/imu/acc_scale").dump(), std::string("{} // note")}) {
        const AccCalibrationUpdate update = updateAccCalibration(text, {}, {});
        EXPECT_FALSE(update.ok) << text;
        EXPECT_FALSE(update.error.empty());
        EXPECT_TRUE(update.text.empty());
    }
}

TEST(CorrectedConfig, WritesTheSuggestionsAsTheFragmentShowsThemAndOnlyWhenMeasured) {
    const std::string before = test::minimalDocument().dump(2);
    EXPECT_FALSE(correctedConfig(before, {}).measured);
    Suggestions s;
    s.accBias = Axes3{0.012349, -0.00870001, 0.021053};
    s.accScale = Axes3{1.00214, 0.99836, 1.3};
    const CorrectedConfig corrected = correctedConfig(before, s);
    ASSERT_TRUE(corrected.ok) << corrected.error;
    HeadsetConfig config;
    ASSERT_TRUE(parseHeadsetConfig(corrected.text, config));
    EXPECT_EQ(config.imu.accBias, (ConfigVector{0.0123, -0.0087, 0.0211}));
    EXPECT_EQ(config.imu.accScale, (ConfigVector{1.0021, 0.9984, 1.3}));
    EXPECT_NE(corrected.report.find("  imu acc_bias x: 0.01 -> 0.0123\n"), std::string::npos) << corrected.report;
    EXPECT_EQ(corrected.report.find("acc_scale z"), std::string::npos) << corrected.report;  // 1.3 already
}

}  // namespace
}  // namespace vesko
