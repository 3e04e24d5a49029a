// The bytes of a capture file as text: the file as it is, or inflated when it is gzip-compressed.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

namespace vesko {

// Compression is recognised by the file's first bytes (the gzip magic), never
// by its name. A gzip file may hold several members one after the other; they
// read as one text.
class CaptureSource {
public:
    CaptureSource();
    ~CaptureSource();
    CaptureSource(const CaptureSource&) = delete;
    CaptureSource& operator=(const CaptureSource&) = delete;

    // False when the file cannot be opened; error() says why ("cannot open (…)").
    bool open(const std::string& path);

    // Fills `buffer` with the next bytes of text and returns how many it
    // gave: fewer than asked only at the end of the text or on an error.
    std::size_t read(std::span<char> buffer);

    // After a short read: whether it was an error ("cannot read (…)" or
    // "corrupt compressed data (…)"; the file's name is the caller's to add).
    bool failed() const { return !error_.empty(); }
    const std::string& error() const { return error_; }
    // The compressed stream ended before its end marker: an interrupted
    // recording, whose text is whole up to its last flush.
    bool cutShort() const { return cutShort_; }
    bool compressed() const { return inflater_ != nullptr; }

    // How much of the file itself has been consumed, and its size (0 when
    // unknown, as for a pipe): the share read, compressed or not.
    std::uint64_t fileBytesRead() const;
    std::uint64_t fileBytes() const { return fileBytes_; }

private:
    struct Inflater;
    struct Closer {
        void operator()(std::FILE* f) const noexcept { std::fclose(f); }
    };

    std::size_t readPlain(std::span<char> buffer);
    std::size_t readCompressed(std::span<char> buffer);
    bool refill();
    void failRead();

    std::unique_ptr<std::FILE, Closer> file_;
    std::unique_ptr<Inflater> inflater_;
    std::string head_;  // bytes read to look for the magic, not yet handed on (plain files)
    std::string error_;
    std::uint64_t fileBytes_ = 0;
    std::uint64_t fileBytesRead_ = 0;
    bool cutShort_ = false;
};

}  // namespace vesko
