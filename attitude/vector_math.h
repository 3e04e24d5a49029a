// Double-precision vectors and quaternions: products, rotation, normalisation, angles, wrapping.
// Stateless and allocation-free. The operation order of each formula is kept
// as written on purpose: the filter's results are reproducible to the bit.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <limits>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace vesko {

// Axes: right-handed, +Y up, the head looks along -Z. Yaw is about +Y, pitch
// about +X, roll about +Z.

inline constexpr double kDegreesPerRadian = 57.29577951308232;  // 180/pi as a double

struct Vector3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    // Components by index for loops over axes: 0, 1, 2 are x, y, z.
    constexpr double& operator[](std::size_t i) noexcept { return i == 0 ? x : (i == 1 ? y : z); }
    constexpr const double& operator[](std::size_t i) const noexcept {
        return i == 0 ? x : (i == 1 ? y : z);
    }
};

// Scalar first. As an orientation it turns head-frame vectors into world-frame
// vectors. Unit length is kept only by normalize.
struct Quaternion {
    double w = 1.0;
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

// Row-major 3x3 matrix: element [i][j] is row i, column j.
using Matrix3 = std::array<Vector3, 3>;

struct YawPitchRoll {
    double yaw;    // degrees, [-180, 180], about +Y
    double pitch;  // degrees, [-90, 90], about +X
    double roll;   // degrees, [-180, 180], about +Z
};

inline constexpr Vector3 cross(const Vector3& a, const Vector3& b) noexcept {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

inline constexpr double dot(const Vector3& a, const Vector3& b) noexcept {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// std::sqrt on purpose: its errno check is a compare and a branch beside the
// square root, while moving the sum into an SSE2 register first puts two
// shuffles in front of it, on the path to the gravity direction.
inline double norm(const Vector3& v) noexcept { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

// m * v, each row summed left to right.
inline constexpr Vector3 multiply(const Matrix3& m, const Vector3& v) noexcept {
    return {dot(m[0], v), dot(m[1], v), dot(m[2], v)};
}

inline constexpr Quaternion identity() noexcept { return {1.0, 0.0, 0.0, 0.0}; }

// Hamilton product a (x) b.
inline constexpr Quaternion multiply(const Quaternion& a, const Quaternion& b) noexcept {
    return {a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z,
            a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
            a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
            a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
}

inline constexpr Quaternion conjugate(const Quaternion& q) noexcept { return {q.w, -q.x, -q.y, -q.z}; }

// For a unit q this is q (x) (0, v) (x) q*, at a fraction of the cost; q is
// used as given, not normalised.
inline constexpr Vector3 rotate(const Quaternion& q, const Vector3& v) noexcept {
    const Vector3 qv{q.x, q.y, q.z};
    Vector3 t = cross(qv, v);
    t = {t.x * 2.0, t.y * 2.0, t.z * 2.0};
    const Vector3 u = cross(qv, t);
    return {v.x + q.w * t.x + u.x, v.y + q.w * t.y + u.y, v.z + q.w * t.z + u.z};
}

// v / d component by component. Where SSE2 is at hand x and y share one
// division: the divider is slow and not fully pipelined.
inline Vector3 divide(const Vector3& v, double d) noexcept {
#if defined(__SSE2__) || defined(_M_X64)
    alignas(16) double xy[2];
    _mm_store_pd(xy, _mm_div_pd(_mm_set_pd(v.y, v.x), _mm_set1_pd(d)));
    return {xy[0], xy[1], v.z / d};
#else
    return {v.x / d, v.y / d, v.z / d};
#endif
}

// Unit-length copy of q; a zero quaternion has no direction and becomes the identity.
inline Quaternion normalize(const Quaternion& q) noexcept {
    const double s = q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z;
#if defined(__SSE2__) || defined(_M_X64)
    // The square root without std::sqrt's errno check, then two divisions
    // of two lanes each, as in divide.
    const __m128d d = _mm_sqrt_pd(_mm_set1_pd(s));
    if (_mm_cvtsd_f64(d) <= 0.0) {
        return identity();
    }
    alignas(16) double r[4];
    _mm_store_pd(r, _mm_div_pd(_mm_set_pd(q.x, q.w), d));
    _mm_store_pd(r + 2, _mm_div_pd(_mm_set_pd(q.z, q.y), d));
    return {r[0], r[1], r[2], r[3]};
#else
    const double n = std::sqrt(s);
    if (n <= 0.0) {
        return identity();
    }
    return {q.w / n, q.x / n, q.y / n, q.z / n};
#endif
}

// Inverts q = R(+Y, yaw) (x) R(+X, pitch) (x) R(+Z, roll). The pitch term is
// clamped because rounding can push it just past +-1, where asin gives NaN.
inline YawPitchRoll toYawPitchRoll(const Quaternion& q) noexcept {
    const double w = q.w, x = q.x, y = q.y, z = q.z;
    const double yaw = std::atan2(2.0 * (x * z + w * y), 1.0 - 2.0 * (x * x + y * y));
    const double s = -(2.0 * (y * z - w * x));
    const double pitch = std::asin(std::fmax(-1.0, std::fmin(1.0, s)));
    const double roll = std::atan2(2.0 * (x * y + w * z), 1.0 - 2.0 * (x * x + z * z));
    return {yaw * kDegreesPerRadian, pitch * kDegreesPerRadian, roll * kDegreesPerRadian};
}

// Brings an angle in degrees into [-180, 180]; both ends stay as they are.
// Within a few turns this is exactly the step-by-360 loop. Larger angles are
// first reduced with fmod (exact) so the time never grows with the angle, and
// an infinite angle, which has no direction, gives NaN. NaN passes through.
inline double wrap(double angleDegrees) noexcept {
    constexpr double kStepwiseLimit = 3600.0;  // degrees; at most 10 steps below it
    double a = angleDegrees;
    if (std::isinf(a)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    if (std::fabs(a) > kStepwiseLimit) {
        a = std::fmod(a, 360.0);
    }
    while (a > 180.0) {
        a -= 360.0;
    }
    while (a < -180.0) {
        a += 360.0;
    }
    return a;
}

// The turn made at the rate omega (rad/s) over tau seconds. A zero rate makes no turn.
inline Quaternion rateIncrement(const Vector3& omega, double tau) noexcept {
    const double n = norm(omega);
    if (!(n > 0.0)) {
        return identity();
    }
    const double h = 0.5 * n * tau;
    const double k = std::sin(h) / n;
    return {std::cos(h), omega.x * k, omega.y * k, omega.z * k};
}

// The rotation turning unit vector a onto unit vector b about an axis normal to
// both. For (nearly) opposite vectors that axis is undefined; a half turn about
// +Z is returned, which is right whenever b is +Y or -Y.
inline Quaternion shortestArc(const Vector3& a, const Vector3& b) noexcept {
    constexpr double kOppositeDot = -0.9999;
    const double d = dot(a, b);
    if (d < kOppositeDot) {
        return {0.0, 0.0, 0.0, 1.0};
    }
    const Vector3 c = cross(a, b);
    return normalize({1.0 + d, c.x, c.y, c.z});
}

}  // namespace vesko
