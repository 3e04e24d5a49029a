// The gzip magic test on open, and zlib inflation chunk by chunk for a compressed file.
#include "capture_source.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <system_error>
#include <vector>

namespace vesko {

namespace {

constexpr std::array<unsigned char, 2> kGzipMagic{0x1f, 0x8b};
constexpr std::size_t kCompressedChunkBytes = 64 * 1024;
// Window size for gzip only (zlib's windowBits + 16): a zlib or raw stream is no capture.
constexpr int kGzipWindowBits = MAX_WBITS + 16;

}  // namespace

struct CaptureSource::Inflater {
    z_stream stream{};
    std::vector<unsigned char> input = std::vector<unsigned char>(kCompressedChunkBytes);
    bool inputEnded = false;
    bool memberEnded = false;  // at the end of one member: another may follow
    bool done = false;

    Inflater() = default;
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
    ~Inflater() { inflateEnd(&stream); }
};

CaptureSource::CaptureSource() = default;
CaptureSource::~CaptureSource() = default;

bool CaptureSource::open(const std::string& path) {
    file_.reset(std::fopen(path.c_str(), "rb"));
    if (!file_) {
        error_ = std::string("cannot open (") + std::strerror(errno) + ")";
        return false;
    }
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(std::filesystem::path(path), ec);
    fileBytes_ = ec ? 0 : size;

    std::array<unsigned char, kGzipMagic.size()> magic{};
    errno = 0;
    const std::size_t got = std::fread(magic.data(), 1, magic.size(), file_.get());
    fileBytesRead_ = got;
    if (got < magic.size() && std::ferror(file_.get())) failRead();
    if (got != magic.size() || magic != kGzipMagic) {
        head_.assign(reinterpret_cast<const char*>(magic.data()), got);
        return true;
    }
    auto inflater = std::make_unique<Inflater>();
    if (inflateInit2(&inflater->stream, kGzipWindowBits) != Z_OK) {
        error_ = "cannot read (no memory to inflate it)";
        return true;  // the first read says so, with the line
    }
    std::copy(magic.begin(), magic.end(), inflater->input.begin());
    inflater->stream.next_in = inflater->input.data();
    inflater->stream.avail_in = static_cast<uInt>(magic.size());
    inflater_ = std::move(inflater);
    return true;
}

std::size_t CaptureSource::read(std::span<char> buffer) {
    if (failed() || buffer.empty()) return 0;
    return inflater_ ? readCompressed(buffer) : readPlain(buffer);
}

std::uint64_t CaptureSource::fileBytesRead() const {
    return inflater_ ? fileBytesRead_ - inflater_->stream.avail_in : fileBytesRead_;
}

void CaptureSource::failRead() {
    error_ = std::string("cannot read (") + std::strerror(errno != 0 ? errno : EIO) + ")";
}

std::size_t CaptureSource::readPlain(std::span<char> buffer) {
    std::size_t n = std::min(head_.size(), buffer.size());
    std::memcpy(buffer.data(), head_.data(), n);
    head_.erase(0, n);
    if (n == buffer.size() || !file_) return n;
    errno = 0;
    const std::size_t got = std::fread(buffer.data() + n, 1, buffer.size() - n, file_.get());
    fileBytesRead_ += got;
    n += got;
    if (n < buffer.size() && std::ferror(file_.get())) failRead();
    return n;
}

// The next compressed bytes of the file; false at its end or on an error.
bool CaptureSource::refill() {
    Inflater& in = *inflater_;
    if (in.inputEnded) return false;
    errno = 0;
    const std::size_t got = std::fread(in.input.data(), 1, in.input.size(), file_.get());
    fileBytesRead_ += got;
    if (got < in.input.size()) {
        if (std::ferror(file_.get())) failRead();
        in.inputEnded = true;
    }
    in.stream.next_in = in.input.data();
    in.stream.avail_in = static_cast<uInt>(got);
    return got > 0 && !failed();
}

std::size_t CaptureSource::readCompressed(std::span<char> buffer) {
    Inflater& in = *inflater_;
    z_stream& z = in.stream;
    const auto room = static_cast<uInt>(std::min<std::size_t>(buffer.size(), std::numeric_limits<uInt>::max()));
    z.next_out = reinterpret_cast<Bytef*>(buffer.data());
    z.avail_out = room;
    while (z.avail_out > 0 && !in.done && !failed()) {
        if (z.avail_in == 0 && !refill()) {
            // The file ended inside a member: its text is good up to the last flush.
            if (!failed() && !in.memberEnded) cutShort_ = true;
            in.done = true;
            break;
        }
        if (in.memberEnded) {
            inflateReset(&z);
            in.memberEnded = false;
        }
        const int rc = inflate(&z, Z_NO_FLUSH);
        if (rc == Z_STREAM_END) {
            in.memberEnded = true;
        } else if (rc != Z_OK && rc != Z_BUF_ERROR) {  // Z_BUF_ERROR: it wants more input
            error_ = std::string("corrupt compressed data (") +
                     (z.msg != nullptr ? z.msg : "zlib error " + std::to_string(rc)) + ")";
        }
    }
    return room - z.avail_out;
}

}  // namespace vesko
