// The writer thread's loop: batches off the queue as text into the file, and the final flush.
#include "capture_recorder.h"

#include <system_error>

#include "capture_text.h"

namespace vesko {

void appendBatchText(std::string& out, const RecordBatch& batch) {
    std::size_t nextEvent = 0;
    for (std::size_t row = 0; row <= batch.rows.size(); ++row) {
        for (; nextEvent < batch.events.size() && batch.events[nextEvent].rowsBefore <= row; ++nextEvent) {
            out += captureEventText(batch.events[nextEvent].event);
        }
        if (row < batch.rows.size()) appendCaptureRow(out, batch.rows[row]);
    }
}

CaptureRecorder::CaptureRecorder(RecordQueue& queue, CaptureSink sink, std::chrono::milliseconds period)
    : queue_(queue), sink_(std::move(sink)), period_(period) {}

CaptureRecorder::~CaptureRecorder() { finish(); }

bool CaptureRecorder::start() {
    try {
        thread_ = std::thread([this] { loop(); });
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

bool CaptureRecorder::finish() {
    if (thread_.joinable()) {
        {
            std::scoped_lock guard(wakeLock_);
            stopping_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    return !failed();
}

void CaptureRecorder::loop() {
    std::unique_lock guard(wakeLock_);
    for (;;) {
        const bool stopping = wake_.wait_for(guard, period_, [this] { return stopping_; });
        guard.unlock();
        const bool ok = writeBatch(stopping);
        guard.lock();
        if (stopping || !ok) return;
    }
}

bool CaptureRecorder::writeBatch(bool final) {
    queue_.take(batch_, final);
    text_.clear();
    appendBatchText(text_, batch_);
    if (!text_.empty() && !sink_.write(text_)) {
        failed_ = true;
        return false;
    }
    bytes_ += text_.size();
    if (!sink_.sync()) {
        failed_ = true;
        return false;
    }
    return true;
}

}  // namespace vesko
