// Fuzzes the capture reader with arbitrary bytes as a file: no crash, hang or overread, the
// same verdict however the bytes arrive, and the two row readers agree on every line.
#include "capture_fields.h"
#include "capture_parser.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

struct Verdict {
    bool ok = false;
    std::string error;
    std::uint64_t line = 0;
    std::uint64_t rows = 0;
    std::uint64_t events = 0;
    std::int64_t lastMicros = -1;
    bool cutShort = false;
};

// Reads `text` in pieces of `piece` bytes (the whole at once for 0).
Verdict readInPieces(std::string_view text, std::size_t piece) {
    Verdict v;
    vesko::CaptureHandlers h;
    h.onRow = [&v](const vesko::CaptureRow& row) { check(row.hostMicros >= 0); v.lastMicros = row.hostMicros; };
    h.onEvent = [&v](const vesko::CaptureEvent& e) { check(e.text.find('\n') == std::string::npos); ++v.events; };
    vesko::CaptureParser parser(std::move(h));
    bool fed = true;
    for (std::size_t at = 0; fed && at < text.size(); at += piece == 0 ? text.size() : piece) {
        fed = parser.feed(text.substr(at, piece == 0 ? text.size() : piece));
    }
    v.ok = fed && parser.finish();
    v.error = parser.error();
    v.line = parser.errorLine();
    v.rows = parser.rowCount();
    v.cutShort = parser.cutShort();
    return v;
}

// The row reader, one-pass path included, takes exactly the rows the careful reader takes, as the same rows.
void checkRowReadersAgree(std::string_view text) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        vesko::CaptureRow read, byFields;
        std::string what;
        const bool took = vesko::parseCaptureRow(line, read, what);
        check(took == vesko::parseCaptureRowByFields(line, byFields, what));
        if (!took) continue;
        check(read.hostMicros == byFields.hostMicros && read.sample.timestamp == byFields.sample.timestamp);
        check(read.sample.seq == byFields.sample.seq && read.sample.acc == byFields.sample.acc);
        check(read.sample.gyro == byFields.sample.gyro);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t piece = 1 + data[0] % 7;  // the first byte picks the chunking
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const Verdict whole = readInPieces(text, 0);
    const Verdict pieces = readInPieces(text, piece);
    check(whole.ok == pieces.ok && whole.error == pieces.error && whole.line == pieces.line);
    check(whole.rows == pieces.rows && whole.events == pieces.events && whole.lastMicros == pieces.lastMicros);
    check(whole.cutShort == pieces.cutShort);
    check(whole.ok == whole.error.empty());
    check(whole.error.find('\n') == std::string::npos);
    checkRowReadersAgree(text);
    return 0;
}
