// Double-precision vectors and quaternions: products, rotation, normalisation, angles, wrapping.
// Stateless value functions; none allocates, locks or fails. Each formula
// keeps its textbook order of operations, so results repeat to the bit.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <limits>

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

inline double norm(const Vector3& v) noexcept { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

// v / d, component by component.
inline constexpr Vector3 divide(const Vector3& v, double d) noexcept { return {v.x / d, v.y / d, v.z / d}; }

// m * v: row i of the result is dot(row i of m, v).
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

// v turned by q; for a unit q this is q (x) (0, v) (x) conjugate(q). q is used
// as given, not normalised; rotate(conjugate(q), v) turns the other way.
inline constexpr Vector3 rotate(const Quaternion& q, const Vector3& v) noexcept {
    const Vector3 qv{q.x, q.y, q.z};
    Vector3 t = cross(qv, v);
    t = {t.x * 2.0, t.y * 2.0, t.z * 2.0};
    const Vector3 u = cross(qv, t);
    return {v.x + q.w * t.x + u.x, v.y + q.w * t.y + u.y, v.z + q.w * t.z + u.z};
}

// Unit-length copy of q; a zero quaternion has no direction and becomes the identity.
inline Quaternion normalize(const Quaternion& q) noexcept {
    const double n = std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z);
    if (n <= 0.0) {
        return identity();
    }
    return {q.w / n, q.x / n, q.y / n, q.z / n};
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

// Brings an angle in degrees into [-180, 180] by whole turns; both ends stay as
// they are and NaN passes through. Beyond ten turns fmod (exact) comes first,
// so huge angles cannot loop for ever; infinity has no direction and gives NaN.
inline double wrap(double angleDegrees) noexcept {
    constexpr double kStepwiseLimit = 3600.0;  // degrees
    if (std::isinf(angleDegrees)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    double a = std::fabs(angleDegrees) > kStepwiseLimit ? std::fmod(angleDegrees, 360.0) : angleDegrees;
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
