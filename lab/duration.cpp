// Parsing a count with an s, m or h unit, bounded, and the clock form of a duration.
#include "duration.h"

#include <charconv>

#include "printf_string.h"

namespace vesko {

namespace {

constexpr std::int64_t kMaxSeconds = 1000LL * 3600;

std::int64_t unitSeconds(char unit) {
    switch (unit) {
        case 's': return 1;
        case 'm': return 60;
        case 'h': return 3600;
        default: return 0;
    }
}

}  // namespace

std::optional<std::int64_t> parseDurationSeconds(const std::string& text) {
    std::int64_t count = 0;
    const char* end = text.data() + text.size();
    const auto [stop, ec] = std::from_chars(text.data(), end, count);
    if (ec != std::errc() || stop == text.data()) return std::nullopt;
    const std::int64_t unit = stop == end ? 1 : (stop + 1 == end ? unitSeconds(*stop) : 0);
    if (unit == 0 || count <= 0 || count > kMaxSeconds / unit) return std::nullopt;
    return count * unit;
}

std::string clockText(std::int64_t seconds) {
    return printfString("%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                        static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
}

}  // namespace vesko
