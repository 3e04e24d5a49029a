// The export's steps: options checked, capture rows to device-timed SI lines, written in large blocks.
#include "export_session.h"

#include <cstdio>
#include <limits>

#include "attitude_filter.h"
#include "capture_file.h"
#include "capture_reader.h"
#include "capture_text.h"
#include "device_timeline.h"
#include "lab_command.h"
#include "output_file.h"
#include "same_file.h"

namespace vesko {

namespace {

constexpr std::size_t kFlushBytes = std::size_t{1} << 20;
constexpr std::int64_t kNanosPerSecond = 1'000'000'000;
constexpr std::int64_t kNanosPerMicro = 1'000;

// seconds + micros as nanoseconds, or nothing past what 64 bits hold (the year 2262).
std::optional<std::int64_t> epochNanos(std::int64_t seconds, std::int64_t micros) {
    constexpr std::int64_t kMost = std::numeric_limits<std::int64_t>::max();
    if (seconds > kMost / kNanosPerSecond) return std::nullopt;
    const std::int64_t base = seconds * kNanosPerSecond;
    if (micros > (kMost - base) / kNanosPerMicro) return std::nullopt;
    return base + micros * kNanosPerMicro;
}

const char* formatName(ExportFormat format) { return format == ExportFormat::euroc ? "euroc" : "csv-si"; }

// Streams the capture's rows into the output (its NAME.part, reserved before
// the capture is read) as they are read; the output is put in place only when
// every row was written.
class ExportWriter {
public:
    ExportWriter(const ExportOptions& options, const ExportSettings& settings, OutputFile& output)
        : options(options), settings(settings), output(output), rows(settings) {}

    CaptureHandlers handlers() {
        CaptureHandlers h;
        h.onHeader = [this](const CaptureMetadata& m) { takeHeader(m); };
        h.onRow = [this](const CaptureRow& row) { takeRow(row); };
        h.onEvent = [this](const CaptureEvent& e) {
            if (takeComment(captureEventText(e))) ++events;
        };
        h.onSummary = [this](const CaptureSummary& s) { takeComment(captureSummaryText(s)); };
        return h;
    }

    // False when anything failed; the output is then removed and a file that
    // was there before stays as it was (only a device written directly keeps
    // what reached it).
    bool finish(bool captureOk) {
        if (opened) {
            bool ok = captureOk && !failed() && file.write(buffer) && file.close();
            if (!failed() && file.failed()) error = file.error();
            if (ok && !output.commit()) {
                ok = false;
                fail(output.error());
            }
            if (!ok) {
                file.close();
                incomplete = output.writePath() == options.outPath && output.isOpen();
                output.discard();
            }
            return ok;
        }
        output.discard();
        return captureOk && !failed();
    }

    bool failed() const { return !error.empty(); }
    bool leftIncomplete() const { return incomplete; }
    const std::string& errorText() const { return error; }
    std::uint64_t rowCount() const { return written; }
    std::uint64_t eventCount() const { return events; }

private:
    void fail(std::string what) {
        if (!failed()) error = std::move(what);
    }

    void takeHeader(const CaptureMetadata& m) {
        if (settings.format == ExportFormat::euroc || !m.startedUtc.empty()) {
            const auto seconds = epochSecondsOfUtc(m.startedUtc);
            if (seconds) startSeconds = seconds;
            else if (settings.format == ExportFormat::euroc) {
                return fail("capture " + options.capturePath +
                            (m.startedUtc.empty() ? " has no started_utc line" : " has a started_utc that is not a UTC time (" + m.startedUtc + ")") +
                            ": euroc timestamps count from it (csv-si needs none)");
            }
        }
        if (file.open(output.writePath(), true, options.outPath) != CaptureFile::Opened::ok) return fail(file.error());
        opened = true;
        buffer = exportPreamble(settings, m);
    }

    void takeRow(const CaptureRow& row) {
        if (!opened || failed()) return;
        if (!timeline) startTimeline(row.hostMicros);
        if (failed()) return;
        const std::optional<std::int64_t> ns = timeline->next(row.sample.timestamp, row.hostMicros);
        if (!ns) return fail("capture " + options.capturePath + " row " + std::to_string(written + 1) +
                             ": its time lies beyond what nanoseconds since 1970 hold in 64 bits");
        if (const std::uint64_t back = timeline->lastStepBack(); back > 0) {
            buffer += "# device clock went back " + std::to_string(back) + " ticks at this row: its time is held\n";
        }
        rows.append(buffer, row.sample, *ns, *ns - firstNs);
        ++written;
        flushIfFull();
    }

