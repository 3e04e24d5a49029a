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
    : queue_(queue), sink_(std::move(sink)), period_(period) {
    queue_.wakeAtBacklog(kWakeRows, [this] {
        {
            std::scoped_lock guard(wakeLock_);
            backlog_ = true;
        }
        wake_.notify_one();
    });
}

CaptureRecorder::~CaptureRecorder() {
    finish();
    queue_.wakeAtBacklog(0, {});
}

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
    using Clock = std::chrono::steady_clock;
    Clock::time_point nextSync = Clock::now() + period_;
    std::unique_lock guard(wakeLock_);
    for (;;) {
        wake_.wait_until(guard, nextSync, [this] { return stopping_ || backlog_; });
        const bool stopping = stopping_;
        backlog_ = false;
        guard.unlock();
        const bool syncDue = stopping || Clock::now() >= nextSync;
        const bool ok = writeBatch(stopping, syncDue);
        if (syncDue) nextSync = Clock::now() + period_;
        guard.lock();
        if (stopping || !ok) return;
    }
}

bool CaptureRecorder::writeBatch(bool final, bool sync) {
    for (bool empty = false; !empty;) {
        empty = queue_.take(batch_, final, kBatchRows);
        text_.clear();
        appendBatchText(text_, batch_);
        if (!text_.empty() && !sink_.write(text_)) {
            failed_ = true;
            return false;
        }
        bytes_ += text_.size();
    }
    if (sync && !sink_.sync()) {
        failed_ = true;
        return false;
    }
    return true;
}

}  // namespace vesko
