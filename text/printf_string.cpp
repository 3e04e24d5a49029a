// vsnprintf into a buffer on the stack, and a second pass into the string only for a longer text.
#include "printf_string.h"

#include <array>
#include <cstdarg>
#include <cstdio>

namespace vesko {

std::string printfString(const char* format, ...) {
    // Long enough for every console line, so that one pass formats it: replay
    // writes one for every 0.2 s of a capture, 432 000 for a day's.
    std::array<char, 512> buffer;
    std::va_list args;
    va_start(args, format);
    std::va_list argsForWrite;
    va_copy(argsForWrite, args);
    const int length = std::vsnprintf(buffer.data(), buffer.size(), format, args);
    va_end(args);
    std::string text;
    if (length > 0 && static_cast<std::size_t>(length) < buffer.size()) {
        text.assign(buffer.data(), static_cast<std::size_t>(length));
    } else if (length > 0) {
        text.resize(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(text.data(), text.size(), format, argsForWrite);
        text.resize(static_cast<std::size_t>(length));
    }
    va_end(argsForWrite);
    return text;
}

}  // namespace vesko
