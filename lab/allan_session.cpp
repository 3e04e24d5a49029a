// The allan command's steps: the capture's samples read with progress, the axes scaled, analysed, written out.
#include "allan_session.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <numbers>
#include <vector>

#include "allan_files.h"
#include "allan_picture.h"
#include "allan_report.h"
#include "attitude_filter.h"
#include "capture_reader.h"
#include "headset_config.h"
#include "lab_command.h"
#include "lab_console.h"
#include "read_progress.h"
#include "standard_output.h"

namespace vesko {

namespace {

bool readSamples(const std::string& path, SampleColumns& samples, ReadProgressLine& progress) {
    CaptureHandlers handlers;
    handlers.onRow = [&samples](const CaptureRow& row) { samples.append(row.sample); };
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

}  // namespace

int runAllan(const AllanOptions& options) try {
    if (const int refused = refuseOutputsOverInputs(options); refused >= 0) return refused;
    AllanOutputs outputs;
    if (const int status = reserveOutputs(options, outputs); status >= 0) return status;
    AxisScales scales{};
    if (!axisScales(options, scales)) return kLabExitFailure;
    SampleColumns samples;
    ReadProgressLine progress("allan", readProgressWanted(isTerminal(stderr), isTerminal(stdout), false));
    if (!readSamples(options.capturePath, samples, progress)) return kLabExitFailure;
    if (samples.size() == 0) {
        std::fprintf(stderr, "allan: %s has no samples\n", options.capturePath.c_str());
        return kLabExitFailure;
    }
    if (options.taus == TauGrid::all) {
        const std::size_t run = samples.longestUniformRun().length;
        if (run > kAllTausMostSamples) {
            std::fprintf(stderr,
                         "allan: --taus all takes at most %zu samples, and the longest run without a gap in %s has "
                         "%zu: use --taus octave or decade\n",
                         kAllTausMostSamples, options.capturePath.c_str(), run);
            return kLabExitUsage;
        }
    }
    progress.replaceLine("analysing " + std::to_string(samples.size()) + " samples");
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
    if (outputs.json.isOpen()) ok = write(outputs.json, allanJson(analysis, options.capturePath)) && ok;
    if (outputs.svg.isOpen()) ok = write(outputs.svg, allanPicture(analysis)) && ok;
    ok = writeAllanFiles(options, analysis, outputs) && ok;
    ok = standardOutputWritten("allan") && ok;  // the table
    return ok ? kLabExitOk : kLabExitFailure;
} catch (const std::bad_alloc&) {
    std::fprintf(stderr, "allan: %s is too large to analyse in this machine's memory\n", options.capturePath.c_str());
    return kLabExitFailure;
}

}  // namespace vesko
