// Finds Watchman IMU interfaces and Dozero MCUs through libudev, and opens the IMU's hidraw nodes.
#include <fcntl.h>
#include <libudev.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <memory>
#include <string>

#include "access_rule.h"
#include "unique_fd.h"
#include "usb_enumeration_ids.h"
#include "watchman_discovery.h"

namespace vesko {

namespace {

constexpr std::size_t kSerialUnits = 128;  // as much of a serial as the platform's HID call gives
constexpr std::string_view kRootHubDevpath = "0";

struct UdevUnref {
    void operator()(udev* u) const noexcept { udev_unref(u); }
    void operator()(udev_enumerate* e) const noexcept { udev_enumerate_unref(e); }
    void operator()(udev_device* d) const noexcept { udev_device_unref(d); }
};
using Udev = std::unique_ptr<udev, UdevUnref>;
using UdevEnumerate = std::unique_ptr<udev_enumerate, UdevUnref>;
using UdevDevice = std::unique_ptr<udev_device, UdevUnref>;

std::string_view attribute(udev_device* device, const char* name) {
    const char* value = udev_device_get_sysattr_value(device, name);
    return value != nullptr ? value : "";
}

bool isProduct(udev_device* usbDevice, std::uint16_t vendor, std::uint16_t product) {
    return isSysfsUsbProduct(attribute(usbDevice, "idVendor"), attribute(usbDevice, "idProduct"), vendor, product);
}

// Where a USB device sits: its bus and its ports from the root hub down ("2.3").
struct UsbPlace {
    std::string busnum;
    std::string devpath;
};

UsbPlace placeOf(udev_device* usbDevice) {
    return {std::string(attribute(usbDevice, "busnum")), std::string(attribute(usbDevice, "devpath"))};
}

// A root hub is named after its host controller, the device it hangs from, so
// that the USB 2 and USB 3 buses of one controller share a root as on Windows.
// A root hub without a parent stands for its own controller.
RootHub rootHubOf(udev_device* hub) {
    udev_device* controller = udev_device_get_parent(hub);  // owned by `hub`
    const char* name = udev_device_get_sysname(controller != nullptr ? controller : hub);
    return {std::string(attribute(hub, "busnum")), name != nullptr ? name : "",
            std::string(attribute(hub, "maxchild"))};
}

using BusRoots = std::map<std::string, BusRoot>;

WideString locationPathOf(const BusRoots& roots, const UsbPlace& place) {
    const auto root = roots.find(place.busnum);
    return root != roots.end() ? usbLocationPath(root->second, place.devpath) : WideString();
}

WideString serialOf(udev_device* usbDevice) {
    WideString serial = widenSerial(std::string(attribute(usbDevice, "serial")));
    const std::size_t nul = serial.find(u'\0');
    serial.resize(std::min({serial.size(), nul, kSerialUnits}));
    return serial;
}

// libudev's calls return a negative errno on failure.
bool failed(std::string& failure, const char* call, int result) {
    failure = enumerationFailure(call, static_cast<unsigned long>(-result));
    return false;
}

// Runs `visit` on every device of `subsystem` (and `devtype`, if given), in
// libudev's order. False, with the failed call in `failure`, when the list
// cannot be had.
template <typename Visit>
bool forEachDevice(udev* context, const char* subsystem, const char* devtype, Visit visit, std::string& failure) {
    UdevEnumerate enumerate(udev_enumerate_new(context));
    if (!enumerate) return failed(failure, "udev_enumerate_new", -errno);
    if (const int r = udev_enumerate_add_match_subsystem(enumerate.get(), subsystem); r < 0) {
        return failed(failure, "udev_enumerate_add_match_subsystem", r);
    }
    if (devtype != nullptr) {
        if (const int r = udev_enumerate_add_match_property(enumerate.get(), "DEVTYPE", devtype); r < 0) {
            return failed(failure, "udev_enumerate_add_match_property", r);
        }
    }
    if (const int r = udev_enumerate_scan_devices(enumerate.get()); r < 0) {
        return failed(failure, "udev_enumerate_scan_devices", r);
    }
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
        UdevDevice device(udev_device_new_from_syspath(context, udev_list_entry_get_name(entry)));
        if (device) visit(device.get());
    }
    return true;
}

// One pass over the USB devices: every root hub, and where each Dozero MCU
// sits. Without it no unit is paired, as when no MCU is attached.
void scanUsbDevices(udev* context, std::vector<RootHub>& hubs, std::vector<UsbPlace>& mcus) {
    std::string ignored;
    forEachDevice(
        context, "usb", "usb_device",
        [&](udev_device* device) {
            if (attribute(device, "devpath") == kRootHubDevpath) {
                hubs.push_back(rootHubOf(device));
            } else if (isProduct(device, kDozeroMcuVendorId, kDozeroMcuProductId)) {
                mcus.push_back(placeOf(device));
            }
        },
        ignored);
}

// Opens one hidraw node if it is interface 0 of a Watchman; nodes of other
// interfaces and other devices are never opened.
void considerHidraw(udev_device* hidraw, const BusRoots& roots, WatchmanEnumeration& found) {
    udev_device* usbInterface = udev_device_get_parent_with_subsystem_devtype(hidraw, "usb", "usb_interface");
    udev_device* usbDevice = udev_device_get_parent_with_subsystem_devtype(hidraw, "usb", "usb_device");
    const char* node = udev_device_get_devnode(hidraw);
    if (usbInterface == nullptr || usbDevice == nullptr || node == nullptr) return;
    if (!isSysfsFirstInterface(attribute(usbInterface, "bInterfaceNumber"))) return;
    if (!isProduct(usbDevice, kWatchmanVendorId, kWatchmanProductId)) return;

    UniqueFd fd(::open(node, O_RDWR | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid()) {
        if (errno == EACCES || errno == EPERM) found.permissionDenied.emplace_back(node);
        return;
    }
    const WideString location = locationPathOf(roots, placeOf(usbDevice));
    const bool paired = std::any_of(found.mcuPaths.begin(), found.mcuPaths.end(),
                                    [&](const WideString& mcuPath) { return sharesHub(location, mcuPath); });
    found.candidates.push_back({fd.get(), serialOf(usbDevice), paired});
    fd.release();  // the candidate list owns it now
}

}  // namespace

bool enumerateWatchmen(WatchmanEnumeration& found) {
    Udev context(udev_new());
    if (!context) return failed(found.failure, "udev_new", -errno);
    // The roots and MCUs first, so that each unit can be paired as it is found.
    std::vector<RootHub> hubs;
    std::vector<UsbPlace> mcus;
    scanUsbDevices(context.get(), hubs, mcus);
    const BusRoots roots = busRoots(hubs);
    for (const UsbPlace& mcu : mcus) {
        WideString path = locationPathOf(roots, mcu);
        if (!path.empty()) found.mcuPaths.push_back(std::move(path));
    }
    const bool listed = forEachDevice(
        context.get(), "hidraw", nullptr, [&](udev_device* hidraw) { considerHidraw(hidraw, roots, found); },
        found.failure);
    if (!found.permissionDenied.empty()) found.accessRule = installedAccessRule();
    return listed;
}

void closeDevice(DeviceHandle handle) noexcept {
    if (handle >= 0) ::close(static_cast<int>(handle));
}

}  // namespace vesko
