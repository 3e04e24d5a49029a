// printf-style formatting into a std::string of whatever length the text needs.
#pragma once

#include <string>

#if defined(__GNUC__)
#define HEADVANE_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define HEADVANE_PRINTF_FORMAT(fmt, args)
#endif

namespace vesko {

std::string printfString(const char* format, ...) HEADVANE_PRINTF_FORMAT(1, 2);

}  // namespace vesko
