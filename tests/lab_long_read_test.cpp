// replay and allan on a capture and on its gzip-compressed copy, run as a user would: the same bytes out.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app_process.h"
#include "gzip_text.h"
#include "sim_capture.h"

namespace vesko::testing {
namespace {

namespace fs = std::filesystem;

fs::path scratch(const std::string& name) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return fs::temp_directory_path() / (std::string("headvane-long-read-") + info->name() + "-" + name);
}

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The report without the capture's own name, which differs by design.
nlohmann::json reportOf(const fs::path& json) {
    nlohmann::json doc = nlohmann::json::parse(slurp(json));
    doc.erase("capture");
    return doc;
}

TEST(LabLongRead, ReplayAndAllanSayTheSameForACaptureAndItsGzip) {
    const fs::path plain = scratch("capture.csv");
    const fs::path gz = scratch("capture.csv.gz");
    test::writeSimCapture(plain, 70.0);  // 3 MB: many read chunks
    std::ofstream(gz, std::ios::binary) << test::gzipMember(slurp(plain)).bytes;
    const std::string example = hostPath(HEADVANE_SOURCE_DIR "/examples/headset.json");

    const Finished replayPlain = runToEnd(LAB_SIM_EXE, {"replay", hostPath(plain.string()), "--config", example});
    const Finished replayGz = runToEnd(LAB_SIM_EXE, {"replay", hostPath(gz.string()), "--config", example});
    ASSERT_EQ(replayPlain.exitStatus, 0) << replayPlain.err;
    EXPECT_GT(countOf(replayPlain.out, "\n"), 300u);
    EXPECT_EQ(replayGz.exitStatus, 0);
    EXPECT_EQ(replayGz.out, replayPlain.out);
    EXPECT_EQ(replayGz.err, replayPlain.err);

    const fs::path jsonPlain = scratch("plain.json"), jsonGz = scratch("gz.json");
    const Finished allanPlain =
        runToEnd(LAB_SIM_EXE, {"allan", hostPath(plain.string()), "--json", hostPath(jsonPlain.string())});
    const Finished allanGz = runToEnd(LAB_SIM_EXE, {"allan", hostPath(gz.string()), "--json", hostPath(jsonGz.string())});
    ASSERT_EQ(allanPlain.exitStatus, 0) << allanPlain.err;
    EXPECT_EQ(allanGz.exitStatus, 0);
    EXPECT_EQ(allanGz.out, allanPlain.out);
    EXPECT_EQ(allanGz.err, allanPlain.err);
    EXPECT_EQ(reportOf(jsonGz), reportOf(jsonPlain));
    for (const fs::path& p : {plain, gz, jsonPlain, jsonGz}) fs::remove(p);
}

}  // namespace
}  // namespace vesko::testing
