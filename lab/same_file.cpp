// Comparing two paths as files, not as text.
#include "same_file.h"

#include <filesystem>
#include <system_error>

namespace vesko {

bool namesSameFile(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::exists(a, ec) && fs::exists(b, ec)) return fs::equivalent(a, b, ec) && !ec;
    const fs::path pa = fs::weakly_canonical(a, ec);
    if (ec) return false;
    const fs::path pb = fs::weakly_canonical(b, ec);
    return !ec && pa == pb;
}

}  // namespace vesko
