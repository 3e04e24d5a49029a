// Comparing two paths as files, not as text.
#include "same_file.h"

#include <cstdio>
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

bool outputsOverlap(const char* command, std::initializer_list<NamedFile> outputs,
                    std::initializer_list<NamedFile> inputs) {
    for (auto out = outputs.begin(); out != outputs.end(); ++out) {
        if (out->path.empty()) continue;
        for (const NamedFile& in : inputs) {
            if (in.path.empty() || !namesSameFile(out->path, in.path)) continue;
            std::fprintf(stderr, "%s: %s %s is the %s file: refusing to write over an input\n", command, out->option,
                         out->path.c_str(), in.option);
            return true;
        }
        for (auto earlier = outputs.begin(); earlier != out; ++earlier) {
            if (earlier->path.empty() || !namesSameFile(out->path, earlier->path)) continue;
            std::fprintf(stderr, "%s: %s %s is also the %s file: give each output its own file\n", command,
                         out->option, out->path.c_str(), earlier->option);
            return true;
        }
    }
    return false;
}

}  // namespace vesko
