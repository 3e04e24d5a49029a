// String rules of discovery: the interface tag, device-ID tests of the root walk, and hub pairing.
#include "watchman_discovery.h"

namespace vesko {

namespace {

constexpr char16_t kInterfaceTag[] = u"&mi_00";        // sought in a lowered interface path
constexpr char16_t kInterfaceChildTag[] = u"&MI_";     // sought in a raised device ID
constexpr char16_t kHubLevelMarker[] = u"#USB(";       // case-sensitive: USBROOT( never counts
constexpr std::size_t kPrefixLimit = 2;                 // own hub, then the hub above it

// Only A-Z and a-z fold: IDs and paths are ASCII, and no locale is ever set.
WideString lowerAscii(WideString text) {
    for (char16_t& c : text) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    }
    return text;
}

WideString upperAscii(WideString text) {
    for (char16_t& c : text) {
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    }
    return text;
}

}  // namespace

bool isMi00Path(const WideString& interfacePath) {
    return lowerAscii(interfacePath).find(kInterfaceTag) != WideString::npos;
}

bool isInterfaceChildId(const WideString& deviceId) {
    return upperAscii(deviceId).find(kInterfaceChildTag) != WideString::npos;
}

bool isUsbRootId(const WideString& deviceId, const WideString& prefix) {
    const WideString raised = upperAscii(deviceId);
    return raised.starts_with(prefix) && raised.find(kInterfaceChildTag) == WideString::npos;
}

std::vector<WideString> hubPrefixes(const WideString& locationPath) {
    std::vector<WideString> prefixes;
    WideString rest = locationPath;
    while (prefixes.size() < kPrefixLimit) {
        const std::size_t at = rest.rfind(kHubLevelMarker);
        if (at == WideString::npos) break;
        rest.resize(at);
        prefixes.push_back(rest);
    }
    return prefixes;
}

bool sharesHub(const WideString& a, const WideString& b) {
    if (a.empty() || b.empty()) return false;
    const std::vector<WideString> hubsOfB = hubPrefixes(b);
    for (const WideString& x : hubPrefixes(a)) {
        for (const WideString& y : hubsOfB) {
            if (x == y) return true;
        }
    }
    return false;
}

}  // namespace vesko
