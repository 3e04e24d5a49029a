// Conversions between narrow serials, the OS's UTF-16 device strings and printf's wide text.
#include "device_handle.h"

namespace vesko {

namespace {

constexpr char16_t kFirstPrintable = 0x20;
constexpr char16_t kLastAscii = 0x7E;
constexpr wchar_t kStandIn = L'?';

// Where wchar_t is UTF-16 (Windows), "%ls" writes any unit in the console's
// code page. Elsewhere glibc's "%ls" fails outright on non-ASCII text in the C
// locale, taking the rest of the line with it, so such units are replaced.
constexpr bool kWideIsUtf16 = sizeof(wchar_t) == sizeof(char16_t);

}  // namespace

WideString widenSerial(const std::string& narrow) {
    WideString wide;
    wide.reserve(narrow.size());
    // Through unsigned char: a byte 0xE9 must become U+00E9, not U+FFE9.
    for (char c : narrow) wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    return wide;
}

std::string narrowSerial(const WideString& wide) {
    std::string narrow;
    narrow.reserve(wide.size());
    for (char16_t unit : wide) narrow.push_back(static_cast<char>(unit & 0xFF));
    return narrow;
}

std::wstring toPrintable(const WideString& wide) {
    std::wstring out;
    out.reserve(wide.size());
    for (char16_t unit : wide) {
        // Device strings reach the terminal: control characters would let a
        // device move the cursor or rewrite the line, so they never pass.
        const bool control = unit < kFirstPrintable || unit == kLastAscii + 1;
        const bool ascii = unit <= kLastAscii;
        if (control || (!ascii && !kWideIsUtf16)) {
            out.push_back(kStandIn);
        } else {
            out.push_back(static_cast<wchar_t>(unit));
        }
    }
    return out;
}

}  // namespace vesko
