// The capture file a recording writes: plain text, or gzip-compressed when its name asks for it.
#include "capture_output.h"

#include <algorithm>
#include <cctype>

namespace vesko {

bool isCompressedCaptureName(std::string_view path) {
    constexpr std::string_view kSuffix = ".gz";
    if (path.size() < kSuffix.size()) return false;
    const std::string_view end = path.substr(path.size() - kSuffix.size());
    return std::equal(end.begin(), end.end(), kSuffix.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    });
}

CaptureFile::Opened CaptureOutput::open(const std::string& path, bool overwrite, bool compressed,
                                         const std::string& shownName) {
    if (compressed) {
        file_.emplace<GzipCaptureFile>();
    } else {
        file_.emplace<CaptureFile>();
    }
    return std::visit([&](auto& file) { return file.open(path, overwrite, shownName); }, file_);
}

bool CaptureOutput::write(std::string_view lines) {
    return std::visit([lines](auto& file) { return file.write(lines); }, file_);
}

bool CaptureOutput::sync() {
    return std::visit([](auto& file) { return file.sync(); }, file_);
}

bool CaptureOutput::close() {
    return std::visit([](auto& file) { return file.close(); }, file_);
}

bool CaptureOutput::failed() const {
    return std::visit([](const auto& file) { return file.failed(); }, file_);
}

const std::string& CaptureOutput::error() const {
    return std::visit([](const auto& file) -> const std::string& { return file.error(); }, file_);
}

std::uint64_t CaptureOutput::bytesWritten() const {
    return std::visit([](const auto& file) { return file.bytesWritten(); }, file_);
}

}  // namespace vesko
