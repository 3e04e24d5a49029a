// Writing through a plain file: create or replace, whole-line writes, and trimming a torn last line.
#include "capture_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace vesko {

CaptureFile::~CaptureFile() { close(); }

CaptureFile::Opened CaptureFile::open(const std::string& path, bool overwrite, const std::string& shownName) {
    path_ = path;
    shownName_ = shownName.empty() ? path : shownName;
    std::error_code ec;
    if (!overwrite && std::filesystem::exists(std::filesystem::path(path), ec)) {
        error_ = shownName_ + " exists (use --force to replace it)";
        return Opened::exists;
    }
    file_.reset(std::fopen(path.c_str(), "wb"));
    if (!file_) {
        error_ = "cannot create " + shownName_ + " (" + std::strerror(errno) + ")";
        return Opened::failed;
    }
    // Lines go straight to the system: a write error then tells exactly how
    // much of the file is good.
    std::setvbuf(file_.get(), nullptr, _IONBF, 0);
    return Opened::ok;
}

bool CaptureFile::write(std::string_view lines) {
    if (!file_ || failed()) return false;
    if (lines.empty()) return true;
    errno = 0;
    const std::size_t n = std::fwrite(lines.data(), 1, lines.size(), file_.get());
    const std::size_t lastBreak = lines.substr(0, n).rfind('\n');
    const std::uint64_t total = written_.fetch_add(n) + n;
    if (lastBreak != std::string_view::npos) wholeLines_ = total - (n - lastBreak - 1);
    if (n == lines.size()) return true;
    const int code = errno != 0 ? errno : EIO;
    error_ = "cannot write " + shownName_ + " (" + std::strerror(code) + ")";
    return false;
}

bool CaptureFile::sync() {
    if (!file_ || failed()) return false;
    if (syncFileToDisk(file_.get())) return true;
    error_ = "cannot write " + shownName_ + " to the disk (" + std::strerror(errno) + ")";
    return false;
}

bool CaptureFile::close() {
    if (!file_) return !failed();
    const bool flushed = std::fflush(file_.get()) == 0;
    file_.reset();
    if (!flushed && !failed()) error_ = "cannot write " + shownName_ + " (" + std::strerror(errno) + ")";
    if (failed()) trimToWholeLines();
    return !failed();
}

void CaptureFile::trimToWholeLines() {
    if (wholeLines_ == written_.load()) return;
    std::error_code ec;
    const std::filesystem::path p(path_);
    // Only a regular file can be trimmed (not /dev/full or a pipe).
    if (std::filesystem::is_regular_file(p, ec)) std::filesystem::resize_file(p, wholeLines_, ec);
}

}  // namespace vesko
