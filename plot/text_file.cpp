// Writes a whole text to a file, reporting any failure including the close.
#include "text_file.h"

#include <cstdio>

namespace vesko {

bool writeTextFile(const std::string& path, const std::string& text) {
    std::FILE* raw = std::fopen(path.c_str(), "wb");
    if (raw == nullptr) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), raw) == text.size();
    const bool closed = std::fclose(raw) == 0;  // a full disk may show only here
    return written && closed;
}

}  // namespace vesko
