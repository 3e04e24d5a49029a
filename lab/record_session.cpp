// The record command's steps: the output file opened, the stream wired to the queue, the progress loop, the end.
#include "record_session.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <limits>
#include <thread>

#include "console_keys.h"
#include "headset_config.h"
#include "lab_command.h"
#include "lab_console.h"
#include "loop_state.h"
#include "record_texts.h"
#include "same_file.h"
#include "status_line.h"
#include "stream_capture.h"
#include "tundra_imu.h"

namespace vesko {

namespace {

constexpr std::chrono::milliseconds kProgressPeriod{200};
constexpr std::size_t kRateWindowTicks = 5;  // one second of progress ticks

// The progress figures now, with the rate over the ticks of the last second.
RecordProgress progressNow(const TundraImu& imu, const StreamCapture& capture, const RecordOptions& options,
                           double elapsed, std::deque<std::pair<double, std::uint64_t>>& history) {
    const ImuStreamStats stats = imu.stats();
    history.emplace_back(elapsed, stats.samples);
    if (history.size() > kRateWindowTicks + 1) history.pop_front();
    RecordProgress p;
    p.elapsedSeconds = elapsed;
    p.durationSeconds = options.durationSeconds;
    p.samples = stats.samples;
    const double span = history.back().first - history.front().first;
    if (span > 0) p.rateHz = static_cast<double>(history.back().second - history.front().second) / span;
    p.gaps = stats.gaps;
    p.timeouts = stats.timeouts;
    p.fileBytes = capture.bytesWritten();
    return p;
}

bool quitKey(ConsoleKeys& keys) {
    for (int code = keys.poll(); code >= 0; code = keys.poll()) {
        if (keyAction(code) == KeyAction::quit) return true;
    }
    return false;
}

// Shows progress until the duration, q, a stop signal or a write error.
void recordUntilDone(const TundraImu& imu, const StreamCapture& capture, const RecordOptions& options,
                     ConsoleKeys& keys, const StopSignals& stops) {
    std::deque<std::pair<double, std::uint64_t>> history;
    const std::int64_t endMicros = options.durationSeconds ? *options.durationSeconds * 1'000'000
                                                           : std::numeric_limits<std::int64_t>::max();
    for (;;) {
        const std::int64_t untilEnd = endMicros - capture.elapsedMicros();
        std::this_thread::sleep_for(std::min<std::chrono::microseconds>(
            kProgressPeriod, std::chrono::microseconds(std::max<std::int64_t>(untilEnd, 0))));
        const std::int64_t now = capture.elapsedMicros();
        const bool done = now >= endMicros || quitKey(keys) || stops.requested() || capture.failed();
        const double elapsed = static_cast<double>(std::min(now, endMicros)) / 1e6;
        // Once standard output fails (its reader has gone) the progress stops; the recording goes on.
        if (!std::ferror(stdout)) {
            std::fputs(progressLine(progressNow(imu, capture, options, elapsed, history)).c_str(), stdout);
            std::fflush(stdout);
        }
        if (done) return;
    }
}

// Reserves the output before any device, so that a bad path costs nothing.
int openOutput(const RecordOptions& options, StreamCapture& capture) {
    if (!options.configPath.empty() && namesSameFile(options.outPath, options.configPath)) {
        std::fprintf(stderr, "record: --out %s is the --config file: refusing to write over an input\n",
                     options.outPath.c_str());
        return kLabExitUsage;
    }
    const OutputFile::Opened opened = capture.open(options.outPath, options.force);
    if (opened == OutputFile::Opened::ok) return kLabExitOk;
    std::fprintf(stderr, "record: %s\n", capture.error().c_str());
    return opened == OutputFile::Opened::failed ? kLabExitFailure : kLabExitUsage;
}

// Nothing was recorded: leave no file behind, and an old one as it was.
int abandon(StreamCapture& capture) {
    capture.abandon();
    return kLabExitFailure;
}

// Writes the summary after the last row and puts the file in place.
int finishCapture(StreamCapture& capture, CaptureSummary& summary, const std::string& path) {
    if (!capture.finish(summary)) {
        std::fprintf(stderr, "\nrecord: %s; the rows up to the failure are kept\n", capture.error().c_str());
        return kLabExitFailure;
    }
    std::fputs(recordEndText(path, summary, capture.bytesWritten()).c_str(), stdout);
    return kLabExitOk;
}

bool writeHeader(StreamCapture& capture, const TundraImu& imu, const RecordOptions& options,
                 const HeadsetConfig& config) {
    const std::string unit = imu.attachedSerial();
    if (!options.configPath.empty() && unit != config.deviceSerialNumber) {
        std::fputs(serialWarning(config.deviceSerialNumber, unit).c_str(), stdout);
    }
    const CaptureMetadata metadata =
        recordMetadata(utcNowText(), unit, options.configPath.empty() ? "" : config.deviceSerialNumber,
                       options.configPath);
    if (capture.start(metadata)) return true;
    std::fprintf(stderr, "record: %s\n", capture.error().c_str());
    return false;
}

bool loadConfigIfGiven(const RecordOptions& options, HeadsetConfig& config) {
    if (options.configPath.empty()) return true;
    std::string error;
    if (loadHeadsetConfig(options.configPath, config, &error)) return true;
    std::fprintf(stderr, "%s\n", error.c_str());
    return false;
}

}  // namespace

int runRecord(const RecordOptions& options) {
    StreamCapture capture;
    if (const int status = openOutput(options, capture); status != kLabExitOk) return status;
    HeadsetConfig config;
    if (!loadConfigIfGiven(options, config)) return abandon(capture);

    // Keys typed and stop requests made while the unit is being found count.
    ConsoleKeys keys;
    StopSignals stops;
    TundraImu imu;
    capture.wire(imu);
    if (!imu.open(options.imuSerial)) return abandon(capture);
    if (!writeHeader(capture, imu, options, config)) return abandon(capture);

    std::printf("recording to %s \u2014 q or Ctrl-C ends it\n", options.outPath.c_str());
    recordUntilDone(imu, capture, options, keys, stops);
    imu.stop();

    CaptureSummary summary;
    summary.durationMicros = capture.elapsedMicros();
    summary.stream = imu.stats();
    const int status = finishCapture(capture, summary, options.outPath);
    std::fflush(stdout);
    stops.finished();
    return status;
}

}  // namespace vesko
