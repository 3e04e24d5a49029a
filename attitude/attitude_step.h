// Short forms of the integration step's products, bit for bit the plain formulas for an ordinary q.
// The short forms leave out terms multiplied by a constant 0 or 1 and move a
// halving or a doubling onto another factor. That can change a result only
// through the sign of a zero or through values near underflow, and only when
// a component of q itself is zero, tiny or not finite; such orientations take
// the plain formulas.
#pragma once

#include <cmath>

#include "vector_math.h"

namespace vesko {

inline constexpr double kOrdinaryMin = 0x1p-500;  // products of two stay far above underflow

// Every component of q has a magnitude of at least kOrdinaryMin, for a q of
// unit length (every orientation the filter holds comes out of normalize or
// is the identity or a half turn, so no component exceeds 1 by more than
// rounding). Told from the product of all four, because this test waits on
// the previous step's result and its instructions wait with it: when the
// product reaches 2^-499 none of its factors can be below 2^-500. NaN fails.
inline bool unitOrdinary(const Quaternion& q) noexcept {
    return std::fabs((q.w * q.x) * (q.y * q.z)) >= 2.0 * kOrdinaryMin;
}

// World up (0, 1, 0) as an ordinary q sees it in the head frame, halved:
// rotate(conjugate(q), up) is exactly twice this, as every doubling in it is
// exact for an ordinary q. The caller moves the doubling onto its other
// factor (the measured up), which is known long before q.
inline Vector3 halfUpSeenByOrdinary(const Quaternion& q) noexcept {
    return {q.w * q.z + q.y * q.x, 0.5 - (q.z * q.z + q.x * q.x), q.y * q.z - q.w * q.x};
}

// One Euler step of dq/dt = q (x) (0, w) / 2 over dt seconds, not normalised,
// as the plain formula reads: q + 0.5 * (q (x) (0, w)) * dt.
inline Quaternion eulerStep(const Quaternion& q, const Vector3& w, double dt) noexcept {
    const Quaternion dq = multiply(q, {0.0, w.x, w.y, w.z});
    return {q.w + 0.5 * dq.w * dt, q.x + 0.5 * dq.x * dt, q.y + 0.5 * dq.y * dt, q.z + 0.5 * dq.z * dt};
}

// eulerStep for an ordinary q and a dt of at least kOrdinaryMin: without the
// products with w's zero scalar, with the halving on dt, where it is exact,
// and with the scalar part's sign taken out of its sum (rounding is symmetric).
inline Quaternion eulerStepOrdinary(const Quaternion& q, const Vector3& w, double dt) noexcept {
    const double h = 0.5 * dt;
    return {q.w - ((q.x * w.x + q.y * w.y) + q.z * w.z) * h, q.x + ((q.w * w.x + q.y * w.z) - q.z * w.y) * h,
            q.y + ((q.w * w.y - q.x * w.z) + q.z * w.x) * h, q.z + ((q.w * w.z + q.x * w.y) - q.y * w.x) * h};
}

}  // namespace vesko
