// The replay command's steps: configuration, the other-headset warning, the capture streamed through the run.
#include "replay_session.h"

#include <cstdio>

#include "attitude_filter.h"
#include "capture_reader.h"
#include "headset_config.h"
#include "lab_command.h"
#include "lab_console.h"
#include "output_file.h"
#include "printable_text.h"
#include "read_progress.h"
#include "replay_continuity.h"
#include "replay_run.h"
#include "same_file.h"
#include "standard_output.h"
#include "status_line.h"

namespace vesko {

namespace {

void writeToStdout(const std::string& text) {
    if (!text.empty()) std::fputs(text.c_str(), stdout);
}

// The recorded unit against the configured headset, as headvane warns live.
void warnIfOtherHeadset(const CaptureMetadata& metadata, const HeadsetConfig& config) {
    if (metadata.unitSerial.empty() || metadata.unitSerial == config.deviceSerialNumber) return;
    const std::string recorded = printableText(metadata.unitSerial);  // the file's bytes, shown on a terminal
    writeToStdout(asPlainLines(serialWarning(config.deviceSerialNumber, recorded).substr(1)));
}

}  // namespace

int runReplay(const ReplayOptions& options) {
    if (outputsOverlap("replay", {{"--svg", options.svgPath}},
                       {{"capture", options.capturePath}, {"--config", options.configPath}})) {
        return kLabExitUsage;
    }
    OutputFile svg;  // reserved before the work, so that a bad place shows now
    if (!options.svgPath.empty()) {
        if (const OutputFile::Opened opened = svg.open(options.svgPath, true); opened != OutputFile::Opened::ok) {
            std::fprintf(stderr, "replay: %s\n", svg.error().c_str());
            return opened == OutputFile::Opened::failed ? kLabExitFailure : kLabExitUsage;
        }
    }
    HeadsetConfig config;
    std::string loadError;
    if (!loadHeadsetConfig(options.configPath, config, &loadError)) {
        std::fprintf(stderr, "%s\n", loadError.c_str());
        return kLabExitFailure;
    }
    FilterParams params;
    if (options.gyroScale) params.gyroScale = *options.gyroScale;
    AttitudeFilter filter;
    filter.configure(config, params);
    ReplayRun run(filter, options.everySeconds);
    ReplayTrace trace;
    if (!options.svgPath.empty()) run.traceInto(&trace);

    // The same bytes on every platform: no "\r\n" from a text-mode stdout.
    useBinaryStandardOutput();
    writeToStdout(gyroScaleLine(params.gyroScale));
    CaptureHandlers handlers;
    handlers.onHeader = [&config](const CaptureMetadata& m) { warnIfOtherHeadset(m, config); };
    RowContinuity continuity;
    handlers.onRow = [&run, &continuity](const CaptureRow& row) {
        continuity.add(row.sample);
        writeToStdout(run.feed(row.sample));
    };
    // Status lines go to standard output as the replay goes.
    ReadProgressLine progress("replay", readProgressWanted(isTerminal(stderr), isTerminal(stdout), true));
    const CaptureReadOutcome outcome = readCaptureFile(options.capturePath, std::move(handlers), progress.handler());
    progress.end();
    std::fflush(stdout);
    if (!outcome.ok) {
        std::fprintf(stderr, "%s\n", outcome.error.c_str());
        return kLabExitFailure;
    }
    if (!outcome.warning.empty()) std::fprintf(stderr, "warning: %s\n", outcome.warning.c_str());
    for (const std::string& finding : continuity.findings()) {
        std::fprintf(stderr, "warning: capture %s: %s\n", options.capturePath.c_str(), finding.c_str());
    }
    writeToStdout(run.summary());
    const bool printed = standardOutputWritten("replay");  // the picture is still drawn when not
    if (svg.isOpen() && !svg.writeWhole(replayPicture(trace))) {
        std::fprintf(stderr, "cannot write %s\n", options.svgPath.c_str());
        if (!svg.error().empty()) std::fprintf(stderr, "replay: %s\n", svg.error().c_str());
        return kLabExitFailure;
    }
    return printed ? kLabExitOk : kLabExitFailure;
}

}  // namespace vesko
