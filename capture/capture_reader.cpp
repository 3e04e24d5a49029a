// The read loop over a capture source, with line-numbered errors and the warning for a file cut short.
#include "capture_reader.h"

#include "capture_source.h"

namespace vesko {

namespace {

constexpr std::size_t kChunkBytes = 256 * 1024;

std::string lineError(const std::string& path, std::uint64_t line, const std::string& what) {
    return "capture " + path + " line " + std::to_string(line) + ": " + what;
}

// A recording that was interrupted: its last line, or the compressed stream, ends early.
std::string cutShortWarning(const std::string& path, const CaptureParser& parser, const CaptureSource& source) {
    const std::string what = source.cutShort() ? "compressed data cut short" : "last line cut short";
    // Without a partial line the cut fell between lines, at the start of the next.
    const std::uint64_t line = parser.lineCount() + (parser.cutShort() ? 0 : 1);
    return lineError(path, line, what + " (interrupted recording?); using the " +
                                     std::to_string(parser.rowCount()) + " complete rows");
}

}  // namespace

CaptureReadOutcome readCaptureFile(const std::string& path, CaptureHandlers handlers,
                                   const CaptureProgressHandler& progress) {
    CaptureReadOutcome outcome;
    CaptureSource source;
    if (!source.open(path)) {
        outcome.error = "capture " + path + ": " + source.error();
        return outcome;
    }
    CaptureParser parser(std::move(handlers));
    std::vector<char> chunk(kChunkBytes);
    for (;;) {
        const std::size_t got = source.read(chunk);
        if (got > 0 && !parser.feed(std::string_view(chunk.data(), got))) break;
        if (progress) progress({source.fileBytesRead(), source.fileBytes(), parser.rowCount()});
        if (got == chunk.size()) continue;
        if (source.failed()) {
            outcome.error = lineError(path, parser.lineCount() + 1, source.error());
            return outcome;
        }
        parser.finish();
        break;
    }
    outcome.rows = parser.rowCount();
    if (parser.failed()) {
        outcome.error = lineError(path, parser.errorLine(), parser.error());
        return outcome;
    }
    if (parser.cutShort() || source.cutShort()) outcome.warning = cutShortWarning(path, parser, source);
    outcome.ok = true;
    return outcome;
}

CaptureHandlers collectInto(Capture& out) {
    CaptureHandlers h;
    h.onHeader = [&out](const CaptureMetadata& m) { out.metadata = m; };
    h.onRow = [&out](const CaptureRow& row) { out.rows.push_back(row); };
    h.onEvent = [&out](const CaptureEvent& e) { out.events.push_back({out.rows.size(), e}); };
    h.onSummary = [&out](const CaptureSummary& s) { out.summary = s; };
    return h;
}

CaptureReadOutcome loadCapture(const std::string& path, Capture& out) {
    return readCaptureFile(path, collectInto(out));
}

}  // namespace vesko
