// The generator: seeded white noise and a random walk per axis, in blocks, the clock and sequence wrapping early.
#include "long_capture.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "capture_file.h"
#include "capture_text.h"
#include "gzip_capture_file.h"
#include "imu_sample.h"
#include "printf_string.h"

namespace vesko {

namespace {

constexpr std::uint64_t kSeed = 0x6c6f'6e67'2024'0001;
constexpr double kSecondsPerRow = 0.001;
constexpr std::int64_t kMicrosPerRow = 1000;
constexpr std::uint32_t kTicksPerRow = kImuTicksPerSecond / 1000;
constexpr std::uint32_t kFirstTicks = 4'290'000'000u;  // the 32-bit count wraps within the first 0.1 s
constexpr std::uint8_t kFirstSeq = 250;
constexpr std::size_t kBlockBytes = std::size_t{4} << 20;
constexpr std::size_t kNormalCells = 1u << 16;  // one 16-bit slice of a random word per deviate

// splitmix64: fast, and the same bits on every platform.
class RandomBits {
public:
    explicit RandomBits(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }

private:
    std::uint64_t state_;
};

double normalCdf(double x) { return 0.5 * std::erfc(-x / std::numbers::sqrt2); }

// Standard normal deviates drawn by table: the normal's quantiles at the
// midpoints of 65536 cells of equal probability, scaled to a variance of
// exactly 1. Four deviates per random word keep 86 M rows within seconds.
std::vector<double> normalTable() {
    std::vector<double> table(kNormalCells);
    for (std::size_t i = kNormalCells / 2; i < kNormalCells; ++i) {
        const double p = (static_cast<double>(i) + 0.5) / static_cast<double>(kNormalCells);
        double lo = 0.0, hi = 10.0;
        for (int k = 0; k < 64; ++k) {
            const double mid = 0.5 * (lo + hi);
            (normalCdf(mid) < p ? lo : hi) = mid;
        }
        table[i] = 0.5 * (lo + hi);
        table[kNormalCells - 1 - i] = -table[i];
    }
    double sumSquares = 0.0;
    for (const double v : table) sumSquares += v * v;
    const double scale = 1.0 / std::sqrt(sumSquares / static_cast<double>(kNormalCells));
    for (double& v : table) v *= scale;
    return table;
}

std::int16_t toCounts(double value) {
    return static_cast<std::int16_t>(std::clamp(std::nearbyint(value), -32768.0, 32767.0));
}

std::string headerText() {
    CaptureMetadata meta;
    meta.tool = "make_long_capture";
    std::string text = captureHeaderText(meta);
    std::string truth;
    for (const LongCaptureAxis& axis : kLongCaptureTruth) {
        truth += printfString("# truth %s level_counts %g white_counts %g walk_counts_per_sqrt_s %g\n", axis.name,
                              axis.level, axis.white, axis.walk);
    }
    text.insert(text.rfind(kCaptureColumns), truth);
    return text;
}

// The rows of the model, handed to `file` in large blocks.
template <typename File>
bool writeRows(File& file, std::uint64_t rows) {
    const std::vector<double> normal = normalTable();
    RandomBits bits(kSeed);
    std::array<double, 6> bias{};
    std::array<double, 6> walkStep{};
    for (std::size_t a = 0; a < 6; ++a) walkStep[a] = kLongCaptureTruth[a].walk * std::sqrt(kSecondsPerRow);
    std::string block = headerText();
    block.reserve(kBlockBytes + 256);
    CaptureRow row;
    for (std::uint64_t i = 0; i < rows; ++i) {
        std::array<std::uint16_t, 12> cells;  // six white deviates, then six walk steps
        const std::array<std::uint64_t, 3> words{bits.next(), bits.next(), bits.next()};
        std::memcpy(cells.data(), words.data(), sizeof cells);
        for (std::size_t a = 0; a < 6; ++a) {
            const LongCaptureAxis& axis = kLongCaptureTruth[a];
            const std::int16_t counts = toCounts(axis.level + bias[a] + axis.white * normal[cells[a]]);
            (a < 3 ? row.sample.acc[a] : row.sample.gyro[a - 3]) = counts;
            bias[a] += walkStep[a] * normal[cells[a + 6]];
        }
        row.hostMicros = static_cast<std::int64_t>(i) * kMicrosPerRow;
        row.sample.timestamp = kFirstTicks + static_cast<std::uint32_t>(i * kTicksPerRow);
        row.sample.seq = static_cast<std::uint8_t>(kFirstSeq + i);
        appendCaptureRow(block, row);
        if (block.size() >= kBlockBytes) {
            if (!file.write(block)) return false;
            block.clear();
        }
    }
    const auto reports = (rows + kImuSamplesPerReport - 1) / kImuSamplesPerReport;
    block += captureSummaryText({static_cast<std::int64_t>(rows) * kMicrosPerRow, {reports, rows, 0, 0, 0}, 0});
    return file.write(block);
}

template <typename File>
std::string writeTo(File& file, const std::string& path, std::uint64_t rows, bool overwrite) {
    if (file.open(path, overwrite) != CaptureFile::Opened::ok) return file.error();
    const bool written = writeRows(file, rows);
    if (!file.close() || !written) return file.error();
    return {};
}

}  // namespace

std::string writeLongCapture(const std::string& path, double hours, int gzipLevel, bool overwrite) {
    const auto rows = static_cast<std::uint64_t>(std::llround(hours * static_cast<double>(kLongCaptureRowsPerHour)));
    if (gzipLevel == 0) {
        CaptureFile plain;
        return writeTo(plain, path, rows, overwrite);
    }
    GzipCaptureFile compressed(gzipLevel);
    return writeTo(compressed, path, rows, overwrite);
}

}  // namespace vesko
