// The text of each stream event, of the metadata, of the progress line and of the end line.
#include "record_texts.h"

#include <array>
#include <cmath>
#include <ctime>

#include "attitude_filter.h"
#include "duration.h"
#include "printf_string.h"

namespace vesko {

namespace {

constexpr double kBytesPerMegabyte = 1024.0 * 1024.0;

}  // namespace

std::string streamEventText(ImuStreamEvent event, const std::string& detail) {
    switch (event) {
        case ImuStreamEvent::reconnected: return "reconnected " + detail;
        case ImuStreamEvent::silent: return "silent " + detail + " s, unit counted as gone";
        case ImuStreamEvent::readFailure: return "read failure: " + detail + ", unit counted as gone";
    }
    return detail;
}

std::string SequenceWatch::check(std::uint8_t seq) {
    const bool had = haveLast;
    const std::uint8_t last = lastSeq;
    haveLast = true;
    lastSeq = seq;
    const auto missing = static_cast<std::uint8_t>(seq - last - 1);
    if (!had || missing == 0) return {};
    return printfString("gap: %u samples missing (seq %u to %u)", static_cast<unsigned>(missing),
                        static_cast<unsigned>(last), static_cast<unsigned>(seq));
}

CaptureMetadata recordMetadata(const std::string& startedUtc, const std::string& unitSerial,
                               const std::string& configSerial, const std::string& configPath) {
    const FilterParams defaults;
    CaptureMetadata m;
    m.formatVersion = kCaptureFormatVersion;
    m.tool = std::string("headvane-lab ") + HEADVANE_VERSION;
    m.startedUtc = startedUtc;
    m.unitSerial = unitSerial;
    m.configSerial = configSerial;
    m.configPath = configPath;
    m.gyroScale = printfString("%.17g", defaults.gyroScale);
    m.accCountsPerG = printfString("%.17g", defaults.accLsbPerG);
    return m;
}

std::string utcNowText() {
    const std::time_t now = std::time(nullptr);
    const std::tm* utc = std::gmtime(&now);  // only the main thread asks
    std::array<char, 32> text{};
    if (utc == nullptr || std::strftime(text.data(), text.size(), "%Y-%m-%dT%H:%M:%SZ", utc) == 0) return {};
    return text.data();
}

std::string progressLine(const RecordProgress& p) {
    const auto elapsed = static_cast<std::int64_t>(p.elapsedSeconds);
    const std::string until = p.durationSeconds ? clockText(*p.durationSeconds) : std::string("until q");
    return printfString("\rrec %s / %s | %llu samples | %4.0f Hz | gaps %llu | timeouts %llu | %.1f MB   ",
                        clockText(elapsed).c_str(), until.c_str(), static_cast<unsigned long long>(p.samples),
                        std::round(p.rateHz), static_cast<unsigned long long>(p.gaps),
                        static_cast<unsigned long long>(p.timeouts),
                        static_cast<double>(p.fileBytes) / kBytesPerMegabyte);
}

std::string recordEndText(const std::string& path, const CaptureSummary& s, std::uint64_t fileBytes) {
    return printfString(
        "\nrecorded %.3f s to %s (%.1f MB): %llu samples, %llu reports, %llu gaps, %llu timeouts, "
        "%llu other reports, %llu dropped\n",
        static_cast<double>(s.durationMicros) / 1e6, path.c_str(), static_cast<double>(fileBytes) / kBytesPerMegabyte,
        static_cast<unsigned long long>(s.stream.samples), static_cast<unsigned long long>(s.stream.reports),
        static_cast<unsigned long long>(s.stream.gaps), static_cast<unsigned long long>(s.stream.timeouts),
        static_cast<unsigned long long>(s.stream.otherReports), static_cast<unsigned long long>(s.dropped));
}

}  // namespace vesko
