// The scenario's reports, paced one per period while the stream is not silent.
#include "report_stream.h"

namespace vesko::bed {

namespace {

// Three samples per report period, so the sample clock matches the wall clock.
constexpr std::uint32_t kTicksPerSample = static_cast<std::uint32_t>(
    kImuTicksPerSecond / 1000 * kReportPeriod.count() / kImuSamplesPerReport);
// How soon to look again while the reader has not taken the last report.
constexpr std::chrono::milliseconds kRetryNap{1};

}  // namespace

ImuReportBytes scenarioReport(const Scenario& scenario, std::uint64_t first) {
    std::array<ImuSample, kImuSamplesPerReport> samples{};
    for (std::size_t k = 0; k < samples.size(); ++k) {
        const std::uint64_t index = first + k;
        samples[k].acc = scenario.acc;
        samples[k].gyro = scenario.gyro;
        samples[k].timestamp = static_cast<std::uint32_t>(index * kTicksPerSample);  // wraps like the device's
        samples[k].seq = static_cast<std::uint8_t>(index);
    }
    return encodeImuReport(samples);
}

ReportStream::ReportStream(MockUnit& unit, Scenario scenario)
    : unit_(unit), scenario_(scenario), thread_([this] { run(); }) {}

ReportStream::~ReportStream() {
    quit_.store(true);
    thread_.join();
}

void ReportStream::run() {
    const auto start = std::chrono::steady_clock::now();
    auto next = start;
    while (!quit_.load()) {
        std::this_thread::sleep_until(next);
        const auto now = std::chrono::steady_clock::now();
        // Each report carries the samples of the period it is sent in, so the
        // sample clock keeps to the wall clock when a write has to wait.
        const auto periods = static_cast<std::uint64_t>((now - start) / kReportPeriod);
        const bool sent = !silent_.load() && unit_.offer(scenarioReport(scenario_, periods * kImuSamplesPerReport));
        next = now + (sent ? kReportPeriod : kRetryNap);
    }
}

}  // namespace vesko::bed
