// The simulated person's moves as orientation and rate over time.
#include "simulated_motion_plan.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vesko {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

Quaternion aboutAxis(const Vector3& axis, double angle) noexcept {
    const double s = std::sin(0.5 * angle);
    return {std::cos(0.5 * angle), axis.x * s, axis.y * s, axis.z * s};
}

Vector3 unit(const Vector3& v) noexcept {
    const double n = norm(v);
    return {v.x / n, v.y / n, v.z / n};
}

HeadMotion motion(const Quaternion& q, const Vector3& rate) noexcept {
    const Vector3 up = rotate(conjugate(q), {0.0, 1.0, 0.0});
    return {{up.x, up.y, up.z}, {rate.x, rate.y, rate.z}};
}

}  // namespace

Quaternion SimulatedMotionPlan::resting() const {
    if (moves.empty()) return identity();
    const Move& last = moves.back();
    return normalize(multiply(last.from, aboutAxis(last.axis, last.angle)));
}

void SimulatedMotionPlan::add(const Vector3& axisHead, double angle, double start) {
    if (!moves.empty()) {
        const Move& last = moves.back();
        start = std::max(start, last.start + last.duration + kSettleSeconds);
    }
    const double quarterTurns = std::fabs(angle) / (0.5 * std::numbers::pi);
    moves.push_back({start, kMoveBaseSeconds + kMoveSecondsPer90 * quarterTurns, resting(), unit(axisHead), angle});
}

void SimulatedMotionPlan::lieWithUp(const Vector3& upHead, double start) {
    const Vector3 wanted = unit(upHead);
    const Vector3 now = rotate(conjugate(resting()), {0.0, 1.0, 0.0});
    const double d = std::clamp(dot(wanted, now), -1.0, 1.0);
    if (d > 0.99999) return;
    Vector3 axis = cross(wanted, now);  // turns `wanted` onto where up is now
    if (norm(axis) < 1e-6) axis = std::fabs(wanted.z) < 0.9 ? cross(wanted, {0.0, 0.0, 1.0}) : cross(wanted, {1.0, 0.0, 0.0});
    add(axis, std::acos(d), start);
}

void SimulatedMotionPlan::turn(double degrees, double start) {
    const Vector3 verticalInHead = rotate(conjugate(resting()), {0.0, 1.0, 0.0});
    add(verticalInHead, degrees * std::numbers::pi / 180.0, start);
}

HeadMotion SimulatedMotionPlan::at(double seconds) const {
    const auto next = std::upper_bound(moves.begin(), moves.end(), seconds,
                                       [](double t, const Move& m) { return t < m.start; });
    if (next == moves.begin()) return {};
    const Move& m = *(next - 1);
    const double tau = seconds - m.start;
    if (tau < m.duration) {
        const double phase = kTwoPi * tau / m.duration;
        const double angle = m.angle * (tau / m.duration - std::sin(phase) / kTwoPi);
        const double rate = m.angle / m.duration * (1.0 - std::cos(phase));
        const Quaternion q = multiply(m.from, aboutAxis(m.axis, angle));
        return motion(q, {m.axis.x * rate, m.axis.y * rate, m.axis.z * rate});
    }
    const Quaternion rest = multiply(m.from, aboutAxis(m.axis, m.angle));
    const double sigma = tau - m.duration;
    if (sigma >= kSettleSeconds) return motion(rest, {});
    const double amplitude = kSettleDegrees * std::numbers::pi / 180.0 * std::exp(-sigma / kSettleDecaySeconds);
    const double w = kTwoPi * kSettleHz;
    const double rock = amplitude * std::sin(w * sigma);
    const double rate = amplitude * (w * std::cos(w * sigma) - std::sin(w * sigma) / kSettleDecaySeconds);
    return motion(multiply(rest, aboutAxis(m.axis, rock)), {m.axis.x * rate, m.axis.y * rate, m.axis.z * rate});
}

}  // namespace vesko
