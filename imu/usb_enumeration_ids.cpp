// Device instance IDs and location paths in the platform's form, built from sysfs USB attributes.
#include "usb_enumeration_ids.h"

#include <algorithm>
#include <charconv>

namespace vesko {

namespace {

constexpr std::string_view kRootHubDevpath = "0";
constexpr unsigned kMaxPorts = 255;  // a hub's port number is one byte
// Characters that would end a segment of a location path or start a false "#USB(".
constexpr std::string_view kPathSyntax = "#()";

std::optional<unsigned> number(std::string_view text, unsigned limit, int base = 10) {
    unsigned value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || error != std::errc{} || stop != end || value > limit) return std::nullopt;
    return value;
}

std::optional<unsigned> hexNumber(std::string_view text, unsigned limit) { return number(text, limit, 16); }

bool usableControllerName(std::string_view name) {
    return !name.empty() && name.find_first_of(kPathSyntax) == std::string_view::npos;
}

// The root-hub port of a devpath, then the rest as "#USB(n)" segments.
bool appendPorts(std::string& path, const BusRoot& root, std::string_view devpath) {
    bool first = true;
    for (std::size_t start = 0;;) {
        const std::size_t dot = devpath.find('.', start);
        std::optional<unsigned> port = number(devpath.substr(start, dot - start), kMaxPorts);
        if (!port) return false;
        // Port 0 would take the last number of the bus before.
        if (first && (*port == 0 || (root.portCount && *port > *root.portCount))) return false;
        path.append("#USB(").append(std::to_string(*port + (first ? root.portOffset : 0))).append(")");
        if (dot == std::string_view::npos) return true;
        first = false;
        start = dot + 1;
    }
}

}  // namespace

bool isSysfsUsbProduct(std::string_view vendorHex, std::string_view productHex, std::uint16_t vendor,
                       std::uint16_t product) {
    return hexNumber(vendorHex, 0xFFFF) == vendor && hexNumber(productHex, 0xFFFF) == product;
}

bool isSysfsFirstInterface(std::string_view interfaceHex) { return hexNumber(interfaceHex, 0xFF) == 0u; }

std::map<std::string, BusRoot> busRoots(const std::vector<RootHub>& hubs) {
    std::map<std::string, std::vector<std::pair<unsigned, const RootHub*>>> byController;
    for (const RootHub& hub : hubs) {
        const std::optional<unsigned> bus = number(hub.busnum, ~0u);
        if (bus && usableControllerName(hub.controller)) byController[hub.controller].emplace_back(*bus, &hub);
    }
    std::map<std::string, BusRoot> roots;
    for (auto& [controller, buses] : byController) {
        std::sort(buses.begin(), buses.end());
        bool placeable = true;
        BusRoot next{controller, 0, std::nullopt};
        for (const auto& [bus, hub] : buses) {
            BusRoot& root = roots[hub->busnum];
            if (placeable) root = next;
            root.portCount = number(hub->ports, kMaxPorts);
            placeable = placeable && root.portCount.has_value();
            if (placeable) next.portOffset += *root.portCount;
        }
    }
    return roots;
}

WideString usbLocationPath(const BusRoot& root, std::string_view devpath) {
    if (root.controller.empty() || devpath.empty()) return {};
    std::string path = "USBROOT(" + root.controller + ")";
    if (devpath != kRootHubDevpath && !appendPorts(path, root, devpath)) return {};
    return widenSerial(path);
}

}  // namespace vesko
