// The stream on the Linux port and discovery, against a mocked hidraw node
// (umockdev): reports in, a silent wait, a unit that vanishes and comes back
// under a new node, and how quickly stop returns.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <umockdev.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "fakes/stream_report.h"
#include "tundra_imu.h"

namespace vesko {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string kSerial = "LHR-UMOCK001";
const std::string kDash = "\xE2\x80\x94";  // U+2014 in UTF-8

// Watchman units (USB device, interface 0, HID device, hidraw node) in a testbed.
// umockdev keeps a map entry per pty number even after a node is removed, and
// a re-used number would collide: plug a unit's successor before removing it.
class MockedBus {
public:
    MockedBus() : bed_(umockdev_testbed_new()) {}
    ~MockedBus() { g_object_unref(bed_); }
    MockedBus(const MockedBus&) = delete;
    MockedBus& operator=(const MockedBus&) = delete;

    // Plugs a unit into root-hub port `port` with its node named hidraw<node>.
    bool plug(int port, int node) {
        const std::string usb = usbPath(port);
        const std::string iface = usb + "/1-" + std::to_string(port) + ":1.0";
        const std::string hid = iface + "/0003:28DE:2300.000" + std::to_string(node + 1);
        const std::string n = std::to_string(node);
        const std::string text =
            "P: " + hid + "/hidraw/hidraw" + n + "\nN: hidraw" + n + "\nE: DEVNAME=/dev/hidraw" + n +
            "\nE: SUBSYSTEM=hidraw\nA: dev=241:" + n + "\n\nP: " + hid + "\nE: SUBSYSTEM=hid\n\nP: " +
            iface + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nA: bInterfaceNumber=00\n\nP: " + usb +
            "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nA: idVendor=28de\nA: idProduct=2300\nA: serial=" +
            kSerial + "\nA: busnum=1\nA: devpath=" + std::to_string(port) + "\n";
        GError* error = nullptr;
        const bool added = umockdev_testbed_add_from_string(bed_, text.c_str(), &error);
        if (error != nullptr) {
            ADD_FAILURE() << error->message;
            g_error_free(error);
        }
        paths_[node] = {"/sys" + hid + "/hidraw/hidraw" + n, "/sys" + hid, "/sys" + iface, "/sys" + usb};
        return added;
    }

    // The unit vanishes: its node hangs up, then its sysfs entries go, bottom-up.
    void unplug(int node) {
        const int master = umockdev_testbed_get_dev_fd(bed_, devnode(node).c_str());
        const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
        ::dup2(null, master);  // the testbed owns `master`: replace it, never close it
        ::close(null);
        for (const std::string& path : paths_[node]) umockdev_testbed_remove_device(bed_, path.c_str());
    }

    // Writes one whole 64-byte report into a node.
    bool send(int node, const fake::ReportBytes& report) {
        const int master = umockdev_testbed_get_dev_fd(bed_, devnode(node).c_str());
        return ::write(master, report.data(), report.size()) == static_cast<ssize_t>(report.size());
    }

private:
    static std::string usbPath(int port) {
        return "/devices/pci0000:00/0000:00:14.0/usb1/1-" + std::to_string(port);
    }
    static std::string devnode(int node) { return "/dev/hidraw" + std::to_string(node); }

    UMockdevTestbed* bed_;
    std::map<int, std::vector<std::string>> paths_;  // per node, bottom-up
};

template <typename Done>
bool eventually(Done done, std::chrono::milliseconds limit = 5s) {
    const auto until = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > until) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

std::chrono::milliseconds timeToStop(TundraImu& imu) {
    const auto before = Clock::now();
    imu.stop();
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - before);
}

class StreamLinuxTest : public testing::Test {
protected:
    void openCaptured() {
        testing::internal::CaptureStdout();
        const bool opened = imu.open(kSerial);
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "TundraImu: 1 Watchman device(s), 0 MCU-paired\nTundraImu: using " + kSerial + "\n");
        ASSERT_TRUE(opened);
    }

    MockedBus bus;
    TundraImu imu;
};

TEST_F(StreamLinuxTest, StreamsSurvivesASilentWaitAndFindsTheUnitUnderANewNode) {
    ASSERT_TRUE(bus.plug(2, 0));
    std::atomic<int> samples{0};
    imu.setSampleCallback([&](const ImuSample&) { samples.fetch_add(1); });
    openCaptured();
    testing::internal::CaptureStderr();
    ASSERT_TRUE(bus.send(0, fake::imuReportBytes(10, 1000)));
    ASSERT_TRUE(bus.send(0, fake::imuReportBytes(13, 4000)));
    ASSERT_TRUE(eventually([&] { return samples.load() == 6; }));

    // A real poll timeout, then data again: counted, not a loss.
    ASSERT_TRUE(eventually([&] { return imu.stats().timeouts == 1; }, 3s));
    ASSERT_TRUE(bus.send(0, fake::imuReportBytes(16, 7000)));
    ASSERT_TRUE(eventually([&] { return samples.load() == 9; }));

    ASSERT_TRUE(bus.plug(3, 2));  // the unit moves to another port
    bus.unplug(0);
    ASSERT_TRUE(bus.send(2, fake::imuReportBytes(200, 900'000)));  // waits in the node until read
    const bool resumed = eventually([&] { return samples.load() == 12; }, 6s);
    imu.stop();
    const std::string err = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(resumed) << err;

    EXPECT_EQ(err, "TundraImu: read failed (err 19) " + kDash +
                       " device gone, waiting for reconnect\nTundraImu: reconnected to " + kSerial + "\n");
    const ImuStreamStats stats = imu.stats();
    EXPECT_EQ(stats.reports, 4u);
    EXPECT_EQ(stats.gaps, 0u);  // the first sample after reconnecting starts afresh
    EXPECT_EQ(stats.timeouts, 1u);
    ImuSample last;
    ASSERT_TRUE(imu.lastRawSample(last));
    EXPECT_EQ(last.seq, 202);
}

TEST_F(StreamLinuxTest, StopCancelsAPendingReadAtOnce) {
    ASSERT_TRUE(bus.plug(2, 0));
    openCaptured();
    std::this_thread::sleep_for(50ms);  // the reader is in its 1000 ms wait
    const auto took = timeToStop(imu);
    EXPECT_LT(took, 500ms);
    std::printf("stop with a read pending: %lld ms\n", static_cast<long long>(took.count()));
}

TEST_F(StreamLinuxTest, StopWhileSearchingReturnsWithinANap) {
    ASSERT_TRUE(bus.plug(2, 0));
    openCaptured();
    testing::internal::CaptureStderr();
    bus.unplug(0);
    std::this_thread::sleep_for(250ms);  // loss seen; the reader is halfway through a nap
    const auto took = timeToStop(imu);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_LT(took, 1500ms);
    EXPECT_EQ(err, "TundraImu: read failed (err 19) " + kDash + " device gone, waiting for reconnect\n");
    std::printf("stop while searching: %lld ms\n", static_cast<long long>(took.count()));
}

}  // namespace
}  // namespace vesko
