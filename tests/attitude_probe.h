// Test-only view into an AttitudeFilter's bias window and orientation.
#pragma once

#include <cstdint>
#include <mutex>

#include "attitude_filter.h"

namespace vesko {

struct AttitudeFilterProbe {
    static std::uint64_t captureCount(const AttitudeFilter& f) {
        const std::scoped_lock lock(f.mutex);
        return f.captureCount;
    }
    static double captureTime(const AttitudeFilter& f) {
        const std::scoped_lock lock(f.mutex);
        return f.captureTime;
    }
    // Puts the filter into tracking with a chosen orientation, as a still
    // window would have left it.
    static void track(AttitudeFilter& f, const Quaternion& q) {
        const std::scoped_lock lock(f.mutex);
        f.capturing = false;
        f.status.ready = true;
        f.q = q;
    }
};

}  // namespace vesko
