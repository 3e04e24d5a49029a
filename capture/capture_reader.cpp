// Reading a capture file: streamed row by row, or collected whole for small files.
#include "capture_reader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace vesko {

namespace {

constexpr std::size_t kChunkBytes = 256 * 1024;

struct FileCloser {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

std::string lineError(const std::string& path, std::uint64_t line, const std::string& what) {
    return "capture " + path + " line " + std::to_string(line) + ": " + what;
}

}  // namespace

CaptureReadOutcome readCaptureFile(const std::string& path, CaptureHandlers handlers) {
    CaptureReadOutcome outcome;
    const FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        outcome.error = "capture " + path + ": cannot open (" + std::strerror(errno) + ")";
        return outcome;
    }
    CaptureParser parser(std::move(handlers));
    std::vector<char> chunk(kChunkBytes);
    for (;;) {
        const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file.get());
        if (got > 0 && !parser.feed(std::string_view(chunk.data(), got))) break;
        if (got == chunk.size()) continue;
        if (std::ferror(file.get())) {
            outcome.error = "capture " + path + " line " + std::to_string(parser.lineCount() + 1) +
                            ": cannot read (" + std::strerror(errno) + ")";
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
    if (parser.cutShort()) {
        outcome.warning = lineError(path, parser.lineCount(),
                                    "last line cut short (interrupted recording?); using the " +
                                        std::to_string(parser.rowCount()) + " complete rows");
    }
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
