// Overlapped reads on a Windows HID handle, signalled through a manual-reset event.
#include <string>

#include "device_port.h"
#include "win_handle.h"

namespace vesko {

namespace {

HANDLE handleOf(DeviceHandle device) noexcept { return reinterpret_cast<HANDLE>(device); }

}  // namespace

// The event and the OVERLAPPED record of the read under way. The buffer and
// this record must outlive the read: a cancelled read is always waited for.
struct ReadChannel::Impl {
    UniqueHandle event;
    OVERLAPPED overlapped{};
};

ReadChannel::ReadChannel() : impl_(std::make_unique<Impl>()) {}
ReadChannel::~ReadChannel() = default;

bool ReadChannel::create(std::string& what) {
    // Manual reset, not signalled, unnamed.
    impl_->event.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (impl_->event.valid()) return true;
    const DWORD error = ::GetLastError();
    what = "CreateEventW failed, err " + std::to_string(error);
    return false;
}

bool ReadChannel::valid() const noexcept { return impl_->event.valid(); }

void ReadChannel::close() noexcept { impl_->event.reset(); }

ReadChannel::Start ReadChannel::startRead(DeviceHandle device, std::uint8_t* buf,
                                          std::uint32_t size, std::uint32_t& got,
                                          unsigned long& error) {
    Impl& d = *impl_;
    d.overlapped = OVERLAPPED{};
    d.overlapped.hEvent = d.event.get();
    ::ResetEvent(d.event.get());
    got = 0;
    DWORD transferred = 0;
    if (::ReadFile(handleOf(device), buf, size, &transferred, &d.overlapped)) {
        got = transferred;
        return Start::completed;
    }
    error = ::GetLastError();
    return error == ERROR_IO_PENDING ? Start::pending : Start::failed;
}

bool ReadChannel::wait(std::uint32_t milliseconds) {
    return ::WaitForSingleObject(impl_->event.get(), milliseconds) != WAIT_TIMEOUT;
}

void ReadChannel::cancelAndDrain(DeviceHandle device) {
    Impl& d = *impl_;
    ::CancelIoEx(handleOf(device), &d.overlapped);
    DWORD ignored = 0;
    ::GetOverlappedResult(handleOf(device), &d.overlapped, &ignored, TRUE);
}

bool ReadChannel::result(DeviceHandle device, std::uint32_t& got, unsigned long& error) {
    DWORD transferred = 0;
    if (::GetOverlappedResult(handleOf(device), &impl_->overlapped, &transferred, FALSE)) {
        got = transferred;
        return true;
    }
    error = ::GetLastError();
    // A read still in flight would write into the buffer after the caller has
    // given up on it (and closed the device): end it before reporting.
    if (error == ERROR_IO_INCOMPLETE) cancelAndDrain(device);
    return false;
}

void ReadChannel::cancelAll(DeviceHandle device) noexcept {
    ::CancelIoEx(handleOf(device), nullptr);
}

}  // namespace vesko
