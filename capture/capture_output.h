// The capture file a recording writes: plain text, or gzip-compressed when its name asks for it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "capture_file.h"
#include "gzip_capture_file.h"

namespace vesko {

// Whether a capture named `path` is written compressed: it ends in ".gz" (any case).
bool isCompressedCaptureName(std::string_view path);

// The calls of CaptureFile, on a plain or a compressed file chosen at open.
// For a compressed file every sync() also ends a deflate block, so a cut
// recording decodes up to its last sync.
class CaptureOutput {
public:
    CaptureOutput() = default;
    CaptureOutput(const CaptureOutput&) = delete;
    CaptureOutput& operator=(const CaptureOutput&) = delete;

    // `shownName`, when given, is the name messages use in place of `path`.
    CaptureFile::Opened open(const std::string& path, bool overwrite, bool compressed,
                             const std::string& shownName = {});
    bool write(std::string_view lines);
    bool sync();
    bool close();

    bool failed() const;
    const std::string& error() const;
    std::uint64_t bytesWritten() const;  // as it is on the disk, compressed or not

private:
    std::variant<CaptureFile, GzipCaptureFile> file_;
};

}  // namespace vesko
