// Text from a file made safe to show on a terminal.
#include "printable_text.h"

namespace vesko {

std::string printableText(std::string_view bytes) {
    constexpr char kHexDigits[] = "0123456789abcdef";
    std::string shown;
    shown.reserve(bytes.size());
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7f) {
            shown += c;
            continue;
        }
        shown += "\\x";
        shown += kHexDigits[u >> 4];
        shown += kHexDigits[u & 0xf];
    }
    return shown;
}

}  // namespace vesko
