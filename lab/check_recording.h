// The check session's samples kept as a capture file, in the record command's format.
#pragma once

#include <string>
#include <vector>

#include "capture_output.h"
#include "capture_format.h"

namespace vesko {

class CheckRecording {
public:
    // False with `error` set when the file exists or cannot be created.
    bool open(const std::string& path, std::string& error, bool& exists);
    bool active() const { return active_; }
    void start(const CaptureMetadata& metadata);
    void write(const std::vector<CaptureRow>& rows);
    // Writes the summary and closes; false (with `error`) if any write failed.
    bool finish(const CaptureSummary& summary, std::string& error);

private:
    CaptureOutput file_;
    bool active_ = false;
    std::string text_;
};

}  // namespace vesko
