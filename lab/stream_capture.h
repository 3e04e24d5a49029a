// One capture of the IMU stream, as record and check write it: the output,
// every accepted sample and stream event with its host time, the writer
// thread, and the summary that closes the file.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "capture_output.h"
#include "capture_format.h"
#include "capture_recorder.h"
#include "output_file.h"
#include "record_queue.h"
#include "record_texts.h"
#include "tundra_imu.h"

namespace vesko {

class StreamCapture {
public:
    using Clock = std::chrono::steady_clock;

    // 4 min at 1000 samples/s, 1.3 s at the simulator's 200 times that: the
    // writer may stall on the disk, or wait for a busy machine's cores (8 MB).
    static constexpr std::size_t kQueueRows = std::size_t{1} << 18;

    explicit StreamCapture(std::size_t queueRows = kQueueRows);
    StreamCapture(const StreamCapture&) = delete;
    StreamCapture& operator=(const StreamCapture&) = delete;

    // Reserves the output before any device is looked for (see OutputFile).
    // On anything but ok, error() says what.
    OutputFile::Opened open(const std::string& path, bool replace);
    bool isOpen() const { return output_.isOpen(); }

    // Sends the stream's samples and events here, keeping any callback the
    // caller needs for itself. Call before the unit is opened.
    // (Inline: the device backends, not this library, define TundraImu.)
    void wire(TundraImu& imu, TundraImu::SampleCallback alsoEachSample = {}) {
        imu.setSampleCallback([this, also = std::move(alsoEachSample)](const ImuSample& sample) {
            addSample(sample);
            if (also) also(sample);
        });
        imu.setStreamEventCallback(
            [this](ImuStreamEvent event, const std::string& detail) { addStreamEvent(event, detail); });
    }

    // Writes the header and starts the writer; false (error()) when not.
    bool start(const CaptureMetadata& metadata);

    // Once nothing comes from the stream any more: the rows left, then the
    // summary (with the writer's drop count filled in), and the file put in
    // place of the old one. False, with error(), when anything could not be
    // written: the rows up to the failure are kept.
    bool finish(CaptureSummary& summary);
    // Nothing worth keeping: the output is removed, an old file left as it was.
    void abandon();

    // Microseconds since this capture's clock started (at construction).
    std::int64_t elapsedMicros() const;
    bool failed() const { return recorder_ && recorder_->failed(); }
    std::uint64_t bytesWritten() const { return file_.bytesWritten(); }
    const std::string& error() const { return error_; }

    // From the reader thread: a sample accepted by the stream (after a gap
    // event when its seq skips some), and one of the stream's own events.
    void addSample(const ImuSample& sample);
    void addStreamEvent(ImuStreamEvent event, const std::string& detail);

private:
    const Clock::time_point startedAt_ = Clock::now();
    OutputFile output_;
    CaptureOutput file_;
    RecordQueue queue_;
    SequenceWatch watch_;  // the reader thread's
    std::optional<CaptureRecorder> recorder_;
    std::string error_;
};

}  // namespace vesko
