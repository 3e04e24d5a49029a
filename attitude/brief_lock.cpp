// The contended side of BriefLock: spin a little, then let the holder run.
#include "brief_lock.h"

#include <thread>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace vesko {
namespace {

constexpr int kSpins = 64;  // pauses: a microsecond or so, longer than any holder's work

void relax() noexcept {
#if defined(__SSE2__) || defined(_M_X64)
    _mm_pause();
#endif
}

}  // namespace

// Reads only, so the waiting core does not pull the line away from the holder.
// A holder that has been preempted is let run rather than spun against.
void BriefLock::waitUntilFree() const noexcept {
    int spins = 0;
    while (taken.load(std::memory_order_relaxed)) {
        if (spins < kSpins) {
            relax();
            ++spins;
        } else {
            std::this_thread::yield();
        }
    }
}

}  // namespace vesko
