// Tests of Linux discovery against mocked sysfs trees of hubs, IMU units and MCUs (run under
// umockdev), and of the whole tool run against such a tree.
#include <dirent.h>
#include <climits>
#include <fcntl.h>
#include <linux/capability.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <libudev.h>
#include <umockdev.h>

#include <cerrno>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "access_rule.h"
#include "app_process.h"
#include "watchman_discovery.h"

namespace vesko {
namespace {

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
        std::string attrs = "A: idVendor=" + unit.vendor + "\nA: idProduct=2300\n";
        if (unit.hasSerial) attrs += "A: serial=" + unit.serial + "\n";
        const std::string iface = usbDevice(bus, devpath, attrs) + "/" + bus + "-" + devpath + ":1." +
                                  std::to_string(std::stoi(unit.interface));
        describe(iface, "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nA: bInterfaceNumber=" + unit.interface + "\n");
        const std::string hid = iface + "/0003:" + unit.vendor + ":2300." + std::to_string(++nodes_);
        describe(hid, "E: SUBSYSTEM=hid\n");
        const std::string name = "hidraw" + std::to_string(nodes_);
        describe(hid + "/" + name, "N: " + name + "\nE: DEVNAME=/dev/" + name + "\nE: SUBSYSTEM=hidraw\nA: dev=241:" +
                                       std::to_string(nodes_) + "\n");
        return "/dev/" + name;
    }

    void addMcu(const std::string& bus, const std::string& devpath) {
        usbDevice(bus, devpath, "A: idVendor=35bd\nA: idProduct=0101\n");
    }

