// Short forms of the integration step's products, bit for bit the plain formulas for an ordinary q.
// The short forms leave out terms multiplied by a constant 0 or 1 and move a
// halving onto dt. That can change a result only through the sign of a zero
// or through values near underflow, and only when a component of q itself is
// zero, tiny or not finite; such orientations take the plain formulas.
#pragma once

#include <cmath>

#include "vector_math.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace vesko {

inline constexpr double kOrdinaryMin = 0x1p-500;  // products of two stay far above underflow
inline constexpr double kOrdinaryMax = 0x1p500;   // and far below overflow

// Every component of q has an ordinary magnitude; NaN has none. This test
// waits on the previous step's result, so it is kept to a few instructions.
inline bool ordinary(const Quaternion& q) noexcept {
#if defined(__SSE2__) || defined(_M_X64)
    const __m128d sign = _mm_set1_pd(-0.0);
    const __m128d lo = _mm_set1_pd(kOrdinaryMin);
    const __m128d hi = _mm_set1_pd(kOrdinaryMax);
    const __m128d wx = _mm_andnot_pd(sign, _mm_set_pd(q.x, q.w));
    const __m128d yz = _mm_andnot_pd(sign, _mm_set_pd(q.z, q.y));
    const __m128d inWx = _mm_and_pd(_mm_cmple_pd(lo, wx), _mm_cmple_pd(wx, hi));
    const __m128d inYz = _mm_and_pd(_mm_cmple_pd(lo, yz), _mm_cmple_pd(yz, hi));
    return _mm_movemask_pd(_mm_and_pd(inWx, inYz)) == 3;
#else
    for (const double c : {q.w, q.x, q.y, q.z}) {
        if (!(std::fabs(c) >= kOrdinaryMin && std::fabs(c) <= kOrdinaryMax)) return false;
    }
    return true;
#endif
}

// World up (0, 1, 0) as an ordinary orientation q sees it in the head frame:
// rotate(conjugate(q), up), whose cross products with up reduce to t = (2z, 0, -2x).
inline Vector3 upSeenByOrdinary(const Quaternion& q) noexcept {
    const double tx = q.z + q.z;
    const double x2 = q.x + q.x;
    return {q.w * tx + q.y * x2, 1.0 - (q.z * tx + q.x * x2), q.w * -x2 + q.y * tx};
}

// One Euler step of dq/dt = q (x) (0, w) / 2 over dt seconds, not normalised,
// as the plain formula reads: q + 0.5 * (q (x) (0, w)) * dt.
inline Quaternion eulerStep(const Quaternion& q, const Vector3& w, double dt) noexcept {
    const Quaternion dq = multiply(q, {0.0, w.x, w.y, w.z});
    return {q.w + 0.5 * dq.w * dt, q.x + 0.5 * dq.x * dt, q.y + 0.5 * dq.y * dt, q.z + 0.5 * dq.z * dt};
}

// eulerStep for an ordinary q and a dt of at least kOrdinaryMin: without the
// products with w's zero scalar, and with the halving on dt, where it is exact.
inline Quaternion eulerStepOrdinary(const Quaternion& q, const Vector3& w, double dt) noexcept {
    const double h = 0.5 * dt;
    return {q.w + (-(q.x * w.x) - q.y * w.y - q.z * w.z) * h, q.x + (q.w * w.x + q.y * w.z - q.z * w.y) * h,
            q.y + (q.w * w.y - q.x * w.z + q.z * w.x) * h, q.z + (q.w * w.z + q.x * w.y - q.y * w.x) * h};
}

}  // namespace vesko
