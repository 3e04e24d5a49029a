// The export's comment lines, its column header and its rows.
#include "imu_export.h"

#include <array>
#include <charconv>

#include "allan_units.h"
#include "capture_text.h"
#include "printf_string.h"

namespace vesko {

namespace {

Vector3 toVector(const ConfigVector& v) noexcept { return {v[0], v[1], v[2]}; }

// head = M * imu, whose columns are the IMU's axes in head coordinates (as the filter mounts it).
Matrix3 imuToHead(const ImuCalibration& calibration) noexcept {
    const Vector3 plusX = toVector(calibration.plusX);
    const Vector3 plusZ = toVector(calibration.plusZ);
    const Vector3 plusY = cross(plusZ, plusX);
    Matrix3 m{};
    for (std::size_t i = 0; i < 3; ++i) m[i] = {plusX[i], plusY[i], plusZ[i]};
    return m;
}

// One `#` line; control characters in what the files said become '?'.
void appendComment(std::string& out, const std::string& text) {
    out += "# ";
    for (const char c : text) out += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? '?' : c;
    out += '\n';
}

// The shortest text that reads back as the same single-precision value: at
// most nine digits, fast to write, and 24 bits give a 16-bit count back exactly
// through any scale.
void appendValue(std::string& out, double value) {
    std::array<char, 32> text{};
    const auto single = static_cast<float>(value) + 0.0f;  // a zero turned by the mounting prints as 0, not -0
    const auto end = std::to_chars(text.data(), text.data() + text.size(), single).ptr;
    out += ',';
    out.append(text.data(), end);
}

std::string sourceLine(const ExportSettings& s, const CaptureMetadata& m) {
    std::string line = "source " + s.capturePath;
    if (!m.unitSerial.empty()) line += ", unit " + m.unitSerial;
    if (!m.startedUtc.empty()) line += ", started_utc " + m.startedUtc;
    return line;
}

std::string timeLine(const ExportSettings& s) {
    const std::string device = "the device clock (48 MHz, unwrapped across its 32-bit wraps) since the first sample";
    if (s.format == ExportFormat::euroc) {
        return "time: nanoseconds since 1970 = started_utc + the first sample's t_host_s + " + device;
    }
    return "time: t_s = " + device + ", in seconds";
}

std::string accLine(const ExportSettings& s) {
    if (!s.calibration) {
        return printfString("acc: raw / %g g x %g m/s^2 per g (no configuration: no calibration applied)",
                            s.accCountsPerG, kStandardGravity);
    }
    return printfString("acc: (raw / %g x acc_scale - acc_bias) g x %g m/s^2 per g, with acc_scale and acc_bias of ",
                        s.accCountsPerG, kStandardGravity) + s.configPath;
}

std::string frameLine(const ExportSettings& s) {
    if (s.frame == ExportFrame::imu) return "frame: imu (the IMU's own axes)";
    return "frame: head (+X right, +Y up, +Z back), through imu plus_x and plus_z of " + s.configPath;
}

}  // namespace

std::string exportPreamble(const ExportSettings& s, const CaptureMetadata& m) {
    std::string comments;
    appendComment(comments, sourceLine(s, m));
    appendComment(comments, timeLine(s));
    appendComment(comments, printfString("gyro: raw x %.17g rad/s per count (no bias removed)", s.gyroScale));
    appendComment(comments, accLine(s));
    appendComment(comments, frameLine(s));
    appendComment(comments, "gaps stay gaps: no row is made up; stream events follow in place as # event lines");
    // The euroc header must be the first line, where its readers look for it.
    if (s.format == ExportFormat::euroc) return std::string(kEurocColumns) + "\n" + comments;
    return comments + kCsvSiColumns + "\n";
}

std::string firstSampleComment(std::int64_t firstNs) {
    return printfString("# first_sample_ns %lld (t_s 0, in nanoseconds since 1970)\n", static_cast<long long>(firstNs));
}

ExportRows::ExportRows(const ExportSettings& s)
    : format(s.format), gyroScale(s.gyroScale), accCountsPerG(s.accCountsPerG),
      calibration(s.calibration.value_or(ImuCalibration{})) {
    if (s.frame == ExportFrame::head) toFrame = imuToHead(calibration);
}

Vector3 ExportRows::rate(const ImuSample& sample) const noexcept {
    Vector3 imu;
    for (std::size_t i = 0; i < 3; ++i) imu[i] = sample.gyro[i] * gyroScale;
    return multiply(toFrame, imu);
}

Vector3 ExportRows::acceleration(const ImuSample& sample) const noexcept {
    Vector3 imu;
    for (std::size_t i = 0; i < 3; ++i) {
        const double g = sample.acc[i] / accCountsPerG * calibration.accScale[i] - calibration.accBias[i];
        imu[i] = g * kStandardGravity;
    }
    return multiply(toFrame, imu);
}

void ExportRows::append(std::string& out, const ImuSample& sample, std::int64_t ns, std::int64_t elapsedNs) const {
    if (format == ExportFormat::euroc) {
        std::array<char, 24> digits{};
        out.append(digits.data(), std::to_chars(digits.data(), digits.data() + digits.size(), ns).ptr);
    } else {
        appendHostSeconds(out, (elapsedNs + 500) / 1000);  // microsecond digits
    }
    const Vector3 w = rate(sample);
    const Vector3 a = acceleration(sample);
    for (const double v : {w.x, w.y, w.z, a.x, a.y, a.z}) appendValue(out, v);
    out += '\n';
}

}  // namespace vesko
