// Writing a whole text (a picture, a report) to a file.
#pragma once

#include <string>

namespace vesko {

// Creates or replaces `path` with `text`, byte for byte. False if any of it could not be written.
bool writeTextFile(const std::string& path, const std::string& text);

}  // namespace vesko
