// Device instance IDs and location paths in the platform's form, built from sysfs USB attributes.
#pragma once

#include <string_view>

#include "device_handle.h"

namespace vesko {

// "USB\VID_<vendor>&PID_<product>[&MI_<interface>]\<instance>" from sysfs text
// ("28de", "2300", "00" or empty for the whole device, "1-2.3"), so the same
// ID rules serve sysfs and the Windows configuration manager.
WideString usbInstanceId(std::string_view vendorHex, std::string_view productHex,
                         std::string_view interfaceHex, std::string_view instance);

// "USBROOT(<bus>)" and one "#USB(<port>)" per port of the devpath: bus 1,
// devpath "2.3" gives USBROOT(1)#USB(2)#USB(3); a root hub ("0") gives
// USBROOT(1). Empty when either attribute is not what sysfs writes.
WideString usbLocationPath(std::string_view busnum, std::string_view devpath);

}  // namespace vesko
