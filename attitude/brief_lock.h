// A lock for critical sections of a few hundred nanoseconds: taking and giving it back cost one atomic each.
// The filter's reader takes it a thousand times a second and the display five
// times, so it is almost never contended; the system mutex's calls were an
// eighth of the update's instructions. A waiter spins briefly, then yields.
#pragma once

#include <atomic>

namespace vesko {

// Meets the standard Lockable requirements; not recursive.
class BriefLock {
public:
    void lock() noexcept {
        while (taken.exchange(true, std::memory_order_acquire)) {
            waitUntilFree();
        }
    }
    bool try_lock() noexcept {
        return !taken.load(std::memory_order_relaxed) && !taken.exchange(true, std::memory_order_acquire);
    }
    void unlock() noexcept { taken.store(false, std::memory_order_release); }

private:
    void waitUntilFree() const noexcept;  // out of line: kept off the fast path

    std::atomic<bool> taken{false};
    static_assert(std::atomic<bool>::is_always_lock_free, "a flag that needs a lock of its own saves nothing");
};

}  // namespace vesko
