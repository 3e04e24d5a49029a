// Tests of Linux discovery against mocked sysfs trees of hubs, IMU units and MCUs (run under umockdev).
#include <dirent.h>
#include <climits>
#include <fcntl.h>
#include <linux/capability.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <umockdev.h>

#include <map>
#include <string>
#include <vector>

#include "watchman_discovery.h"

namespace vesko {
namespace {

using Attributes = std::vector<std::pair<std::string, std::string>>;

// Builds a USB tree in a umockdev testbed, creating missing hubs on the way.
class UsbTree {
public:
    UsbTree() : bed_(umockdev_testbed_new()) {}
    ~UsbTree() { g_object_unref(bed_); }
    UsbTree(const UsbTree&) = delete;
    UsbTree& operator=(const UsbTree&) = delete;

    struct Unit {
        std::string serial;
        std::string vendor = "28de";
        std::string interface = "00";
        bool hasSerial = true;
    };

    // A Watchman-like unit at bus/devpath ("1", "2.3"); returns its hidraw node.
    std::string addUnit(const std::string& bus, const std::string& devpath, const Unit& unit) {
        Attributes attrs = {{"idVendor", unit.vendor}, {"idProduct", "2300"}};
        if (unit.hasSerial) attrs.emplace_back("serial", unit.serial);
        const std::string device = usbDevice(bus, devpath, attrs);
        const std::string sysname = bus + "-" + devpath + ":1." + std::to_string(std::stoi(unit.interface));
        const std::string iface = add("usb", sysname, device, {{"bInterfaceNumber", unit.interface}},
                                      {{"DEVTYPE", "usb_interface"}});
        char hidName[32];
        std::snprintf(hidName, sizeof(hidName), "0003:%s:2300.%04X", unit.vendor.c_str(), ++nodes_);
        const std::string hid = add("hid", hidName, iface, {}, {});
        return addNode(hid, "hidraw" + std::to_string(nodes_));
    }

    void addMcu(const std::string& bus, const std::string& devpath) {
        usbDevice(bus, devpath, {{"idVendor", "35bd"}, {"idProduct", "0101"}});
    }

    int masterOf(const std::string& node) { return umockdev_testbed_get_dev_fd(bed_, node.c_str()); }
    std::string fileOf(const std::string& node) {
        gchar* root = umockdev_testbed_get_root_dir(bed_);
        std::string path = std::string(root) + node;
        g_free(root);
        return path;
    }

    // True when this process holds the mocked node open (its pty end is among our descriptors).
    bool heldOpen(const std::string& node) {
        char target[PATH_MAX] = {};
        if (::readlink(fileOf(node).c_str(), target, sizeof(target) - 1) <= 0) return false;
        DIR* dir = ::opendir("/proc/self/fd");
        bool held = false;
        for (dirent* entry = dir ? ::readdir(dir) : nullptr; entry != nullptr && !held; entry = ::readdir(dir)) {
            char link[PATH_MAX] = {};
            const std::string fdPath = std::string("/proc/self/fd/") + entry->d_name;
            held = ::readlink(fdPath.c_str(), link, sizeof(link) - 1) > 0 && std::string(link) == target;
        }
        if (dir != nullptr) ::closedir(dir);
        return held;
    }

private:
    std::string add(const std::string& subsystem, const std::string& name, const std::string& parent,
                    const Attributes& attributes, const Attributes& properties) {
        std::vector<gchar*> attrs = flatten(attributes);
        std::vector<gchar*> props = flatten(properties);
        gchar* syspath = umockdev_testbed_add_devicev(bed_, subsystem.c_str(), name.c_str(),
                                                      parent.empty() ? nullptr : parent.c_str(),
                                                      attrs.data(), props.data());
        EXPECT_NE(syspath, nullptr) << name;
        std::string result = syspath != nullptr ? syspath : "";
        g_free(syspath);
        return result;
    }

