// Two passes of vsnprintf: the length first, then the text into a string of that size.
#include "printf_string.h"

#include <cstdarg>
#include <cstdio>

namespace vesko {

std::string printfString(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::va_list argsForWrite;
    va_copy(argsForWrite, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text;
    if (length > 0) {
        text.resize(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(text.data(), text.size(), format, argsForWrite);
        text.resize(static_cast<std::size_t>(length));
    }
    va_end(argsForWrite);
    return text;
}

}  // namespace vesko
