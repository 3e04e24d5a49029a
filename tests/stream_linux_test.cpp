// The port rig on Linux: units are mocked hidraw nodes in a umockdev testbed,
// found by the real libudev discovery.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <umockdev.h>

#include <cerrno>
#include <map>
#include <vector>

#include "stream_port_rig.h"

namespace vesko {

namespace {

constexpr int kFirstPort = 2;  // root-hub port of the first unit

std::string devnode(int node) { return "/dev/hidraw" + std::to_string(node); }

}  // namespace

// Each unit sits on its own root-hub port with its own node. umockdev keeps a
// map entry per pty number after a node is removed, so a successor is always
// plugged before its predecessor goes: a freed pty number is never reused.
struct PortRig::Impl {
    UMockdevTestbed* bed = umockdev_testbed_new();
    std::map<int, std::vector<std::string>> sysPaths;  // per unit, bottom-up
    int units = 0;

    ~Impl() { g_object_unref(bed); }
    int master(int unit) { return umockdev_testbed_get_dev_fd(bed, devnode(2 * unit).c_str()); }
};

PortRig::PortRig() : impl_(std::make_unique<Impl>()) {}
PortRig::~PortRig() = default;

int PortRig::plug() {
    const int unit = impl_->units++;
    const std::string port = std::to_string(kFirstPort + unit);
    const std::string node = std::to_string(2 * unit);
    const std::string usb = "/devices/pci0000:00/0000:00:14.0/usb1/1-" + port;
    const std::string iface = usb + "/1-" + port + ":1.0";
    const std::string hid = iface + "/0003:28DE:2300.000" + std::to_string(unit + 1);
    const std::string text =
        "P: " + hid + "/hidraw/hidraw" + node + "\nN: hidraw" + node + "\nE: DEVNAME=" +
        devnode(2 * unit) + "\nE: SUBSYSTEM=hidraw\nA: dev=241:" + node + "\n\nP: " + hid +
        "\nE: SUBSYSTEM=hid\n\nP: " + iface +
        "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nA: bInterfaceNumber=00\n\nP: " + usb +
        "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nA: idVendor=28de\nA: idProduct=2300\nA: serial=" +
        kRigSerial + "\nA: busnum=1\nA: devpath=" + port + "\n";
    GError* error = nullptr;
    const bool added = umockdev_testbed_add_from_string(impl_->bed, text.c_str(), &error);
    if (error != nullptr) {
        ADD_FAILURE() << error->message;
        g_error_free(error);
    }
    impl_->sysPaths[unit] = {"/sys" + hid + "/hidraw/hidraw" + node, "/sys" + hid, "/sys" + iface,
                             "/sys" + usb};
    return added ? unit : -1;
}

bool PortRig::send(int unit, const fake::ReportBytes& report) {
    // The node buffers what is written until the stream reads it.
    return ::write(impl_->master(unit), report.data(), report.size()) ==
           static_cast<ssize_t>(report.size());
}

void PortRig::unplug(int unit) {
    // The testbed owns the node's far end: replace it with /dev/null to hang
    // the node up, never close it.
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    ::dup2(null, impl_->master(unit));
    ::close(null);
    for (const std::string& path : impl_->sysPaths[unit]) {
        umockdev_testbed_remove_device(impl_->bed, path.c_str());
    }
}

std::vector<unsigned long> PortRig::lossErrors() const {
    return {ENODEV};  // a hung-up node reads end-of-file
}

}  // namespace vesko
