// The capture file being written: whole lines in, and a valid file left behind on a write error.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace vesko {

class CaptureFile {
public:
    enum class Opened { ok, exists, failed };

    CaptureFile() = default;
    ~CaptureFile();
    CaptureFile(const CaptureFile&) = delete;
    CaptureFile& operator=(const CaptureFile&) = delete;

    // Creates `path` (replacing an existing file only when `overwrite`).
    // On anything but ok, error() says what, naming the file: `shownName`
    // when given (the name the user gave for a file written under another).
    Opened open(const std::string& path, bool overwrite, const std::string& shownName = {});

    // Writes whole lines straight to the system (no buffering of its own).
    // False after a write error; the file then keeps its last whole line.
    bool write(std::string_view lines);
    // Asks the system to put what was written on the disk.
    bool sync();
    // Closes the file; after a failed write first trims it to its last whole
    // line. False if the file was bad at any point.
    bool close();

    bool failed() const { return !error_.empty(); }
    const std::string& error() const { return error_; }
    // May be asked from another thread while the writing thread goes on (progress lines).
    std::uint64_t bytesWritten() const { return written_.load(std::memory_order_relaxed); }

private:
    struct Closer {
        void operator()(std::FILE* f) const noexcept { std::fclose(f); }
    };
    void trimToWholeLines();

    std::unique_ptr<std::FILE, Closer> file_;
    std::string path_;
    std::string shownName_;  // in messages
    std::string error_;
    std::atomic<std::uint64_t> written_{0};  // bytes the system took
    std::uint64_t wholeLines_ = 0;  // bytes up to the last line break the system took
};

// Flushes the stream and asks the system to put the file on the disk
// (one implementation per platform). False on failure.
bool syncFileToDisk(std::FILE* file);

}  // namespace vesko
