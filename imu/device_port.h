// Overlapped reads on an opened IMU device, as the reader thread uses them.
// One implementation per backend, picked at link time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "device_handle.h"

namespace vesko {

// The read event of one reader (a manual-reset event on Windows, an eventfd
// beside the hidraw fd on Linux) with the record of the read under way.
// Everything but cancelAll runs on the reader thread.
class ReadChannel {
public:
    enum class Start { completed, pending, failed };

    ReadChannel();
    ~ReadChannel();
    ReadChannel(const ReadChannel&) = delete;
    ReadChannel& operator=(const ReadChannel&) = delete;

    // Makes the event. On failure returns false and says what failed in `what`
    // (for example "CreateEventW failed, err 8").
    bool create(std::string& what);
    bool valid() const noexcept;
    void close() noexcept;

    // Resets the event and issues a read of `size` bytes into `buf`.
    // completed: `got` holds the bytes transferred; failed: `error` holds the code.
    Start startRead(DeviceHandle device, std::uint8_t* buf, std::uint32_t size,
                    std::uint32_t& got, unsigned long& error);
    // Waits up to `milliseconds` for the read under way; false on timeout.
    bool wait(std::uint32_t milliseconds);
    // Cancels the read under way and returns once it has ended; its data is lost.
    void cancelAndDrain(DeviceHandle device);
    // The result of the read under way without waiting: true with `got`, or
    // false with `error` (failed, cancelled, or not done).
    bool result(DeviceHandle device, std::uint32_t& got, unsigned long& error);

    // From any thread: cancels every request on `device`, so that a reader
    // waiting in wait() returns at once and its result() fails.
    void cancelAll(DeviceHandle device) noexcept;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vesko
