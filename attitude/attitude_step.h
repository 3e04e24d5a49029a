// The integration step's two products with the work on known zeros left out, bit for bit as the plain formulas.
// Leaving out x * 0 and x * 1 terms changes a result only through the sign
// of a zero or through underflow, so the short forms run only when every
// input is an ordinary magnitude; the rest take the plain formulas.
#pragma once

#include <cmath>

#include "vector_math.h"

namespace vesko {

// Magnitudes whose products and sums here can be neither zero nor subnormal
// nor infinite. NaN is not ordinary.
inline bool ordinary(double v) noexcept {
    const double a = std::fabs(v);
    return a >= 0x1p-400 && a <= 0x1p400;
}

// World up (0, 1, 0) as orientation q sees it in the head frame:
// rotate(conjugate(q), up), whose cross products with up reduce to t = (2z, 0, -2x).
inline Vector3 upSeenBy(const Quaternion& q) noexcept {
    if (!(ordinary(q.x) && ordinary(q.y) && ordinary(q.z) && std::fabs(q.w) <= 0x1p400)) {
        return rotate(conjugate(q), {0.0, 1.0, 0.0});
    }
    const double tx = q.z + q.z;
    const double x2 = q.x + q.x;
    return {q.w * tx + q.y * x2, 1.0 - (q.z * tx + q.x * x2), q.w * -x2 + q.y * tx};
}

inline bool ordinary(const Quaternion& q) noexcept {
    return ordinary(q.w) && ordinary(q.x) && ordinary(q.y) && ordinary(q.z);
}
inline bool ordinary(const Vector3& v) noexcept { return ordinary(v.x) && ordinary(v.y) && ordinary(v.z); }

// One Euler step of dq/dt = q (x) (0, w) / 2 over dt seconds, not normalised,
// as the plain formula reads: q + 0.5 * (q (x) (0, w)) * dt.
inline Quaternion eulerStep(const Quaternion& q, const Vector3& w, double dt) noexcept {
    const Quaternion dq = multiply(q, {0.0, w.x, w.y, w.z});
    return {q.w + 0.5 * dq.w * dt, q.x + 0.5 * dq.x * dt, q.y + 0.5 * dq.y * dt, q.z + 0.5 * dq.z * dt};
}

// eulerStep, bit for bit, when q, w and dt are all ordinary: without the
// products with w's zero scalar and with the halving moved onto dt, where it is exact.
inline Quaternion ordinaryEulerStep(const Quaternion& q, const Vector3& w, double dt) noexcept {
    const double h = 0.5 * dt;
    return {q.w + (-(q.x * w.x) - q.y * w.y - q.z * w.z) * h, q.x + (q.w * w.x + q.y * w.z - q.z * w.y) * h,
            q.y + (q.w * w.y - q.x * w.z + q.z * w.x) * h, q.z + (q.w * w.z + q.x * w.y - q.y * w.x) * h};
}

}  // namespace vesko
