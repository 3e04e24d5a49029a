// Fuzzes report decoding and acceptance with arbitrary bytes, buffer sizes and
// claimed lengths, keeping the sequence state and counters from run to run.
#include "imu_sample.h"

#include <cstdlib>
#include <vector>

namespace {

// Input layout: claimed length (2 bytes, little-endian), buffer size (1 byte,
// capped at what follows), flags (bit 0: a reconnection first), then the data.
constexpr std::size_t kHeaderSize = 4;

void check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static vesko::ImuSequenceState state;
    static vesko::ImuStreamStats stats;
    if (size < kHeaderSize) return 0;
    const std::size_t claimed = data[0] | (data[1] << 8);
    const std::size_t bufferSize = data[2] < size - kHeaderSize ? data[2] : size - kHeaderSize;
    if (data[3] & 1) state.haveLast = false;

    // A buffer of exactly bufferSize bytes, so that any overread is caught.
    const std::vector<std::uint8_t> buffer(data + kHeaderSize, data + kHeaderSize + bufferSize);
    const vesko::ImuStreamStats before = stats;
    const vesko::AcceptedSamples fresh =
        vesko::processReport(state, buffer.data(), buffer.size(), claimed, stats);

    check(fresh.count <= vesko::kImuSamplesPerReport);
    check(stats.samples - before.samples == fresh.count);
    check(stats.gaps - before.gaps <= fresh.count);
    check((stats.reports - before.reports) + (stats.otherReports - before.otherReports) == 1);
    check(fresh.count == 0 || (state.haveLast && state.lastSeq == fresh.samples[fresh.count - 1].seq));
    return 0;
}
