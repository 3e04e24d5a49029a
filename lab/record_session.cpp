// The record command's steps: the output file opened, the stream wired to the queue, the progress loop, the end.
#include "record_session.h"

#include <chrono>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <thread>

#include "capture_output.h"
#include "capture_recorder.h"
#include "capture_text.h"
#include "console_keys.h"
#include "headset_config.h"
#include "lab_command.h"
#include "lab_console.h"
#include "loop_state.h"
#include "record_texts.h"
#include "status_line.h"
#include "tundra_imu.h"

namespace vesko {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kQueueRows = 16384;  // 16 s at 1000 samples/s; at least 2 s asked
constexpr std::chrono::milliseconds kProgressPeriod{200};
constexpr std::size_t kRateWindowTicks = 5;  // one second of progress ticks

std::int64_t microsSince(Clock::time_point start, Clock::time_point now) {
    return std::chrono::duration_cast<std::chrono::microseconds>(now - start).count();
}

// The stream's samples and events, each stamped with host time, into the queue.
void wireStream(TundraImu& imu, RecordQueue& queue, SequenceWatch& watch, Clock::time_point start) {
    imu.setSampleCallback([&queue, &watch, start](const ImuSample& sample) {
        const std::int64_t micros = microsSince(start, Clock::now());
        std::string gap = watch.check(sample.seq);
        if (!gap.empty()) queue.pushEvent({micros, std::move(gap)});
        queue.pushRow({micros, sample});
    });
    imu.setStreamEventCallback([&queue, &watch, start](ImuStreamEvent event, const std::string& detail) {
        if (event == ImuStreamEvent::reconnected) watch.haveLast = false;
        queue.pushEvent({microsSince(start, Clock::now()), streamEventText(event, detail)});
    });
}

// The progress figures now, with the rate over the ticks of the last second.
RecordProgress progressNow(const TundraImu& imu, const CaptureRecorder& recorder, const RecordOptions& options,
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
    p.fileBytes = recorder.bytesWritten();
    return p;
}

bool quitKey(ConsoleKeys& keys) {
    for (int code = keys.poll(); code >= 0; code = keys.poll()) {
        if (keyAction(code) == KeyAction::quit) return true;
    }
    return false;
}

// Shows progress until the duration, q, a stop signal or a write error.
void recordUntilDone(const TundraImu& imu, const CaptureRecorder& recorder, const RecordOptions& options,
                     Clock::time_point start, ConsoleKeys& keys, const StopSignals& stops) {
    std::deque<std::pair<double, std::uint64_t>> history;
    const Clock::time_point end = options.durationSeconds
                                      ? start + std::chrono::seconds(*options.durationSeconds)
                                      : Clock::time_point::max();
    for (;;) {
        const Clock::time_point wake = std::min(Clock::now() + kProgressPeriod, end);
        std::this_thread::sleep_until(wake);
        const Clock::time_point now = Clock::now();
        const bool done = now >= end || quitKey(keys) || stops.requested() || recorder.failed();
        const double elapsed = static_cast<double>(microsSince(start, std::min(now, end))) / 1e6;
        // Once standard output fails (its reader has gone) the progress stops; the recording goes on.
        if (!std::ferror(stdout)) {
            std::fputs(progressLine(progressNow(imu, recorder, options, elapsed, history)).c_str(), stdout);
            std::fflush(stdout);
        }
        if (done) return;
    }
}

// Opens the output before any device, so that a bad path costs nothing.
int openOutput(const RecordOptions& options, CaptureOutput& file) {
    switch (file.open(options.outPath, options.force, isCompressedCaptureName(options.outPath))) {
        case CaptureFile::Opened::ok: return kLabExitOk;
        case CaptureFile::Opened::exists:
            std::fprintf(stderr, "record: %s\n", file.error().c_str());
            return kLabExitUsage;
        case CaptureFile::Opened::failed: break;
    }
    std::fprintf(stderr, "record: %s\n", file.error().c_str());
    return kLabExitFailure;
}

// Nothing was recorded: leave no empty file behind (but never remove a device such as /dev/full).
int abandon(CaptureOutput& file, const std::string& path) {
    file.close();
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec)) std::filesystem::remove(path, ec);
    return kLabExitFailure;
}

CaptureSink sinkFor(CaptureOutput& file) {
    return {[&file](std::string_view lines) { return file.write(lines); }, [&file] { return file.sync(); }};
}

// Writes the summary after the last row and closes the file.
int finishCapture(CaptureOutput& file, const CaptureRecorder& recorder, const CaptureSummary& summary,
                  const std::string& path) {
    const bool whole = !recorder.failed() && file.write(captureSummaryText(summary)) && file.sync();
    const std::uint64_t bytes = file.bytesWritten();
    if (!file.close() || !whole) {
        std::fprintf(stderr, "\nrecord: %s; the rows up to the failure are kept\n", file.error().c_str());
        return kLabExitFailure;
    }
    std::fputs(recordEndText(path, summary, bytes).c_str(), stdout);
    return kLabExitOk;
}

bool writeHeader(CaptureOutput& file, const TundraImu& imu, const RecordOptions& options,
                 const HeadsetConfig& config) {
    const std::string unit = imu.attachedSerial();
    if (!options.configPath.empty() && unit != config.deviceSerialNumber) {
        std::fputs(serialWarning(config.deviceSerialNumber, unit).c_str(), stdout);
    }
    const CaptureMetadata metadata =
        recordMetadata(utcNowText(), unit, options.configPath.empty() ? "" : config.deviceSerialNumber,
                       options.configPath);
    if (file.write(captureHeaderText(metadata)) && file.sync()) return true;
    std::fprintf(stderr, "record: %s\n", file.error().c_str());
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
    CaptureOutput file;
    if (const int status = openOutput(options, file); status != kLabExitOk) return status;
    HeadsetConfig config;
    if (!loadConfigIfGiven(options, config)) return abandon(file, options.outPath);

    // Keys typed and stop requests made while the unit is being found count.
    ConsoleKeys keys;
    StopSignals stops;
    RecordQueue queue(kQueueRows);
    SequenceWatch watch;
    TundraImu imu;
    const Clock::time_point start = Clock::now();
    wireStream(imu, queue, watch, start);
    if (!imu.open(options.imuSerial)) return abandon(file, options.outPath);
    if (!writeHeader(file, imu, options, config)) return abandon(file, options.outPath);

    CaptureRecorder recorder(queue, sinkFor(file));
    if (!recorder.start()) return abandon(file, options.outPath);
    std::printf("recording to %s \u2014 q or Ctrl-C ends it\n", options.outPath.c_str());
    recordUntilDone(imu, recorder, options, start, keys, stops);
    imu.stop();
    recorder.finish();

    CaptureSummary summary;
    summary.durationMicros = microsSince(start, Clock::now());
    summary.stream = imu.stats();
    summary.dropped = queue.dropped();
    const int status = finishCapture(file, recorder, summary, options.outPath);
    std::fflush(stdout);
    stops.finished();
    return status;
}

}  // namespace vesko
