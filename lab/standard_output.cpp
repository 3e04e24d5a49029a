// The end-of-command check of standard output: flushed, and no write failed on the way.
#include "standard_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace vesko {

bool standardOutputWritten(const char* command) {
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    const int code = errno;
    if (flushed && !std::ferror(stdout)) return true;
    // A write that failed earlier left only the stream's error mark, not its reason.
    const std::string reason = !flushed && code != 0 ? std::string(" (") + std::strerror(code) + ")" : "";
    std::fprintf(stderr, "%s: cannot write to standard output%s\n", command, reason.c_str());
    return false;
}

}  // namespace vesko
