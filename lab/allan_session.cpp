// headvane-lab allan from start to exit: configuration, capture, analysis, table, files.
#include "allan_session.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <filesystem>
#include <numbers>
#include <vector>

#include "allan_picture.h"
#include "allan_report.h"
#include "attitude_filter.h"
#include "capture_reader.h"
#include "headset_config.h"
#include "lab_command.h"
#include "lab_console.h"
#include "output_file.h"
#include "read_progress.h"
#include "same_file.h"

namespace vesko {

namespace {

// Rows are some 40 bytes; reserving for 24 leaves room without copying the
// samples of a four-hour capture while the vector grows (untouched reserve
// costs no memory). A file of other lines must not make it reserve gigabytes.
constexpr std::uintmax_t kMinimumRowBytes = 24;
constexpr std::uintmax_t kMostReserved = std::uintmax_t{1} << 25;  // samples: over nine hours

bool readSamples(const std::string& path, std::vector<ImuSample>& samples, ReadProgressLine& progress) {
    std::error_code ec;
    const std::uintmax_t bytes = std::filesystem::file_size(path, ec);
    if (!ec) samples.reserve(static_cast<std::size_t>(std::min(bytes / kMinimumRowBytes, kMostReserved)));
    CaptureHandlers handlers;
    handlers.onRow = [&samples](const CaptureRow& row) { samples.push_back(row.sample); };
    const CaptureReadOutcome outcome = readCaptureFile(path, std::move(handlers), progress.handler());
    progress.end();
    if (!outcome.ok) {
        std::fprintf(stderr, "allan: %s\n", outcome.error.c_str());
        return false;
    }
    if (!outcome.warning.empty()) std::fprintf(stderr, "allan: %s\n", outcome.warning.c_str());
    return true;
}

bool axisScales(const AllanOptions& options, AxisScales& scales) {
    HeadsetConfig config;
    std::string error;
    if (!options.configPath.empty() && !loadHeadsetConfig(options.configPath, config, &error)) {
        std::fprintf(stderr, "allan: %s\n", error.c_str());
        return false;
    }
    const double gyro = options.gyroScale.value_or(FilterParams{}.gyroScale) * 180.0 / std::numbers::pi;
    for (std::size_t i = 0; i < 3; ++i) {
        scales[i] = gyro;
        scales[i + 3] = config.imu.accScale[i] / FilterParams{}.accLsbPerG;  // all 1 without --config
    }
    return true;
}

// Each file asked for, reserved before the capture is read; the exit status on failure, or -1.
int reserveOutputs(const AllanOptions& options, OutputFile& json, OutputFile& svg) {
    if (outputsOverlap("allan", {{"--json", options.jsonPath}, {"--svg", options.svgPath}},
                       {{"capture", options.capturePath}, {"--config", options.configPath}})) {
        return kLabExitUsage;
    }
    for (const auto& [out, path] : {std::pair{&json, &options.jsonPath}, std::pair{&svg, &options.svgPath}}) {
        if (path->empty()) continue;
        const OutputFile::Opened opened = out->open(*path, true);
        if (opened == OutputFile::Opened::ok) continue;
        std::fprintf(stderr, "allan: %s\n", out->error().c_str());
        return opened == OutputFile::Opened::failed ? kLabExitFailure : kLabExitUsage;
    }
    return -1;
}

}  // namespace

int runAllan(const AllanOptions& options) try {
    OutputFile json;
    OutputFile svg;
    if (const int status = reserveOutputs(options, json, svg); status >= 0) return status;
    AxisScales scales{};
    if (!axisScales(options, scales)) return kLabExitFailure;
    std::vector<ImuSample> samples;
    ReadProgressLine progress("allan", readProgressWanted(isTerminal(stderr), isTerminal(stdout), false));
    if (!readSamples(options.capturePath, samples, progress)) return kLabExitFailure;
    if (samples.empty()) {
        std::fprintf(stderr, "allan: %s has no samples\n", options.capturePath.c_str());
        return kLabExitFailure;
    }
    if (options.taus == TauGrid::all) {
        const std::size_t run = longestUniformRun(samples).length;
        if (run > kAllTausMostSamples) {
            std::fprintf(stderr,
                         "allan: --taus all takes at most %zu samples, and the longest run without a gap in %s has "
                         "%zu: use --taus octave or decade\n",
                         kAllTausMostSamples, options.capturePath.c_str(), run);
            return kLabExitUsage;
        }
    }
    progress.note("analysing " + std::to_string(samples.size()) + " samples");
    const NoiseAnalysis analysis = analyseNoise(samples, scales, {options.taus, options.confidence});
    progress.end();
    if (analysis.run.length < kAllanMinimumSamples) {
        std::fprintf(stderr, "allan: %s is too short: the longest run without a gap has %zu samples (at least %zu needed)\n",
                     options.capturePath.c_str(), analysis.run.length, kAllanMinimumSamples);
        return kLabExitFailure;
    }
    if (analysis.run.periodTicks == 0) {
        std::fprintf(stderr, "allan: %s: the device clock does not advance between samples\n",
                     options.capturePath.c_str());
        return kLabExitFailure;
    }
    std::fputs(allanTable(analysis).c_str(), stdout);
    bool ok = true;
    const auto write = [](OutputFile& out, const std::string& text) {
        if (out.writeWhole(text)) return true;
        std::fprintf(stderr, "allan: cannot write %s\n", out.path().c_str());
        if (!out.error().empty()) std::fprintf(stderr, "allan: %s\n", out.error().c_str());
        return false;
    };
    if (json.isOpen()) ok = write(json, allanJson(analysis, options.capturePath)) && ok;
    if (svg.isOpen()) ok = write(svg, allanPicture(analysis)) && ok;
    return ok ? kLabExitOk : kLabExitFailure;
} catch (const std::bad_alloc&) {
    std::fprintf(stderr, "allan: %s is too large to analyse in this machine's memory\n", options.capturePath.c_str());
    return kLabExitFailure;
}

}  // namespace vesko
