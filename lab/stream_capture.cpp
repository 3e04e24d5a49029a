// One capture of the IMU stream, as record and check write it.
#include "stream_capture.h"

#include "capture_text.h"

namespace vesko {

StreamCapture::StreamCapture(std::size_t queueRows) : queue_(queueRows) {}

OutputFile::Opened StreamCapture::open(const std::string& path, bool replace) {
    const OutputFile::Opened opened = output_.open(path, replace);
    if (opened != OutputFile::Opened::ok) {
        error_ = output_.error();
        return opened;
    }
    // The .part is ours and empty: the file writes over it, naming the output as given.
    // The name the user gave says whether it is compressed, not the .part it is written as.
    if (file_.open(output_.writePath(), true, isCompressedCaptureName(path), path) != CaptureFile::Opened::ok) {
        error_ = file_.error();
        output_.discard();
        return OutputFile::Opened::failed;
    }
    return opened;
}

std::int64_t StreamCapture::elapsedMicros() const {
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - startedAt_).count();
}

void StreamCapture::addSample(const ImuSample& sample) {
    const std::int64_t micros = elapsedMicros();
    std::string gap = watch_.check(sample.seq);
    if (!gap.empty()) queue_.pushEvent({micros, std::move(gap)});
    queue_.pushRow({micros, sample});
}

void StreamCapture::addStreamEvent(ImuStreamEvent event, const std::string& detail) {
    if (event == ImuStreamEvent::reconnected) watch_.haveLast = false;  // a new connection, a new sequence
    queue_.pushEvent({elapsedMicros(), streamEventText(event, detail)});
}

bool StreamCapture::start(const CaptureMetadata& metadata) {
    if (!file_.write(captureHeaderText(metadata)) || !file_.sync()) {
        error_ = file_.error();
        return false;
    }
    CaptureSink sink{[this](std::string_view lines) { return file_.write(lines); }, [this] { return file_.sync(); }};
    recorder_.emplace(queue_, std::move(sink));
    if (recorder_->start()) return true;
    recorder_.reset();
    error_ = "cannot start the capture writer";
    return false;
}

bool StreamCapture::finish(CaptureSummary& summary) {
    if (!recorder_) return false;
    recorder_->finish();
    summary.dropped = queue_.dropped();
    const bool whole = !recorder_->failed() && file_.write(captureSummaryText(summary)) && file_.sync();
    const bool closed = file_.close();
    if (!whole || !closed) {
        error_ = file_.error();
        output_.commit();  // the rows up to the failure are the recording: keep them under its name
        return false;
    }
    if (output_.commit()) return true;
    error_ = output_.error();
    return false;
}

void StreamCapture::abandon() {
    file_.close();
    output_.discard();
}

}  // namespace vesko
