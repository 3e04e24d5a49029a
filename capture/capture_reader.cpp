// The read loop over a capture source, with line-numbered errors and the warning for a file cut short.
#include "capture_reader.h"

#include <exception>
#include <optional>
#include <system_error>
#include <thread>

#include "batch_queue.h"
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

// The whole read on the calling thread: source, parser and handlers.
CaptureReadOutcome readOnThisThread(const std::string& path, CaptureHandlers handlers,
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

// What the reading thread hands over: rows, then at most one thing that
// came after them in the file, or the progress at the end of a chunk.
struct ParsedBatch {
    std::vector<CaptureRow> rows;
    std::optional<CaptureMetadata> header;
    std::optional<CaptureEvent> event;
    std::optional<CaptureSummary> summary;
    std::optional<CaptureReadProgress> progress;
};

// A few chunks' worth of rows may wait: the reader runs ahead of the handlers by that much at most.
constexpr std::size_t kBatchesWaiting = 8;

// Thrown through the parser to end a read whose rows nobody wants any more.
struct ReadAbandoned {};

// The reading side: parses into batches and queues them, until the end or until the consumer gives up.
class BatchingReader {
public:
    explicit BatchingReader(BatchQueue<ParsedBatch>& queue) : queue_(queue) { startBatch(); }

    CaptureReadOutcome run(const std::string& path, bool wantsProgress) {
        CaptureHandlers h;
        h.onHeader = [this](const CaptureMetadata& m) { current_.header = m; handOn(); };
        h.onRow = [this](const CaptureRow& row) { current_.rows.push_back(row); };
        h.onEvent = [this](const CaptureEvent& e) { current_.event = e; handOn(); };
        h.onSummary = [this](const CaptureSummary& s) { current_.summary = s; handOn(); };
        CaptureProgressHandler progress = [this, wantsProgress](const CaptureReadProgress& at) {
            if (wantsProgress) current_.progress = at;
            handOn();
        };
        return readOnThisThread(path, std::move(h), progress);
    }
    // Whatever is left (the end is the caller's to close).
    void finish() {
        if (!cancelled_ && !empty()) queue_.push(std::move(current_));
    }

private:
    void startBatch() {
        std::optional<ParsedBatch> used = queue_.reuse();
        current_ = used ? std::move(*used) : ParsedBatch{};
        current_.rows.clear();
        current_.header.reset();
        current_.event.reset();
        current_.summary.reset();
        current_.progress.reset();
    }
    bool empty() const noexcept {
        return current_.rows.empty() && !current_.header && !current_.event && !current_.summary &&
               !current_.progress;
    }
    void handOn() {
        if (empty()) return;
        if (!queue_.push(std::move(current_))) {
            cancelled_ = true;
            throw ReadAbandoned{};
        }
        startBatch();
    }

    BatchQueue<ParsedBatch>& queue_;
    ParsedBatch current_;
    bool cancelled_ = false;
};

void deliver(const ParsedBatch& batch, const CaptureHandlers& handlers, const CaptureProgressHandler& progress) {
    if (handlers.onRow) {
        for (const CaptureRow& row : batch.rows) handlers.onRow(row);
    }
    if (batch.header && handlers.onHeader) handlers.onHeader(*batch.header);
    if (batch.event && handlers.onEvent) handlers.onEvent(*batch.event);
    if (batch.summary && handlers.onSummary) handlers.onSummary(*batch.summary);
    if (batch.progress && progress) progress(*batch.progress);
}

}  // namespace

CaptureReadOutcome readCaptureFile(const std::string& path, CaptureHandlers handlers,
                                   const CaptureProgressHandler& progress) {
    BatchQueue<ParsedBatch> queue(kBatchesWaiting);
    CaptureReadOutcome outcome;
    std::exception_ptr readerFault;
    const auto readAll = [&] {
        try {
            BatchingReader reader(queue);
            try {
                outcome = reader.run(path, static_cast<bool>(progress));
            } catch (const ReadAbandoned&) {
                // the caller is leaving on an exception of its own
            }
            reader.finish();
        } catch (...) {
            readerFault = std::current_exception();  // out of memory: the caller hears it as if it read itself
        }
        queue.close();
    };
    std::thread reading;
    try {
        reading = std::thread(readAll);
    } catch (const std::system_error&) {
        return readOnThisThread(path, std::move(handlers), progress);  // no thread to be had
    }
    // Should a handler throw, the reader is let go and waited for before the exception goes on.
    struct Joiner {
        BatchQueue<ParsedBatch>& queue;
        std::thread& thread;
        ~Joiner() {
            if (!thread.joinable()) return;
            queue.cancel();
            thread.join();
        }
    } joiner{queue, reading};
    while (std::optional<ParsedBatch> batch = queue.pop()) {
        deliver(*batch, handlers, progress);
        queue.giveBack(std::move(*batch));
    }
    queue.cancel();
    reading.join();
    if (readerFault) std::rethrow_exception(readerFault);
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
