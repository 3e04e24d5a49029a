// The capture writer thread: takes rows and events off the queue and puts them in the file.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "record_queue.h"

namespace vesko {

// Where the text goes: a capture file, or a fake in tests.
struct CaptureSink {
    std::function<bool(std::string_view)> write;  // whole lines; false on a write error
    std::function<bool()> sync;                   // onto the disk; false on an error
};

// The thread writes whenever a few hundred rows wait (so a fast stream is
// drained as it comes, not a queue-full at a time) and at least every
// `period`, syncing the file every `period` (at most a second), so a crash
// loses at most about a second. It stops at the first write error (failed()
// then says so); later rows are not written.
class CaptureRecorder {
public:
    static constexpr std::chrono::milliseconds kDefaultPeriod{500};
    static constexpr std::size_t kWakeRows = 256;
    static constexpr std::size_t kBatchRows = 4096;  // per write: the backlog waits in the queue, not in a copy

    CaptureRecorder(RecordQueue& queue, CaptureSink sink,
                    std::chrono::milliseconds period = kDefaultPeriod);
    ~CaptureRecorder();
    CaptureRecorder(const CaptureRecorder&) = delete;
    CaptureRecorder& operator=(const CaptureRecorder&) = delete;

    // Starts the thread; false if it could not be started.
    bool start();
    // Call once nothing pushes any more: writes all that is left, then ends
    // the thread. False when anything failed to be written.
    bool finish();

    bool failed() const { return failed_.load(); }
    std::uint64_t bytesWritten() const { return bytes_.load(); }

private:
    void loop();
    bool writeBatch(bool final, bool sync);

    RecordQueue& queue_;
    CaptureSink sink_;
    std::chrono::milliseconds period_;
    RecordBatch batch_;   // the writer thread's, reused
    std::string text_;    // likewise
    std::thread thread_;
    std::mutex wakeLock_;
    std::condition_variable wake_;
    bool stopping_ = false;  // under wakeLock_
    bool backlog_ = true;    // likewise: rows may be waiting (from before the start too)
    std::atomic<bool> failed_{false};
    std::atomic<std::uint64_t> bytes_{0};
};

// The lines for one batch: rows, with each event before the row it precedes.
void appendBatchText(std::string& out, const RecordBatch& batch);

}  // namespace vesko
