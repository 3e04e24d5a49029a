// Proof that the filter never allocates, counted with a replaced operator new.
// update runs on the device reader thread under the lock the main thread waits on.
#include "attitude_filter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "synthetic_imu.h"

namespace {
thread_local long allocations = 0;
}  // namespace

// The replacements pair malloc with free; once inlined, GCC cannot see that and
// would warn that the built-in new meets free.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace vesko {
namespace {

TEST(Allocation, UpdateAndReadersNeverAllocate) {
    AttitudeFilter filter;
    filter.configure(HeadsetConfig{}, FilterParams{});
    test::SyntheticImu imu(ImuCalibration{}, FilterParams{}, {1.0, 2.0, 3.0}, 1.0);
    const long before = allocations;
    for (int i = 0; i < 5000; ++i) {
        filter.update(imu.step({0.2, -0.3, 0.1}));
        if (i % 100 == 0) {
            (void)filter.snapshot();
            (void)filter.orientation(0.01);
            filter.recenter();
        }
    }
    EXPECT_TRUE(filter.snapshot().ready);
    EXPECT_EQ(before, allocations);
}

}  // namespace
}  // namespace vesko
