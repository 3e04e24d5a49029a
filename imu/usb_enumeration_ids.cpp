// Device instance IDs and location paths in the platform's form, built from sysfs USB attributes.
#include "usb_enumeration_ids.h"

#include <string>

namespace vesko {

namespace {

constexpr std::string_view kRootHubDevpath = "0";

bool isNumber(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

}  // namespace

WideString usbInstanceId(std::string_view vendorHex, std::string_view productHex,
                         std::string_view interfaceHex, std::string_view instance) {
    std::string id = "USB\\VID_";
    id.append(vendorHex).append("&PID_").append(productHex);
    if (!interfaceHex.empty()) id.append("&MI_").append(interfaceHex);
    id.append("\\").append(instance);
    return widenSerial(id);
}

WideString usbLocationPath(std::string_view busnum, std::string_view devpath) {
    if (!isNumber(busnum) || devpath.empty()) return {};
    std::string path = "USBROOT(";
    path.append(busnum).append(")");
    if (devpath == kRootHubDevpath) return widenSerial(path);
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = devpath.find('.', start);
        const std::string_view port = devpath.substr(start, dot - start);
        if (!isNumber(port)) return {};
        path.append("#USB(").append(port).append(")");
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    return widenSerial(path);
}

}  // namespace vesko
