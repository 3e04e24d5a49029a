// USB identities read from sysfs attributes, and location paths in the form
// Windows writes them, so that the same pairing rules serve both.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device_handle.h"

namespace vesko {

// True when sysfs's idVendor and idProduct texts ("28de", "2300"; hex in
// either case) name `vendor` and `product`.
bool isSysfsUsbProduct(std::string_view vendorHex, std::string_view productHex, std::uint16_t vendor,
                       std::uint16_t product);
// True when sysfs's bInterfaceNumber text ("00") names interface 0.
bool isSysfsFirstInterface(std::string_view interfaceHex);

// One root hub as sysfs shows it. A USB 3 controller has two, one per bus.
struct RootHub {
    std::string busnum;      // "1"
    std::string controller;  // the host controller it hangs from, unique on the machine ("0000:00:14.0")
    std::string ports;       // sysfs "maxchild"; empty when unknown
};

// Where one bus's root-hub ports sit among its controller's ports.
struct BusRoot {
    std::string controller;             // empty: the bus cannot be placed safely
    unsigned portOffset = 0;            // added to the root-hub port of every device on the bus
    std::optional<unsigned> portCount;  // ports of this bus's root hub; none when unknown
};

// The root of every bus, keyed by busnum. Windows numbers the USB 2 and USB 3
// ports of one controller in a single range; so do we: a controller's buses in
// busnum order, each bus's ports after all ports of the buses before it. A bus
// that follows one of unknown port count cannot be placed, since its ports
// could then take the numbers of another bus's.
std::map<std::string, BusRoot> busRoots(const std::vector<RootHub>& hubs);

// "USBROOT(<controller>)" and one "#USB(<port>)" per port of the devpath, the
// root-hub port moved by the bus's offset: devpath "2.3" on a bus with offset 4
// gives USBROOT(c)#USB(6)#USB(3); a root hub ("0") gives USBROOT(c). Empty when
// the devpath is not what sysfs writes, the bus is unplaced, or the root-hub
// port lies outside the bus's range.
WideString usbLocationPath(const BusRoot& root, std::string_view devpath);

}  // namespace vesko
