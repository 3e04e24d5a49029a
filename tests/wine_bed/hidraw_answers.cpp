// The mocked unit's answers to the hidraw ioctls: descriptor size and bytes, bus
// and IDs, and the name, physical path and serial strings.
#include "hidraw_answers.h"

#include <linux/hidraw.h>
#include <linux/input.h>

#include <algorithm>
#include <cstring>

#include "imu_sample.h"

namespace vesko::bed {

namespace {

constexpr std::uint8_t kReportBytes = static_cast<std::uint8_t>(kImuReportReadSize - 1);

// A string the way the kernel copies it: with its NUL, cut to the caller's
// buffer; the result is the number of bytes copied.
IoctlAnswer stringAnswer(const std::string& text, std::size_t room) {
    IoctlAnswer answer;
    answer.bytes.assign(text.begin(), text.end());
    answer.bytes.push_back(0);
    answer.bytes.resize(std::min(answer.bytes.size(), room));
    answer.result = static_cast<long>(answer.bytes.size());
    return answer;
}

template <typename T>
IoctlAnswer valueAnswer(const T& value) {
    IoctlAnswer answer;
    answer.bytes.resize(sizeof(T));
    std::memcpy(answer.bytes.data(), &value, sizeof(T));
    return answer;
}

}  // namespace

std::vector<std::uint8_t> imuReportDescriptor() {
    return {
        0x06, 0x00, 0xFF,         // usage page: vendor defined
        0x09, 0x01,               // usage 1
        0xA1, 0x01,               // collection: application
        0x85, kImuReportId,       //   report ID
        0x09, 0x02,               //   usage 2
        0x15, 0x00,               //   logical minimum 0
        0x26, 0xFF, 0x00,         //   logical maximum 255
        0x75, 0x08,               //   report size: 8 bits
        0x95, kReportBytes,       //   report count
        0x81, 0x02,               //   input: data, variable, absolute
        0xC0,                     // end collection
    };
}

std::optional<IoctlAnswer> answerHidraw(unsigned long request, const UnitIdentity& unit) {
    if (_IOC_TYPE(request) != 'H' || _IOC_DIR(request) != _IOC_READ) return std::nullopt;
    const std::size_t room = _IOC_SIZE(request);
    switch (_IOC_NR(request)) {
    case _IOC_NR(HIDIOCGRDESCSIZE):
        return valueAnswer(static_cast<int>(imuReportDescriptor().size()));
    case _IOC_NR(HIDIOCGRDESC): {
        // The caller names the size it wants in the first field; the bytes follow it.
        IoctlAnswer answer;
        answer.offset = offsetof(hidraw_report_descriptor, value);
        answer.bytes = imuReportDescriptor();
        return answer;
    }
    case _IOC_NR(HIDIOCGRAWINFO):
        return valueAnswer(hidraw_devinfo{BUS_USB, static_cast<std::int16_t>(unit.vendor),
                                          static_cast<std::int16_t>(unit.product)});
    case _IOC_NR(HIDIOCGRAWNAME(0)): return stringAnswer(unit.name, room);
    case _IOC_NR(HIDIOCGRAWPHYS(0)): return stringAnswer(unit.phys, room);
    case _IOC_NR(HIDIOCGRAWUNIQ(0)): return stringAnswer(unit.serial, room);
    default: return std::nullopt;
    }
}

}  // namespace vesko::bed
