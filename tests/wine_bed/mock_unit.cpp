// The mocked unit's sysfs tree, hidraw node, ioctl answers and report writes.
#include "mock_unit.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <umockdev.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vesko::bed {

namespace {

constexpr char kUsbDevice[] = "/devices/pci0000:00/0000:00:14.0/usb1/1-2";
constexpr int kHidrawMajor = 241;

std::string nodeName(int generation) { return "hidraw" + std::to_string(generation); }

gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer identity) {
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    const std::optional<IoctlAnswer> answer =
        answerHidraw(request, *static_cast<const UnitIdentity*>(identity));
    if (!answer) return FALSE;  // umockdev then fails the call with ENOTTY
    GError* error = nullptr;
    UMockdevIoctlData* data = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0,
                                                          _IOC_SIZE(request), &error);
    if (data == nullptr || answer->offset + answer->bytes.size() > static_cast<std::size_t>(data->data_len)) {
        std::fprintf(stderr, "bed: cannot answer ioctl %#lx\n", request);
        if (error != nullptr) g_error_free(error);
        umockdev_ioctl_client_complete(client, -1, EFAULT);
        return TRUE;
    }
    std::memcpy(data->data + answer->offset, answer->bytes.data(), answer->bytes.size());
    umockdev_ioctl_client_complete(client, answer->result, 0);
    g_object_unref(data);
    return TRUE;
}

}  // namespace

MockUnit::MockUnit(UnitIdentity identity)
    : identity_(std::move(identity)), bed_(umockdev_testbed_new()), answers_(umockdev_ioctl_base_new()) {
    g_signal_connect(answers_, "handle-ioctl", G_CALLBACK(onIoctl), &identity_);
}

MockUnit::~MockUnit() {
    if (watch_ >= 0) ::close(watch_);
    g_object_unref(answers_);
    g_object_unref(bed_);
}

std::string MockUnit::rootDir() const {
    gchar* root = umockdev_testbed_get_root_dir(bed_);
    std::string text(root);
    g_free(root);
    return text;
}

bool MockUnit::plug() {
    std::scoped_lock guard(mutex_);
    const int generation = generation_ + 1;
    const std::string node = nodeName(generation);
    const std::string iface = std::string(kUsbDevice) + "/1-2:1.0";
    const std::string hid = iface + "/0003:28DE:2300.000" + std::to_string(generation + 1);
    const std::string text =
        std::string("P: ") + kUsbDevice + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nA: idVendor=28de\n"
        "A: idProduct=2300\nA: serial=" + identity_.serial + "\nA: busnum=1\nA: devpath=2\n\n"
        "P: " + iface + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nA: bInterfaceNumber=00\n\n"
        "P: " + hid + "\nE: SUBSYSTEM=hid\nE: HID_ID=0003:000028DE:00002300\nE: HID_NAME=" + identity_.name +
        "\nE: HID_PHYS=" + identity_.phys + "\nE: HID_UNIQ=" + identity_.serial + "\n\n"
        "P: " + hid + "/hidraw/" + node + "\nN: " + node + "\nE: DEVNAME=/dev/" + node +
        "\nE: SUBSYSTEM=hidraw\nA: dev=" + std::to_string(kHidrawMajor) + ":" + std::to_string(generation) + "\n";
    // The answers must be in place before the node appears: a reader asks at
    // once (the testbed announces each added device itself).
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(bed_, ("/dev/" + node).c_str(), answers_, &error) ||
        !umockdev_testbed_add_from_string(bed_, text.c_str(), &error)) {
        std::fprintf(stderr, "bed: cannot add the unit: %s\n", error != nullptr ? error->message : "?");
        if (error != nullptr) g_error_free(error);
        return false;
    }
    generation_ = generation;
    devices_ = {"/sys" + std::string(kUsbDevice), "/sys" + iface, "/sys" + hid, "/sys" + hid + "/hidraw/" + node};
    master_ = umockdev_testbed_get_dev_fd(bed_, ("/dev/" + node).c_str());
    if (watch_ >= 0) ::close(watch_);
    watch_ = master_ >= 0 ? ::open(::ptsname(master_), O_RDWR | O_NOCTTY | O_CLOEXEC) : -1;
    return master_ >= 0 && watch_ >= 0;
}

// Only the uevents tell Wine that the unit left: it then drops the device and
// fails the reads under way. A hung-up node (the far end closed) would not do:
// Wine 8 then stops handling uevents altogether.
void MockUnit::unplug() {
    std::scoped_lock guard(mutex_);
    for (auto path = devices_.rbegin(); path != devices_.rend(); ++path) {
        umockdev_testbed_uevent(bed_, path->c_str(), "remove");
        umockdev_testbed_remove_device(bed_, path->c_str());
    }
    devices_.clear();
    master_ = -1;
}

bool MockUnit::drained() const {
    // poll, unlike FIONREAD, first pushes what was just written through the
    // pty to the reader's side, so a report still on its way counts as unread.
    pollfd unread{watch_, POLLIN, 0};
    return ::poll(&unread, 1, 0) == 0;
}

bool MockUnit::offer(const ImuReportBytes& report) {
    std::scoped_lock guard(mutex_);
    if (master_ < 0 || !drained()) return false;
    return ::write(master_, report.data(), report.size()) == static_cast<ssize_t>(report.size());
}

}  // namespace vesko::bed