    // Only a device described in text gets its /dev node (a pty) made.
    std::string addNode(const std::string& parent, const std::string& name) {
        const std::string devnode = "/dev/" + name;
        const std::string text = "P: " + parent.substr(std::string_view("/sys").size()) + "/" + name +
                                 "\nN: " + name + "\nE: DEVNAME=" + devnode + "\nE: SUBSYSTEM=hidraw\nA: dev=241:" +
                                 std::to_string(nodes_) + "\n";
        GError* error = nullptr;
        EXPECT_TRUE(umockdev_testbed_add_from_string(bed_, text.c_str(), &error)) << (error ? error->message : "");
        if (error != nullptr) g_error_free(error);
        return devnode;
    }

    static std::vector<gchar*> flatten(const Attributes& pairs) {
        std::vector<gchar*> flat;
        for (const auto& [key, value] : pairs) {
            flat.push_back(const_cast<gchar*>(key.c_str()));
            flat.push_back(const_cast<gchar*>(value.c_str()));
        }
        flat.push_back(nullptr);
        return flat;
    }

    // The usb_device at bus/devpath ("0" is the root hub), after its parent hubs.
    std::string usbDevice(const std::string& bus, const std::string& devpath, Attributes attrs) {
        const std::string key = bus + "/" + devpath;
        if (auto known = devices_.find(key); known != devices_.end()) return known->second;
        const std::size_t dot = devpath.rfind('.');
        const std::string parent = devpath == "0" ? ""
                                   : usbDevice(bus, dot == std::string::npos ? "0" : devpath.substr(0, dot), {});
        if (attrs.empty()) attrs = {{"idVendor", "abcd"}, {"idProduct", "0001"}};  // a plain hub
        attrs.emplace_back("busnum", bus);
        attrs.emplace_back("devpath", devpath);
        const std::string name = devpath == "0" ? "usb" + bus : bus + "-" + devpath;
        return devices_[key] = add("usb", name, parent, attrs, {{"DEVTYPE", "usb_device"}});
    }

