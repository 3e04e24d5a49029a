// Reads on a Linux hidraw node: poll() stands in for the overlapped wait, and
// an eventfd in the same poll set lets another thread cancel that wait.
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "device_port.h"
#include "unique_fd.h"

namespace vesko {

namespace {

using Clock = std::chrono::steady_clock;

// Hang-up or error on the node: the device is gone (real hidraw then fails
// reads with EIO, a closed pty reads 0; both end the same way).
constexpr short kGoneEvents = POLLHUP | POLLERR;
constexpr std::uint64_t kWakeIncrement = 1;  // any non-zero eventfd count wakes poll

int fdOf(DeviceHandle device) noexcept { return static_cast<int>(device); }

}  // namespace

// Linux has no read in flight: startRead only remembers the buffer, wait polls
// for data, and result reads it. Data that arrives after a timeout stays in the
// kernel's queue for the next read, so a timeout loses nothing here.
struct ReadChannel::Impl {
    // Written by cancelAll and never drained: after a cancel every wait of
    // this channel returns at once, so stop never sits out a read timeout.
    UniqueFd wake;
    int device = -1;
    std::uint8_t* buf = nullptr;
    std::uint32_t size = 0;
    short deviceEvents = 0;  // revents of the device in the last wait
    bool cancelled = false;  // the last wait was ended by cancelAll
    int waitError = 0;       // errno of a poll that failed
};

ReadChannel::ReadChannel() : impl_(std::make_unique<Impl>()) {}
ReadChannel::~ReadChannel() = default;

bool ReadChannel::create(std::string& what) {
    impl_->wake.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (impl_->wake.valid()) return true;
    const int error = errno;
    what = "eventfd failed, err " + std::to_string(error);
    return false;
}

bool ReadChannel::valid() const noexcept { return impl_->wake.valid(); }

void ReadChannel::close() noexcept { impl_->wake.reset(); }

ReadChannel::Start ReadChannel::startRead(DeviceHandle device, std::uint8_t* buf,
                                          std::uint32_t size, std::uint32_t& got,
                                          unsigned long& /*error*/) {
    impl_->device = fdOf(device);
    impl_->buf = buf;
    impl_->size = size;
    got = 0;
    return Start::pending;
}

bool ReadChannel::wait(std::uint32_t milliseconds) {
    Impl& d = *impl_;
    d.deviceEvents = 0;
    d.cancelled = false;
    d.waitError = 0;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        pollfd fds[2] = {{d.device, POLLIN, 0}, {d.wake.get(), POLLIN, 0}};
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        const int ready = ::poll(fds, 2, static_cast<int>(std::max<std::int64_t>(0, left.count())));
        if (ready == 0) return false;
        if (ready > 0) {
            d.deviceEvents = fds[0].revents;
            d.cancelled = fds[1].revents != 0;
            return true;
        }
        if (errno != EINTR) {
            d.waitError = errno;
            return true;  // result() reports it
        }
    }
}

void ReadChannel::cancelAndDrain(DeviceHandle /*device*/) {
    // Nothing is in flight between a poll and a read.
}

bool ReadChannel::result(DeviceHandle /*device*/, std::uint32_t& got, unsigned long& error) {
    const Impl& d = *impl_;
    if (d.cancelled) {
        error = ECANCELED;
        return false;
    }
    if (d.waitError != 0 || (d.deviceEvents & POLLNVAL) != 0) {
        error = d.waitError != 0 ? d.waitError : EBADF;
        return false;
    }
    // Without POLLIN a read could block on a descriptor opened without O_NONBLOCK.
    if ((d.deviceEvents & POLLIN) == 0) {
        error = (d.deviceEvents & kGoneEvents) != 0 ? ENODEV : EAGAIN;
        return false;
    }
    const ssize_t n = ::read(d.device, d.buf, d.size);
    if (n > 0) {
        got = static_cast<std::uint32_t>(n);
        return true;
    }
    error = n == 0 ? ENODEV : errno;  // end of file: the node was hung up
    return false;
}

void ReadChannel::cancelAll(DeviceHandle /*device*/) noexcept {
    [[maybe_unused]] const ssize_t written = ::write(impl_->wake.get(), &kWakeIncrement,
                                                     sizeof kWakeIncrement);
}

}  // namespace vesko
