// What the mocked unit answers to the hidraw ioctls a reader asks when it opens the node.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vesko::bed {

// How the unit presents itself beyond its sysfs attributes.
struct UnitIdentity {
    std::string serial;
    std::string name;  // the product string
    std::string phys;  // ends in "/input0": the interface number
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
};

// Bytes to copy into the caller's argument at `offset`, and the ioctl's result.
struct IoctlAnswer {
    std::size_t offset = 0;
    std::vector<std::uint8_t> bytes;
    long result = 0;
};

// The answer to one request, or nothing for a request the unit does not know.
std::optional<IoctlAnswer> answerHidraw(unsigned long request, const UnitIdentity& unit);

// One vendor-defined 63-byte input report with the IMU's report ID.
std::vector<std::uint8_t> imuReportDescriptor();

}  // namespace vesko::bed
