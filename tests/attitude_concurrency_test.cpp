// One filter shared by a feeding thread and a reading thread, as the tool runs it.
// Meant for ThreadSanitizer as much as for the plain build.
#include "attitude_filter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "synthetic_imu.h"

namespace vesko {
namespace {

TEST(Concurrency, ReaderFeedsWhileMainThreadReadsRecentersAndRecaptures) {
    constexpr std::uint64_t kSamples = 60'000;
    AttitudeFilter filter;
    filter.configure(HeadsetConfig{}, FilterParams{});
    std::atomic<bool> done{false};

    std::thread reader([&] {
        test::SyntheticImu imu(ImuCalibration{}, FilterParams{}, {2.0, -1.0, 0.5}, 1.0);
        for (std::uint64_t i = 0; i < kSamples; ++i) {
            filter.update(imu.step({0.1, 0.4, -0.2}));
        }
        done = true;
    });

    std::uint64_t lastSamples = 0;
    std::uint64_t rounds = 0;
    bool everReady = false;
    while (!done) {
        const FilterSnapshot s = filter.snapshot();
        EXPECT_GE(s.samples, lastSamples);
        lastSamples = s.samples;
        everReady = everReady || s.ready;
        for (const Quaternion& q : {filter.orientation(0.0), filter.orientation(0.02)}) {
            EXPECT_NEAR(1.0, std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z), 1e-12);
        }
        ++rounds;
        if (rounds % 64 == 0) {
            filter.recenter();
        }
        if (rounds % 4096 == 0) {
            filter.recaptureBias();
        }
        std::this_thread::yield();
    }
    reader.join();
    const FilterSnapshot s = filter.snapshot();
    EXPECT_EQ(kSamples, s.samples);
    EXPECT_EQ(0u, s.resets);
    EXPECT_TRUE(everReady || s.ready);
}

}  // namespace
}  // namespace vesko
