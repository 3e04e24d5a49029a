// Conversions between narrow serials, the OS's UTF-16 device strings and printf's wide text.
#include "device_handle.h"

namespace vesko {

namespace {

constexpr char16_t kFirstPrintable = 0x20;
constexpr char16_t kLastPrintable = 0x7E;
constexpr wchar_t kStandIn = L'?';

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
        // Printable ASCII only. "%ls" stops the whole line at a unit the C
        // locale (glibc) or console code page (Windows) cannot write, and
        // control characters would let a device rewrite the terminal.
        const bool printable = unit >= kFirstPrintable && unit <= kLastPrintable;
        out.push_back(printable ? static_cast<wchar_t>(unit) : kStandIn);
    }
    return out;
}

}  // namespace vesko
