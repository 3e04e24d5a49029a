// Scripted reads: each read takes the next scripted outcome of its unit at
// once, and waits only while the test has queued nothing.
#include <algorithm>
#include <cstring>

#include "device_port.h"
#include "fake_stream_state.h"

namespace vesko {

namespace {

constexpr unsigned long kInvalidHandleError = 6;
constexpr unsigned long kNotEnoughMemoryError = 8;
// A reader with nothing queued gets a silent wait after this long, as a real
// one would after its read timeout; tests never get near it.
constexpr std::chrono::seconds kLongSilence{10};

bool hasReads(fake::BenchState& state, const std::string& serial) {
    const fake::Unit* unit = fake::findUnit(state, serial);
    return unit != nullptr && !unit->reads.empty();
}

}  // namespace

struct ReadChannel::Impl {
    bool valid = false;
    bool cancelled = false;  // guarded by the bench mutex
    fake::ScriptedRead current;
    std::uint8_t* buf = nullptr;
    std::uint32_t size = 0;

    void deliver(std::uint32_t& got) const {
        got = std::min(current.length, size);
        std::memcpy(buf, current.bytes.data(), std::min<std::size_t>(got, current.bytes.size()));
    }
};

ReadChannel::ReadChannel() : impl_(std::make_unique<Impl>()) {}
ReadChannel::~ReadChannel() = default;

bool ReadChannel::create(std::string& what) {
    fake::BenchState& state = fake::bench();
    std::scoped_lock guard(state.mutex);
    if (state.failEvent) {
        what = "CreateEventW failed, err " + std::to_string(kNotEnoughMemoryError);
        return false;
    }
    impl_->valid = true;
    impl_->cancelled = false;
    return true;
}

bool ReadChannel::valid() const noexcept { return impl_->valid; }

void ReadChannel::close() noexcept { impl_->valid = false; }

ReadChannel::Start ReadChannel::startRead(DeviceHandle device, std::uint8_t* buf,
                                          std::uint32_t size, std::uint32_t& got,
                                          unsigned long& error) {
    fake::BenchState& state = fake::bench();
    std::unique_lock guard(state.mutex);
    auto handle = state.handles.find(device);
    if (!impl_->valid || handle == state.handles.end() || !handle->second.open) {
        state.misuse.push_back("read on a closed handle or without an event");
        error = kInvalidHandleError;
        return Start::failed;
    }
    const std::string serial = handle->second.serial;
    if (!hasReads(state, serial)) {
        state.idleOn = device;
        state.changed.notify_all();
        state.changed.wait_for(guard, kLongSilence,
                               [&] { return impl_->cancelled || hasReads(state, serial); });
        state.idleOn = kNoDevice;
    }
    if (impl_->cancelled) {
        error = fake::kCancelledError;
        return Start::failed;
    }
    fake::Unit* unit = fake::findUnit(state, serial);
    impl_->current = unit->reads.empty() ? fake::silentWait() : unit->reads.front();
    if (!unit->reads.empty()) unit->reads.pop_front();
    impl_->buf = buf;
    impl_->size = size;
    got = 0;
    switch (impl_->current.kind) {
    case fake::ReadKind::reportAtOnce:
        impl_->deliver(got);
        return Start::completed;
    case fake::ReadKind::failAtOnce:
        error = impl_->current.error;
        return Start::failed;
    default:
        return Start::pending;
    }
}

bool ReadChannel::wait(std::uint32_t) { return impl_->current.kind != fake::ReadKind::silentWait; }

void ReadChannel::cancelAndDrain(DeviceHandle) {}

bool ReadChannel::result(DeviceHandle, std::uint32_t& got, unsigned long& error) {
    if (impl_->current.kind == fake::ReadKind::report) {
        impl_->deliver(got);
        return true;
    }
    error = impl_->current.error;
    return false;
}

void ReadChannel::cancelAll(DeviceHandle) noexcept {
    fake::BenchState& state = fake::bench();
    {
        std::scoped_lock guard(state.mutex);
        impl_->cancelled = true;
    }
    state.changed.notify_all();
}

}  // namespace vesko
