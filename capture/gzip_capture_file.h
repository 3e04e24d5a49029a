// A capture file written gzip-compressed: the plain capture file's calls, deflated on the way.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "capture_file.h"

namespace vesko {

// Every sync() ends what was written so far with a sync flush of the deflate
// stream before the file goes to the disk, so a recording cut at any moment
// decodes up to its last sync; close() writes the gzip trailer. Opening and
// write errors are the plain file's, with its texts.
class GzipCaptureFile {
public:
    // zlib's levels: 1 is fastest, 9 smallest; 6 is zlib's own default, about
    // a quarter of the plain size for capture text at a quarter of the speed of 1.
    static constexpr int kDefaultLevel = 6;

    explicit GzipCaptureFile(int level = kDefaultLevel);
    ~GzipCaptureFile();  // closes, writing the trailer
    GzipCaptureFile(const GzipCaptureFile&) = delete;
    GzipCaptureFile& operator=(const GzipCaptureFile&) = delete;

    // `shownName`, when given, is the name messages use in place of `path`.
    CaptureFile::Opened open(const std::string& path, bool overwrite, const std::string& shownName = {});

    // Whole lines in. Compressed output reaches the system as the deflate
    // buffer fills, and all of it at sync() and close().
    bool write(std::string_view lines);
    bool sync();
    bool close();

    bool failed() const { return !error_.empty() || file_.failed(); }
    const std::string& error() const { return error_.empty() ? file_.error() : error_; }
    std::uint64_t bytesWritten() const { return file_.bytesWritten(); }  // compressed, on the disk

private:
    struct Deflater;
    bool deflateInto(std::string_view input, int flush);

    CaptureFile file_;
    std::unique_ptr<Deflater> deflater_;
    std::string shownName_;  // in messages
    std::string error_;  // a fault of the compressor itself
    int level_;
};

}  // namespace vesko
