// Conversions between narrow serials, the OS's UTF-16 device strings and printf's wide text.
#include "device_handle.h"

namespace vesko {

namespace {

constexpr char16_t kFirstPrintable = 0x20;
constexpr char16_t kLastPrintable = 0x7E;
constexpr wchar_t kStandIn = L'?';

// Printable ASCII only: control characters would let a device (or a file)
// rewrite the terminal, and anything above ASCII may not print at all.
bool isPrintable(std::uint32_t unit) { return unit >= kFirstPrintable && unit <= kLastPrintable; }

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
    // "%ls" also stops the whole line at a unit the C locale (glibc) or the
    // console code page (Windows) cannot write.
    for (char16_t unit : wide) out.push_back(isPrintable(unit) ? static_cast<wchar_t>(unit) : kStandIn);
    return out;
}

std::string toPrintable(const std::string& narrow) {
    std::string out;
    out.reserve(narrow.size());
    for (char c : narrow) {
        const auto byte = static_cast<unsigned char>(c);
        out.push_back(isPrintable(byte) ? c : static_cast<char>(kStandIn));
    }
    return out;
}

}  // namespace vesko
