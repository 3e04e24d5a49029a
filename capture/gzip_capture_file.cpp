// zlib's deflate stream behind the capture file's write, sync and close.
#include "gzip_capture_file.h"

#include <zlib.h>

#include <vector>

namespace vesko {

namespace {

constexpr std::size_t kCompressedChunkBytes = 64 * 1024;
// gzip framing (zlib's windowBits + 16), so that gzip, zcat and pandas read it.
constexpr int kGzipWindowBits = MAX_WBITS + 16;
constexpr int kMemoryLevel = 8;  // zlib's default

}  // namespace

struct GzipCaptureFile::Deflater {
    z_stream stream{};
    std::vector<unsigned char> output = std::vector<unsigned char>(kCompressedChunkBytes);

    Deflater() = default;
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;
    ~Deflater() { deflateEnd(&stream); }
};

GzipCaptureFile::GzipCaptureFile(int level) : level_(level) {}
GzipCaptureFile::~GzipCaptureFile() { close(); }

CaptureFile::Opened GzipCaptureFile::open(const std::string& path, bool overwrite,
                                          const std::string& shownName) {
    shownName_ = shownName.empty() ? path : shownName;
    const CaptureFile::Opened opened = file_.open(path, overwrite, shownName);
    if (opened != CaptureFile::Opened::ok) return opened;
    auto deflater = std::make_unique<Deflater>();
    if (deflateInit2(&deflater->stream, level_, Z_DEFLATED, kGzipWindowBits, kMemoryLevel,
                     Z_DEFAULT_STRATEGY) != Z_OK) {
        error_ = "cannot compress " + shownName_ + " (no memory for it)";
        return CaptureFile::Opened::failed;
    }
    deflater_ = std::move(deflater);
    return CaptureFile::Opened::ok;
}

// Deflates `input` with `flush` and writes out all the output that makes.
bool GzipCaptureFile::deflateInto(std::string_view input, int flush) {
    z_stream& z = deflater_->stream;
    std::vector<unsigned char>& out = deflater_->output;
    // zlib takes no const input, but does not write to it.
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
    z.avail_in = static_cast<uInt>(input.size());
    int rc = Z_OK;
    do {
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        rc = deflate(&z, flush);
        if (rc == Z_STREAM_ERROR) {
            error_ = "cannot compress " + shownName_;
            return false;
        }
        const std::size_t have = out.size() - z.avail_out;
        if (have > 0 && !file_.write(std::string_view(reinterpret_cast<const char*>(out.data()), have))) {
            return false;
        }
    } while (flush == Z_FINISH ? rc != Z_STREAM_END : z.avail_out == 0);
    return true;
}

bool GzipCaptureFile::write(std::string_view lines) {
    if (!deflater_ || failed()) return false;
    // Whole lines of a capture are short; a caller's batch may be large, so
    // hand it on in pieces zlib's 32-bit counts can hold.
    constexpr std::size_t kMostAtOnce = std::size_t{1} << 30;
    for (std::size_t at = 0; at < lines.size(); at += kMostAtOnce) {
        if (!deflateInto(lines.substr(at, kMostAtOnce), Z_NO_FLUSH)) return false;
    }
    return true;
}

bool GzipCaptureFile::sync() {
    if (!deflater_ || failed()) return false;
    return deflateInto({}, Z_SYNC_FLUSH) && file_.sync();
}

bool GzipCaptureFile::close() {
    if (deflater_ && !failed()) deflateInto({}, Z_FINISH);
    deflater_.reset();
    // After a failed write the plain file trims to its last line break; any
    // prefix of a deflate stream still decodes, up to where it ends.
    const bool closed = file_.close();
    return closed && error_.empty();
}

}  // namespace vesko