    // The root hub of `bus` on a PCI host controller, with `ports` ports. A
    // USB 3 controller carries two such buses.
    void addRootHub(const std::string& bus, const std::string& controller, const std::string& ports) {
        const std::string parent = "/devices/pci0000:00/" + controller;
        if (devices_.emplace("pci/" + controller, parent).second) describe(parent, "E: SUBSYSTEM=pci\n");
        const std::string path = parent + "/usb" + bus;
        describe(path, "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nA: idVendor=1d6b\nA: busnum=" + bus +
                           "\nA: devpath=0\nA: maxchild=" + ports + "\n");
        devices_[bus + "/0"] = path;
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
    // One device in umockdev's text form; an "N:" line makes its /dev node (a pty).
    void describe(const std::string& path, const std::string& lines) {
        GError* error = nullptr;
        EXPECT_TRUE(umockdev_testbed_add_from_string(bed_, ("P: " + path + "\n" + lines).c_str(), &error))
            << path << ": " << (error ? error->message : "");
        if (error != nullptr) g_error_free(error);
    }

    // The usb_device at bus/devpath ("0" is the root hub), after its parent hubs; returns its path.
    std::string usbDevice(const std::string& bus, const std::string& devpath, const std::string& ids) {
        if (auto known = devices_.find(bus + "/" + devpath); known != devices_.end()) return known->second;
        const std::size_t dot = devpath.rfind('.');
        const std::string parent = devpath == "0" ? "/devices"
                                   : usbDevice(bus, dot == std::string::npos ? "0" : devpath.substr(0, dot),
                                               "A: idVendor=abcd\nA: idProduct=0001\n");  // a plain hub
        const std::string path = parent + "/" + (devpath == "0" ? "usb" + bus : bus + "-" + devpath);
        describe(path, "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\n" + ids + "A: busnum=" + bus + "\nA: devpath=" +
                           devpath + "\n");
        return devices_[bus + "/" + devpath] = path;
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

const std::string kTag = "  [shares hub with Dozero MCU]";

int fdOf(const Result& r) { return static_cast<int>(r.handle); }

// The test links with --wrap, so that libudev's scan can be made to fail on demand.
int scanFailure = 0;  // a negative errno to return, or 0 to scan

}  // namespace
}  // namespace vesko

extern "C" int __real_udev_enumerate_scan_devices(udev_enumerate* enumerate);
extern "C" int __wrap_udev_enumerate_scan_devices(udev_enumerate* enumerate) {
    return vesko::scanFailure != 0 ? vesko::scanFailure : __real_udev_enumerate_scan_devices(enumerate);
}

namespace vesko {
namespace {

TEST(LinuxDiscovery, AFailedScanIsNamedAndFindsNoUnit) {
    UsbTree tree;
    tree.addUnit("1", "2.3", {"LHR-A"});
    tree.addMcu("1", "2.4");
    scanFailure = -EIO;
    const Result r = open(u"");
    WideString chosen = u"(untouched)";
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const DeviceHandle quiet = openWatchman(u"", &chosen, false);
    const std::string quietText = ::testing::internal::GetCapturedStdout() + ::testing::internal::GetCapturedStderr();
    scanFailure = 0;
    EXPECT_EQ(r.handle, kNoDevice);
    EXPECT_EQ(r.chosen, u"(untouched)");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "TundraImu: udev_enumerate_scan_devices failed (err 5)\n");
    EXPECT_EQ(quiet, kNoDevice);
    EXPECT_EQ(quietText, "");
    EXPECT_EQ(chosen, u"(untouched)");
    const Result again = open(u"");
    EXPECT_NE(again.handle, kNoDevice) << "the next scan finds the unit again";
    closeDevice(again.handle);
}

TEST(LinuxDiscovery, NoUnitFindsNothing) {
    UsbTree tree;
    tree.addMcu("1", "2.4");
    const Result r = open(u"");
    EXPECT_EQ(r.handle, kNoDevice);
    EXPECT_EQ(r.out, "TundraImu: 0 Watchman device(s), 0 MCU-paired\n");
    EXPECT_EQ(r.err, "");
}

TEST(LinuxDiscovery, LoneUnitIsRefusedUntilAnMcuSharesItsHub) {
    UsbTree tree;
    const std::string node = tree.addUnit("1", "2.3", {"LHR-A"});
    Result r = open(u"");
    EXPECT_EQ(r.handle, kNoDevice);
    EXPECT_EQ(r.out, "TundraImu: 1 Watchman device(s), 0 MCU-paired\n");
    EXPECT_EQ(r.err, "TundraImu: cannot pick among 1 Watchman device(s) (0 MCU-paired, no Dozero MCU on the bus) "
                     "\xE2\x80\x94 is the Dozero attached? Or pass its LHR serial:\n  LHR-A\n");
    EXPECT_FALSE(tree.heldOpen(node));

    tree.addMcu("1", "2.4");
    r = open(u"");
    ASSERT_NE(r.handle, kNoDevice);
    EXPECT_EQ(r.chosen, u"LHR-A");
    EXPECT_EQ(r.out, "TundraImu: 1 Watchman device(s), 1 MCU-paired\n");
    EXPECT_EQ(r.err, "");
    const int flags = ::fcntl(fdOf(r), F_GETFL);
    EXPECT_EQ(flags & O_ACCMODE, O_RDWR);
    EXPECT_TRUE(flags & O_NONBLOCK);
    EXPECT_TRUE(::fcntl(fdOf(r), F_GETFD) & FD_CLOEXEC);
    EXPECT_TRUE(isNode(fdOf(r), tree.masterOf(node)));
    closeDevice(r.handle);
    EXPECT_FALSE(tree.heldOpen(node));
}

TEST(LinuxDiscovery, ThePairedOneOfTwoIsChosenButTwoPairedAreRefused) {
    UsbTree tree;
    const std::string unpaired = tree.addUnit("2", "1.1", {"LHR-B"});
    const std::string paired = tree.addUnit("1", "2.3", {"LHR-A"});
    tree.addMcu("1", "2.4");
    Result r = open(u"");
    ASSERT_NE(r.handle, kNoDevice);
    EXPECT_EQ(r.out, "TundraImu: 2 Watchman device(s), 1 MCU-paired\n");
    EXPECT_TRUE(isNode(fdOf(r), tree.masterOf(paired)));
    EXPECT_FALSE(tree.heldOpen(unpaired));
    closeDevice(r.handle);

    tree.addMcu("2", "1.2");  // a second headset beside the other unit
    r = open(u"");
    EXPECT_EQ(r.handle, kNoDevice);
    EXPECT_EQ(r.out, "TundraImu: 2 Watchman device(s), 2 MCU-paired\n");
    EXPECT_NE(r.err.find("(2 MCU-paired) \xE2\x80\x94"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("\n  LHR-A" + kTag + "\n  LHR-B" + kTag + "\n"), std::string::npos) << r.err;
    EXPECT_FALSE(tree.heldOpen(paired));
    EXPECT_FALSE(tree.heldOpen(unpaired));
}

TEST(LinuxDiscovery, SerialFilterTakesTheFirstEnumeratedMatchPairedOrNot) {
    UsbTree tree;
    tree.addUnit("1", "2.3", {"LHR-A"});
    tree.addMcu("1", "2.4");
    const std::string first = tree.addUnit("2", "1", {"LHR-B"});
    const std::string second = tree.addUnit("2", "2", {"LHR-B"});
    const Result r = open(u"LHR-B");
    ASSERT_NE(r.handle, kNoDevice);
    EXPECT_EQ(r.chosen, u"LHR-B");
    EXPECT_TRUE(isNode(fdOf(r), tree.masterOf(first)));
    EXPECT_FALSE(tree.heldOpen(second));
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

// One USB 3 controller shows as two buses. A headset hub's USB 2 half (bus 1)
// and USB 3 half (bus 2) hang from one controller's root, as on Windows.
TEST(LinuxDiscovery, PairsAcrossTheTwoBusesOfOneControllerOnly) {
    UsbTree tree;
    tree.addRootHub("1", "0000:00:14.0", "4");
    tree.addRootHub("2", "0000:00:14.0", "4");
    tree.addRootHub("3", "0000:03:00.0", "4");
    tree.addUnit("1", "2", {"LHR-A"});
    tree.addMcu("2", "3");
    Result r = open(u"");
    ASSERT_NE(r.handle, kNoDevice);
    EXPECT_EQ(r.out, "TundraImu: 1 Watchman device(s), 1 MCU-paired\n");
    closeDevice(r.handle);

    // Another controller's unit, and one two hubs down the USB 2 half of a hub
    // whose USB 3 half holds the MCU: neither shares a hub with it on Windows.
    tree.addUnit("3", "2", {"LHR-B"});
    tree.addUnit("1", "3.1.1", {"LHR-C"});
    tree.addMcu("2", "3.2");
    r = open(u"");
    ASSERT_NE(r.handle, kNoDevice);
    EXPECT_EQ(r.out, "TundraImu: 3 Watchman device(s), 1 MCU-paired\n");
    EXPECT_EQ(r.chosen, u"LHR-A");
    closeDevice(r.handle);
}

// With every node closed to us, each open discovery attempts is reported as
// refused: only interface 0 of the right device may show up.
TEST(LinuxDiscovery, OnlyTheImuInterfaceIsOpenedAndRefusalsAreReported) {
    UsbTree tree;
    UsbTree::Unit otherInterface{"LHR-A"};
    otherInterface.interface = "01";
    UsbTree::Unit otherVendor{"LHR-B"};
    otherVendor.vendor = "28df";
    const std::vector<std::string> nodes = {tree.addUnit("1", "2.3", otherInterface),
                                            tree.addUnit("1", "2.5", {"LHR-C"}),
                                            tree.addUnit("1", "2.6", otherVendor)};
    tree.addMcu("1", "2.4");
    const WatchmanEnumeration found = enumerateLocked(tree, nodes);
    EXPECT_TRUE(found.candidates.empty());
    EXPECT_EQ(found.permissionDenied, std::vector<std::string>{nodes[1]});
}

// The example configuration with another serial, in a file of its own.
std::filesystem::path configWithSerial(const std::string& jsonSerial) {
    std::ifstream in(HEADVANE_SOURCE_DIR "/examples/headset.json");
    std::stringstream text;
    text << in.rdbuf();
    std::string json = text.str();
    const std::string serial = "LHR-7A3D19C4";
    json.replace(json.find(serial), serial.size(), jsonSerial);
    const auto path = std::filesystem::temp_directory_path() / "headvane-hostile-serial.json";
    std::ofstream(path) << json;
    return path;
}

// A unit (or a configuration file) must not be able to drive the terminal
// through its serial: the tool's output holds no control byte but CR and LF.
TEST(WholeProgram, HostileSerialsReachTheTerminalAsPrintableText) {
    UsbTree tree;
    tree.addUnit("1", "2.3", {"LHR-\x1B[2J\x1B]0;owned\x07\xC2\x9B"});
    tree.addMcu("1", "2.4");
    const auto config = configWithSerial("LHR-\\u0000\\u001b[31m");

    testing::Child child(HEADVANE_EXE, {"--config", config.string()});
    const bool warned = child.waitForOutput("WARNING", 1, std::chrono::seconds(20));
    child.send("q");
    const int status = child.waitForExit(std::chrono::seconds(10));
    std::filesystem::remove(config);
    ASSERT_TRUE(warned) << child.out() << child.err();
    EXPECT_EQ(status, 0);
    EXPECT_NE(child.out().find("\nWARNING: config LHR-??[31m but attached unit LHR-?[2J?]0;owned??? "), std::string::npos)
        << child.out();
    for (const std::string& text : {child.out(), child.err()}) {
        for (const char c : text) {
            const auto byte = static_cast<unsigned char>(c);
            EXPECT_TRUE((byte >= 0x20 && byte != 0x7F) || c == '\r' || c == '\n') << static_cast<int>(byte);
        }
    }
}

// The permission hint names the rule an install put beside the program; a
// program in a build tree has none beside it.
TEST(LinuxDiscovery, AnInstalledRuleIsFoundFromTheProgramsFolder) {
    namespace fs = std::filesystem;
    const fs::path prefix = fs::path(::testing::TempDir()) / ("hv-prefix-" + std::to_string(::getpid()));
    const fs::path rule = prefix / "lib/udev/rules.d/70-headvane-imu.rules";
    fs::create_directories(prefix / "bin");
    EXPECT_EQ(accessRuleBeside(prefix / "bin/headvane"), "");
    fs::create_directories(rule.parent_path());
    std::ofstream(rule) << "\n";
    EXPECT_EQ(accessRuleBeside(prefix / "bin/headvane"), rule.string());
    fs::remove_all(prefix);
}

}  // namespace
}  // namespace vesko
