// Writing the check's samples as a capture: header, rows as they come, summary.
#include "check_recording.h"

#include "capture_text.h"

namespace vesko {

bool CheckRecording::open(const std::string& path, std::string& error, bool& exists) {
    const CaptureFile::Opened opened = file_.open(path, false, isCompressedCaptureName(path));
    exists = opened == CaptureFile::Opened::exists;
    if (opened != CaptureFile::Opened::ok) {
        error = file_.error();
        return false;
    }
    active_ = true;
    return true;
}

void CheckRecording::start(const CaptureMetadata& metadata) {
    if (active_) file_.write(captureHeaderText(metadata));
}

void CheckRecording::write(const std::vector<CaptureRow>& rows) {
    if (!active_ || rows.empty()) return;
    text_.clear();
    for (const CaptureRow& row : rows) appendCaptureRow(text_, row);
    file_.write(text_);
}

bool CheckRecording::finish(const CaptureSummary& summary, std::string& error) {
    if (!active_) return true;
    active_ = false;
    file_.write(captureSummaryText(summary));
    file_.sync();
    const bool ok = file_.close();
    if (!ok) error = file_.error();
    return ok;
}

}  // namespace vesko