    UMockdevTestbed* bed_;
    std::map<std::string, std::string> devices_;
    int nodes_ = 0;
};

// True when `fd` is the far end of the mocked node whose master side is `master`.
bool isNode(int fd, int master) {
    const char token = 'k';
    if (::write(master, &token, 1) != 1) return false;
    pollfd ready{fd, POLLIN, 0};
    char got = 0;
    return ::poll(&ready, 1, 2000) == 1 && ::read(fd, &got, 1) == 1 && got == token;
}

// Removes DAC override from this thread's effective set, so that a root test
// run sees file modes the way an ordinary user does.
class WithoutFileOverride {
public:
    WithoutFileOverride() {
        if (::geteuid() != 0) return;
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        if (::syscall(SYS_capget, &header, saved_) != 0) return;
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        active_ = ::syscall(SYS_capset, &header, reduced) == 0;
    }
    ~WithoutFileOverride() {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        if (active_) ::syscall(SYS_capset, &header, saved_);
    }
    WithoutFileOverride(const WithoutFileOverride&) = delete;
    WithoutFileOverride& operator=(const WithoutFileOverride&) = delete;

private:
    __user_cap_data_struct saved_[2] = {};
    bool active_ = false;
};

// Enumerates with every mocked node closed to us: whatever discovery tried to
// open shows up in permissionDenied.
WatchmanEnumeration enumerateLocked(UsbTree& tree, const std::vector<std::string>& nodes) {
    for (const std::string& node : nodes) EXPECT_EQ(::chmod(tree.fileOf(node).c_str(), 0), 0) << node;
    WithoutFileOverride guard;
    WatchmanEnumeration found;
    EXPECT_TRUE(enumerateWatchmen(found));
    return found;
}

struct Result {
    DeviceHandle handle = kNoDevice;
    WideString chosen = u"(untouched)";
    std::string out, err;
};

Result open(const WideString& filter) {
    Result r;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    r.handle = openWatchman(filter, &r.chosen, true);
    r.out = ::testing::internal::GetCapturedStdout();
    r.err = ::testing::internal::GetCapturedStderr();
    return r;
}

const std::string kRefusedHead = "TundraImu: cannot pick among ";
const std::string kTag = "  [shares hub with Dozero MCU]";

TEST(LinuxDiscovery, NoUnitFindsNothing) {
    UsbTree tree;
    tree.addMcu("1", "2.4");
    const Result r = open(u"");
    EXPECT_EQ(r.handle, kNoDevice);
    EXPECT_EQ(r.out, "TundraImu: 0 Watchman device(s), 0 MCU-paired\n");
    EXPECT_EQ(r.err, "");
}

TEST(LinuxDiscovery, LoneUnpairedUnitIsRefusedAndClosed) {
    UsbTree tree;
    const std::string node = tree.addUnit("1", "2.3", {"LHR-A"});
    Result r = open(u"");
    EXPECT_EQ(r.handle, kNoDevice);
    EXPECT_EQ(r.out, "TundraImu: 1 Watchman device(s), 0 MCU-paired\n");
    EXPECT_EQ(r.err, kRefusedHead + "1 Watchman device(s) (0 MCU-paired, no Dozero MCU on the bus) \xE2\x80\x94 "
                     "is the Dozero attached? Or pass its LHR serial:\n  LHR-A\n");
    EXPECT_FALSE(tree.heldOpen(node));

    tree.addMcu("2", "1");  // on another bus: present, but no pairing
    r = open(u"");
    EXPECT_EQ(r.err.find("no Dozero MCU"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("\n  LHR-A\n"), std::string::npos) << r.err;
}

TEST(LinuxDiscovery, LonePairedUnitIsOpenedForReadingAndWriting) {
    UsbTree tree;
    const std::string node = tree.addUnit("1", "2.3", {"LHR-A"});
    tree.addMcu("1", "2.4");
    const Result r = open(u"");
    ASSERT_NE(r.handle, kNoDevice);
    EXPECT_EQ(r.chosen, u"LHR-A");
    EXPECT_EQ(r.out, "TundraImu: 1 Watchman device(s), 1 MCU-paired\n");
    EXPECT_EQ(r.err, "");
    const int flags = ::fcntl(static_cast<int>(r.handle), F_GETFL);
    EXPECT_EQ(flags & O_ACCMODE, O_RDWR);
    EXPECT_TRUE(flags & O_NONBLOCK);
    EXPECT_TRUE(::fcntl(static_cast<int>(r.handle), F_GETFD) & FD_CLOEXEC);
    EXPECT_TRUE(isNode(static_cast<int>(r.handle), tree.masterOf(node)));
    EXPECT_TRUE(tree.heldOpen(node));
    closeDevice(r.handle);
    EXPECT_FALSE(tree.heldOpen(node));
}

TEST(LinuxDiscovery, ThePairedOneOfTwoIsChosenAndTheOtherClosed) {
    UsbTree tree;
    const std::string other = tree.addUnit("2", "1.1", {"LHR-B"});
    const std::string paired = tree.addUnit("1", "2.3", {"LHR-A"});
    tree.addMcu("1", "2.4");
    const Result r = open(u"");
    ASSERT_NE(r.handle, kNoDevice);
    EXPECT_EQ(r.chosen, u"LHR-A");
    EXPECT_EQ(r.out, "TundraImu: 2 Watchman device(s), 1 MCU-paired\n");
    EXPECT_TRUE(isNode(static_cast<int>(r.handle), tree.masterOf(paired)));
    EXPECT_FALSE(tree.heldOpen(other));
    closeDevice(r.handle);
    EXPECT_FALSE(tree.heldOpen(paired));
}

TEST(LinuxDiscovery, TwoPairedUnitsAreRefused) {
    UsbTree tree;
    const std::string first = tree.addUnit("1", "2.3", {"LHR-A"});
    const std::string second = tree.addUnit("1", "5.1", {"LHR-B"});
    tree.addMcu("1", "2.4");
    tree.addMcu("1", "5.2");
    const Result r = open(u"");
    EXPECT_EQ(r.handle, kNoDevice);
    EXPECT_EQ(r.out, "TundraImu: 2 Watchman device(s), 2 MCU-paired\n");
    EXPECT_NE(r.err.find("(2 MCU-paired) \xE2\x80\x94"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("\n  LHR-A" + kTag + "\n  LHR-B" + kTag + "\n"), std::string::npos) << r.err;
    EXPECT_FALSE(tree.heldOpen(first));
    EXPECT_FALSE(tree.heldOpen(second));
}

TEST(LinuxDiscovery, SerialFilterChoosesAnUnpairedUnit) {
    UsbTree tree;
    tree.addUnit("1", "2.3", {"LHR-A"});
    const std::string other = tree.addUnit("2", "1", {"LHR-B"});
    tree.addMcu("1", "2.4");
    const Result r = open(u"LHR-B");
    ASSERT_NE(r.handle, kNoDevice);
    EXPECT_EQ(r.chosen, u"LHR-B");
    EXPECT_TRUE(isNode(static_cast<int>(r.handle), tree.masterOf(other)));
    closeDevice(r.handle);
}

TEST(LinuxDiscovery, EqualSerialsGoToTheFirstEnumerated) {
    UsbTree tree;
    const std::string first = tree.addUnit("1", "2.3", {"LHR-A"});
    tree.addUnit("2", "1", {"LHR-A"});
    const Result r = open(u"LHR-A");
    ASSERT_NE(r.handle, kNoDevice);
    EXPECT_TRUE(isNode(static_cast<int>(r.handle), tree.masterOf(first)));
    closeDevice(r.handle);
}

TEST(LinuxDiscovery, UnitWithoutSerialIsListedAsTwoBlanks) {
    UsbTree tree;
    UsbTree::Unit bare;
    bare.hasSerial = false;
    tree.addUnit("1", "2.3", bare);
    const Result r = open(u"");
    EXPECT_EQ(r.handle, kNoDevice);
    EXPECT_EQ(r.err.substr(r.err.find('\n')), "\n  \n");
}

TEST(LinuxDiscovery, OtherInterfacesAndVendorsAreNeverOpened) {
    UsbTree tree;
    UsbTree::Unit otherInterface{"LHR-A"};
    otherInterface.interface = "01";
    UsbTree::Unit otherVendor{"LHR-B"};
    otherVendor.vendor = "28df";
    const std::vector<std::string> nodes = {tree.addUnit("1", "2.3", otherInterface),
                                            tree.addUnit("1", "2.5", otherVendor)};
    tree.addMcu("1", "2.4");
    const WatchmanEnumeration found = enumerateLocked(tree, nodes);
    EXPECT_TRUE(found.candidates.empty());
    EXPECT_TRUE(found.permissionDenied.empty()) << "an open was attempted on " << found.permissionDenied[0];
}

TEST(LinuxDiscovery, NodesRefusedForPermissionAreNamedInAHint) {
    UsbTree tree;
    const std::string node = tree.addUnit("1", "2.3", {"LHR-A"});
    const WatchmanEnumeration found = enumerateLocked(tree, {node});
    EXPECT_TRUE(found.candidates.empty());
    ASSERT_EQ(found.permissionDenied, std::vector<std::string>{node});
}

// Location paths built from sysfs pair units and MCUs as hub sharing says.
TEST(LinuxDiscovery, SysfsPlacesPairByHub) {
    struct Case { const char* unit; const char* mcuBus; const char* mcu; bool paired; };
    const Case cases[] = {
        {"2.3", "1", "2.4", true},      // same hub
        {"2.3", "1", "2.1.4", true},    // the MCU on a hub plugged into the unit's hub
        {"2.3.1", "1", "2.4.2", true},  // two hubs on one common hub
        {"2.3", "1", "4", true},        // the MCU on a root-hub port
        {"2.3.1.1", "1", "2.4", false}, // three levels apart
        {"2.3", "2", "2.4", false},     // another bus
    };
    for (const Case& c : cases) {
        UsbTree tree;
        tree.addUnit("1", c.unit, {"LHR-A"});
        tree.addMcu(c.mcuBus, c.mcu);
        WatchmanEnumeration found;
        ASSERT_TRUE(enumerateWatchmen(found));
        ASSERT_EQ(found.candidates.size(), 1u);
        EXPECT_EQ(found.candidates[0].paired, c.paired) << c.unit << " and " << c.mcuBus << "-" << c.mcu;
        closeDevice(found.candidates[0].handle);
    }
}

}  // namespace
}  // namespace vesko
