// An output written beside its name and put in place only when whole.
#include "output_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "text_file.h"

namespace vesko {

namespace fs = std::filesystem;

OutputFile::~OutputFile() { discard(); }

OutputFile::Opened OutputFile::open(const std::string& path, bool replace) {
    discard();
    path_ = path;
    error_.clear();
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (fs::exists(status)) {
        if (!replace) {
            error_ = path + " exists (use --force to replace it)";
            return Opened::exists;
        }
        if (fs::is_directory(status)) {
            error_ = "cannot create " + path + " (" + std::strerror(EISDIR) + ")";
            return Opened::failed;
        }
        if (!fs::is_regular_file(status)) {  // a device or a pipe: there is nothing to replace
            writePath_ = target_ = path;
            direct_ = open_ = true;
            return Opened::ok;
        }
    }
    // Through a link the file it points to is replaced, and the link stays.
    target_ = path;
    if (fs::is_symlink(fs::symlink_status(path, ec))) {
        const fs::path resolved = fs::weakly_canonical(path, ec);
        if (!ec) target_ = resolved.string();
    }
    writePath_ = target_ + kPartSuffix;
    int code = 0;
    switch (createNewFile(writePath_, code)) {
        case NewFile::created:
            direct_ = false;
            open_ = true;
            return Opened::ok;
        case NewFile::exists:
            error_ = writePath_ + " exists (left by an earlier run?): rename or remove it first";
            return Opened::partExists;
        case NewFile::failed: break;
    }
    error_ = "cannot create " + path + " (" + std::strerror(code) + ")";
    return Opened::failed;
}

bool OutputFile::commit() {
    if (!open_) return error_.empty();
    open_ = false;
    if (direct_) return true;
    std::error_code ec;
    fs::rename(writePath_, target_, ec);  // replaces an existing file, on Windows too
    if (!ec) return true;
    error_ = "cannot rename " + writePath_ + " to " + path_ + " (" + ec.message() + "); the output is in " + writePath_;
    return false;
}

bool OutputFile::writeWhole(const std::string& text) {
    if (!open_) return false;
    if (writeTextFile(writePath_, text)) return commit();
    discard();
    return false;
}

void OutputFile::discard() {
    if (!open_) return;
    open_ = false;
    if (direct_) return;
    std::error_code ec;
    if (fs::is_regular_file(fs::symlink_status(writePath_, ec))) fs::remove(writePath_, ec);
}

}  // namespace vesko
