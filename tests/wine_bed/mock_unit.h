// One IMU unit in a umockdev testbed as the udev HID bus of a reader sees it:
// the USB device, its interface 0, the HID device and its hidraw node.
#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "hidraw_answers.h"
#include "imu_sample.h"

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;

namespace vesko::bed {

class MockUnit {
public:
    explicit MockUnit(UnitIdentity identity);
    ~MockUnit();
    MockUnit(const MockUnit&) = delete;
    MockUnit& operator=(const MockUnit&) = delete;

    // The testbed's root: readers find it through UMOCKDEV_DIR.
    std::string rootDir() const;

    // Adds the unit with a fresh node name (a node name cannot come back).
    // False when the testbed refused it.
    bool plug();
    // Announces and removes the devices bottom-up; nothing more is written.
    void unplug();

    // Writes one report if the unit is plugged and the reader has taken the
    // last one (reports written back to back would arrive merged). True if written.
    bool offer(const ImuReportBytes& report);

private:
    bool drained() const;

    UnitIdentity identity_;
    UMockdevTestbed* bed_;
    UMockdevIoctlBase* answers_;
    mutable std::mutex mutex_;  // plugging, unplugging and writing
    int generation_ = -1;
    int master_ = -1;           // the testbed's end of the node; the testbed owns it
    int watch_ = -1;            // our own handle on the reader's end, to see what is unread;
                                // it also keeps the pty's number from being handed out again
    std::vector<std::string> devices_;  // sysfs paths, top-down
};

}  // namespace vesko::bed
