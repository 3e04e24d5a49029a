// Reads from the simulated unit: a read completes when the unit's next report is due.
#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>

#include "device_port.h"
#include "simulated_unit.h"

namespace vesko {

namespace {

// The codes a Windows read would give in the same situations, so that the
// reader's messages read the same with the simulator.
constexpr unsigned long kErrorInvalidHandle = 6;
constexpr unsigned long kErrorOperationAborted = 995;
constexpr unsigned long kErrorIoIncomplete = 996;

// Copies the cursor's report into the caller's buffer and moves past it.
std::uint32_t deliver(DeviceHandle device, std::uint64_t report, std::uint8_t* buf,
                      std::uint32_t size) {
    const auto bytes = simulatedUnit().report(report);
    const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(size, bytes.size()));
    std::memcpy(buf, bytes.data(), n);
    simulatedUnit().advance(device);
    return n;
}

}  // namespace

struct ReadChannel::Impl {
    std::mutex lock;
    std::condition_variable wake;
    bool created = false;
    bool pending = false;
    bool cancelled = false;
    DeviceHandle device = kNoDevice;
    std::uint8_t* buf = nullptr;
    std::uint32_t size = 0;
};

ReadChannel::ReadChannel() : impl_(std::make_unique<Impl>()) {}
ReadChannel::~ReadChannel() = default;

bool ReadChannel::create(std::string& /*what*/) {
    std::lock_guard<std::mutex> guard(impl_->lock);
    impl_->created = true;
    impl_->pending = false;
    impl_->cancelled = false;
    return true;
}

bool ReadChannel::valid() const noexcept {
    std::lock_guard<std::mutex> guard(impl_->lock);
    return impl_->created;
}

void ReadChannel::close() noexcept {
    std::lock_guard<std::mutex> guard(impl_->lock);
    impl_->created = false;
    impl_->pending = false;
}

ReadChannel::Start ReadChannel::startRead(DeviceHandle device, std::uint8_t* buf,
                                          std::uint32_t size, std::uint32_t& got,
                                          unsigned long& error) {
    got = 0;
    SimulatedCursor cursor;
    if (!simulatedUnit().cursor(device, cursor)) {
        error = kErrorInvalidHandle;
        return Start::failed;
    }
    if (cursor.due <= std::chrono::steady_clock::now()) {
        got = deliver(device, cursor.report, buf, size);
        return Start::completed;
    }
    std::lock_guard<std::mutex> guard(impl_->lock);
    impl_->pending = true;
    impl_->cancelled = false;
    impl_->device = device;
    impl_->buf = buf;
    impl_->size = size;
    return Start::pending;
}

bool ReadChannel::wait(std::uint32_t milliseconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    std::unique_lock<std::mutex> guard(impl_->lock);
    SimulatedCursor cursor;
    if (!impl_->pending || !simulatedUnit().cursor(impl_->device, cursor)) return true;  // result() says why
    const auto until = std::min(deadline, cursor.due);
    impl_->wake.wait_until(guard, until, [this] { return impl_->cancelled; });
    return impl_->cancelled || std::chrono::steady_clock::now() >= cursor.due;
}

void ReadChannel::cancelAndDrain(DeviceHandle /*device*/) {
    std::lock_guard<std::mutex> guard(impl_->lock);
    impl_->pending = false;
    impl_->cancelled = false;
}

bool ReadChannel::result(DeviceHandle device, std::uint32_t& got, unsigned long& error) {
    got = 0;
    std::lock_guard<std::mutex> guard(impl_->lock);
    if (impl_->cancelled) {
        impl_->pending = impl_->cancelled = false;
        error = kErrorOperationAborted;
        return false;
    }
    SimulatedCursor cursor;
    if (!simulatedUnit().cursor(device, cursor)) {
        impl_->pending = false;
        error = kErrorInvalidHandle;
        return false;
    }
    if (!impl_->pending || cursor.due > std::chrono::steady_clock::now()) {
        error = kErrorIoIncomplete;
        return false;
    }
    impl_->pending = false;
    got = deliver(device, cursor.report, impl_->buf, impl_->size);
    return true;
}

void ReadChannel::cancelAll(DeviceHandle device) noexcept {
    std::lock_guard<std::mutex> guard(impl_->lock);
    if (!impl_->pending || impl_->device != device) return;
    impl_->cancelled = true;
    impl_->wake.notify_all();
}

}  // namespace vesko