    void startTimeline(std::int64_t hostMicros) {
        std::optional<std::int64_t> epoch;
        if (startSeconds) epoch = epochNanos(*startSeconds, hostMicros);
        if (settings.format == ExportFormat::euroc && !epoch) {
            return fail("capture " + options.capturePath + ": its first sample lies beyond the year 2262");
        }
        if (settings.format == ExportFormat::csvSi && epoch) buffer += firstSampleComment(*epoch);
        firstNs = settings.format == ExportFormat::euroc ? *epoch : 0;
        timeline.emplace(firstNs);
    }

    bool takeComment(const std::string& line) {
        if (!opened || failed()) return false;
        buffer += line;
        flushIfFull();
        return true;
    }

    void flushIfFull() {
        if (buffer.size() < kFlushBytes) return;
        if (!file.write(buffer)) fail(file.error());
        buffer.clear();
    }

    const ExportOptions& options;
    const ExportSettings& settings;
    OutputFile& output;
    ExportRows rows;
    CaptureFile file;
    bool opened = false;
    bool incomplete = false;  // a failed run left part of the output on a device
    std::string buffer;
    std::string error;
    std::optional<std::int64_t> startSeconds;
    std::optional<DeviceTimeline> timeline;
    std::int64_t firstNs = 0;
    std::uint64_t written = 0;
    std::uint64_t events = 0;
};

// The options that do not go together, and the files it must not write over;
// the exit status on failure, or -1.
int checkOptions(const ExportOptions& options) {
    if (options.frame == ExportFrame::head && options.configPath.empty()) {
        std::fprintf(stderr, "export: --frame head needs --config (the IMU's mounting comes from it)\n");
        return kLabExitUsage;
    }
    const std::pair<const char*, const std::string*> inputs[] = {{"the capture", &options.capturePath},
                                                                 {"--config", &options.configPath}};
    for (const auto& [name, path] : inputs) {
        if (!path->empty() && namesSameFile(options.outPath, *path)) {
            std::fprintf(stderr, "export: the output %s is %s: refusing to write over an input\n",
                         options.outPath.c_str(), name);
            return kLabExitUsage;
        }
    }
    return -1;
}

}  // namespace

int runExport(const ExportOptions& options) {
    if (const int status = checkOptions(options); status >= 0) return status;
    OutputFile output;
    if (const OutputFile::Opened opened = output.open(options.outPath, true); opened != OutputFile::Opened::ok) {
        std::fprintf(stderr, "export: %s\n", output.error().c_str());
        return opened == OutputFile::Opened::failed ? kLabExitFailure : kLabExitUsage;
    }
    ExportSettings settings;
    settings.format = options.format;
    settings.frame = options.frame;
    settings.gyroScale = options.gyroScale.value_or(FilterParams{}.gyroScale);
    settings.accCountsPerG = FilterParams{}.accLsbPerG;
    settings.capturePath = options.capturePath;
    settings.configPath = options.configPath;
    if (!options.configPath.empty()) {
        HeadsetConfig config;
        std::string error;
        if (!loadHeadsetConfig(options.configPath, config, &error)) {
            std::fprintf(stderr, "export: %s\n", error.c_str());
            return kLabExitFailure;
        }
        settings.calibration = config.imu;
    }
    ExportWriter writer(options, settings, output);
    const CaptureReadOutcome outcome = readCaptureFile(options.capturePath, writer.handlers());
    if (!outcome.warning.empty()) std::fprintf(stderr, "export: %s\n", outcome.warning.c_str());
    if (!writer.finish(outcome.ok)) {
        const std::string& why = writer.failed() || outcome.ok ? writer.errorText() : outcome.error;
        std::fprintf(stderr, "export: %s; %s\n", why.c_str(),
                     writer.leftIncomplete() ? (options.outPath + " is incomplete").c_str() : "nothing written");
        return kLabExitFailure;
    }
    std::printf("export: %llu rows and %llu events to %s (%s, %s frame)\n",
                static_cast<unsigned long long>(writer.rowCount()), static_cast<unsigned long long>(writer.eventCount()),
                options.outPath.c_str(), formatName(options.format), options.frame == ExportFrame::head ? "head" : "imu");
    return kLabExitOk;
}

}  // namespace vesko
