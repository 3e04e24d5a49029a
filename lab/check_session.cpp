// The check's main loop: samples from the reader, keys, operator requests and progress, then the report files.
#include "check_session.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "attitude_filter.h"
#include "bench_limits.h"
#include "bench_operator.h"
#include "check_files.h"
#include "check_procedure.h"
#include "check_report.h"
#include "check_verdict.h"
#include "console_keys.h"
#include "headset_config.h"
#include "lab_command.h"
#include "lab_console.h"
#include "loop_state.h"
#include "output_file.h"
#include "printf_string.h"
#include "same_file.h"
#include "stream_capture.h"
#include "tundra_imu.h"

namespace vesko {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kLoopPeriod{20};
constexpr std::chrono::milliseconds kProgressPeriod{200};
constexpr std::size_t kProgressWidth = 79;

// Samples from the reader thread to the main thread.
struct ReaderSamples {
    std::mutex lock;
    std::vector<ImuSample> samples;
};

// One line shown in place; cleared before any other text is printed.
class ProgressLine {
public:
    void show(std::string text) {
        if (text.size() < kProgressWidth) text.resize(kProgressWidth, ' ');
        std::printf("\r%s", text.c_str());
        std::fflush(stdout);
        shown = true;
    }
    void clear() {
        if (!shown) return;
        std::printf("\r%s\r", std::string(kProgressWidth, ' ').c_str());
        shown = false;
    }

private:
    bool shown = false;
};

std::string utcNow() {
    const std::time_t now = std::time(nullptr);
    char text[32] = "";
    if (const std::tm* utc = std::gmtime(&now)) std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", utc);
    return text;
}

CheckSettings settingsFor(const CheckOptions& options, const HeadsetConfig& config) {
    CheckSettings s;
    s.calibration = config.imu;
    s.gyroScale = options.gyroScale.value_or(FilterParams{}.gyroScale);
    s.restSeconds = options.restSeconds;
    s.stillSeconds = options.stillSeconds;
    s.turnDegrees = options.turnDegrees;
    return s;
}

void showProcedureOutput(CheckProcedure& procedure, BenchOperator& person, ProgressLine& line) {
    for (const ProcedureOutput& out : procedure.takeOutput()) {
        line.clear();
        if (out.isRequest) person.ask(out.request, out.text);
        else std::printf("%s\n", out.text.c_str());
    }
    std::fflush(stdout);
}

void handleKeys(ConsoleKeys& keys, CheckProcedure& procedure) {
    for (int code = keys.poll(); code >= 0 && !procedure.finished(); code = keys.poll()) {
        if (code == ' ' || code == '\r' || code == '\n') procedure.skipWait();
        else if (code == 's' || code == 'S') procedure.skipStep();
        else if (code == 'q' || code == 'Q') procedure.abort();
    }
}

struct Session {
    CheckProcedure& procedure;
    BenchOperator& person;
    ConsoleKeys& keys;
    const StopSignals& stops;
    ReaderSamples& readerSamples;
};

void runProcedure(Session& s, const std::string& configuredSerial, const TundraImu& imu) {
    ProgressLine line;
    LoopState serialState;
    Clock::time_point nextProgress = Clock::now();
    std::vector<ImuSample> samples;
    s.procedure.start();
    while (!s.procedure.finished()) {
        showProcedureOutput(s.procedure, s.person, line);
        std::this_thread::sleep_for(kLoopPeriod);
        const std::string warning = compareUnitOnce(serialState, configuredSerial, imu.attachedSerial());
        if (!warning.empty()) {
            line.clear();
            std::fputs(warning.c_str(), stdout);
        }
        handleKeys(s.keys, s.procedure);
        if (s.stops.requested()) s.procedure.abort();  // Ctrl-C and the like: as q, with the capture complete
        {
            std::lock_guard<std::mutex> guard(s.readerSamples.lock);
            samples.swap(s.readerSamples.samples);
        }
        for (const ImuSample& sample : samples) s.procedure.feed(sample);
        samples.clear();
        if (Clock::now() >= nextProgress && !s.procedure.finished()) {
            line.show(s.procedure.progress());
            nextProgress = Clock::now() + kProgressPeriod;
        }
    }
    showProcedureOutput(s.procedure, s.person, line);
    line.clear();
}

bool writeReport(OutputFile& out, const std::string& text) {
    if (out.writeWhole(text)) return true;
    std::fprintf(stderr, "report %s: cannot write\n", out.path().c_str());
    if (!out.error().empty()) std::fprintf(stderr, "check: %s\n", out.error().c_str());
    return false;
}

int concludeCheck(const CheckProcedure& procedure, const CheckSettings& settings, const BenchLimits& limits,
                  const CheckOptions& options, const ReportContext& context, CheckFiles& files) {
    const CheckVerdict verdict = judgeCheck(procedure.results(), settings, limits);
    std::printf("\n%s", verdictTable(verdict).c_str());
    const std::string suggestions = suggestionText(verdict);
    if (!suggestions.empty()) std::printf("\n%s", suggestions.c_str());
    std::fflush(stdout);
    if (!options.jsonPath.empty() && !writeReport(files.json, checkReportJson(verdict, limits, context))) {
        return kLabExitFailure;
    }
    if (!writeCheckFiles(files, {verdict, procedure.results(), settings, limits, context})) return kLabExitFailure;
    return verdict.exitStatus;
}

CaptureMetadata captureMetadata(const ReportContext& context, const CheckSettings& settings) {
    CaptureMetadata m;
    m.formatVersion = kCaptureFormatVersion;
    m.tool = "headvane-lab " + context.toolVersion;
    m.startedUtc = context.timeUtc;
    m.unitSerial = context.unitSerial;
    m.configSerial = context.configSerial;
    m.configPath = context.configPath;
    m.gyroScale = printfString("%.17g", settings.gyroScale);
    m.accCountsPerG = printfString("%.17g", kImuAccCountsPerG);
    return m;
}

// A report that could not be written at the end would waste the whole check.
bool reportFolderExists(const std::string& path) {
    std::error_code ignored;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (folder.empty() || std::filesystem::is_directory(folder, ignored)) return true;
    std::fprintf(stderr, "report %s: no folder %s\n", path.c_str(), folder.string().c_str());
    return false;
}

// Limits, configuration and every output, before any device is opened; the
// exit status on failure, or -1.
int prepare(const CheckOptions& options, BenchLimits& limits, HeadsetConfig& config, StreamCapture& capture,
            CheckFiles& files) {
    if (const int status = refuseCorrectedFileOverConfig(options); status >= 0) return status;
    if (outputsOverlap("check",
                       {{"--json", options.jsonPath}, {"--html", options.htmlPath},
                        {"--write-config", options.writeConfigPath}, {"--record", options.recordPath}},
                       {{"--config", options.configPath}, {"--limits", options.limitsPath}})) {
        return kLabExitUsage;
    }
    std::string error;
    if (!options.limitsPath.empty() && !loadBenchLimits(options.limitsPath, limits, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return kLabExitUsage;
    }
    if (!loadHeadsetConfig(options.configPath, config, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return kLabExitFailure;
    }
    for (const std::string* path : {&options.jsonPath, &options.htmlPath, &options.writeConfigPath}) {
        if (!path->empty() && !reportFolderExists(*path)) return kLabExitFailure;
    }
    if (const int status = prepareCheckFiles(options, files); status >= 0) return status;
    if (!options.recordPath.empty()) {
        const OutputFile::Opened opened = capture.open(options.recordPath, options.force);
        if (opened != OutputFile::Opened::ok) {
            std::fprintf(stderr, "%s\n", capture.error().c_str());
            return opened == OutputFile::Opened::failed ? kLabExitFailure : kLabExitUsage;
        }
    }
    return -1;
}

}  // namespace

int runCheck(const CheckOptions& options) {
    BenchLimits limits;
    HeadsetConfig config;
    StreamCapture capture;
    CheckFiles files;
    // Whatever ends the check before its end leaves none of its outputs behind.
    if (const int status = prepare(options, limits, config, capture, files); status >= 0) return status;
    const CheckSettings settings = settingsFor(options, config);

    BenchOperator person;  // before the unit opens: the simulated one starts it lying still
    ConsoleKeys keys;
    StopSignals stops;
    ReaderSamples readerSamples;
    TundraImu imu;
    const auto toProcedure = [&readerSamples](const ImuSample& sample) {
        std::lock_guard<std::mutex> guard(readerSamples.lock);
        readerSamples.samples.push_back(sample);
    };
    if (capture.isOpen()) capture.wire(imu, toProcedure);
    else imu.setSampleCallback(toProcedure);
    if (!imu.open(options.imuSerial)) return kLabExitFailure;

    const ReportContext context{HEADVANE_VERSION, utcNow(), imu.attachedSerial(), config.deviceSerialNumber,
                                options.configPath, settings.gyroScale, settings.turnDegrees};
    if (capture.isOpen() && !capture.start(captureMetadata(context, settings))) {
        std::fprintf(stderr, "%s\n", capture.error().c_str());
        return kLabExitFailure;
    }
    CheckProcedure procedure(settings);
    Session session{procedure, person, keys, stops, readerSamples};
    runProcedure(session, config.deviceSerialNumber, imu);
    imu.stop();
    bool recorded = true;
    if (capture.isOpen()) {
        CaptureSummary summary;
        summary.durationMicros = capture.elapsedMicros();
        summary.stream = imu.stats();
        recorded = capture.finish(summary);
        if (!recorded) std::fprintf(stderr, "%s\n", capture.error().c_str());
    }
    stops.finished();
    if (procedure.aborted()) {
        std::printf("check aborted.\n");
        return kCheckExitAborted;
    }
    const int status = concludeCheck(procedure, settings, limits, options, context, files);
    return recorded ? status : kLabExitFailure;
}

}  // namespace vesko
