// The attitude filter: bias window, gaps, integration with gravity correction, look-ahead, recenter.
#include "attitude_filter.h"

#include <cmath>

namespace vesko {
namespace {

constexpr double kTicksPerSecond = static_cast<double>(kImuTicksPerSecond);
constexpr double kMinGravityLength = 1e-6;     // g; shorter accelerations give no direction
constexpr double kCorrectionMinAcc = 0.5;      // g; the correction trusts |a| strictly between
constexpr double kCorrectionMaxAcc = 1.5;      // g  these two bounds
constexpr double kCorrectionFadeRate = 1.0;    // rad/s at which the correction weight reaches 0
constexpr std::uint64_t kBiasMinSamples = 100;
constexpr double kMaxLookAhead = 0.05;         // s
constexpr double kMinLookAheadRate = 1e-9;     // rad/s
constexpr Vector3 kUp{0.0, 1.0, 0.0};            // world up
constexpr Vector3 kForwardHead{0.0, 0.0, -1.0};  // where the head looks, head frame

Vector3 toVector(const ConfigVector& v) { return {v[0], v[1], v[2]}; }

// Population standard deviation of one axis, with the variance floored at 0
// because the sum-of-squares form can go slightly negative through rounding.
double deviation(double sumSq, double n, double mean) {
    return std::sqrt(std::fmax(0.0, sumSq / n - mean * mean));
}

// Weight of the gravity correction: none unless |a| is near 1 g, where it is
// mostly gravity, and fading to none as the head turns at kCorrectionFadeRate.
double correctionWeight(double accNorm, double omegaNorm) {
    if (!(accNorm > kCorrectionMinAcc && accNorm < kCorrectionMaxAcc)) {
        return 0.0;
    }
    return std::fmax(0.0, 1.0 - omegaNorm / kCorrectionFadeRate);
}

// The measured up (head frame) against world up as the orientation q sees it:
// their cross product, along the axis of the tilt error, of length its sine.
Vector3 tiltError(const Quaternion& q, const Vector3& vMeas) {
    const Vector3 vEst = rotate(conjugate(q), kUp);
    return cross(vMeas, vEst);
}

// One explicit Euler step of dq/dt = q (x) (0, omega) / 2 over dt seconds, not
// normalised. omega is in the head (body) frame, so it multiplies from the right.
Quaternion eulerStep(const Quaternion& q, const Vector3& omega, double dt) {
    const Quaternion dq = multiply(q, {0.0, omega.x, omega.y, omega.z});
    return {q.w + 0.5 * dq.w * dt, q.x + 0.5 * dq.x * dt, q.y + 0.5 * dq.y * dt, q.z + 0.5 * dq.z * dt};
}

}  // namespace

void AttitudeFilter::configure(const HeadsetConfig& config, const FilterParams& newParams) {
    const std::scoped_lock lock(mutex);
    params = newParams;
    const Vector3 plusX = toVector(config.imu.plusX);
    const Vector3 plusZ = toVector(config.imu.plusZ);
    const Vector3 py = cross(plusZ, plusX);  // axes are used as given: no normalising
    for (std::size_t i = 0; i < 3; ++i) {
        imuToHead[i] = {plusX[i], py[i], plusZ[i]};
    }
    accBias = toVector(config.imu.accBias);
    accScale = toVector(config.imu.accScale);
    gyroBias = toVector(config.imu.gyroBias);
    restart();
}

// Lock held. Bias, counters and the last measurements stay on show.
void AttitudeFilter::restart() {
    q = identity();
    haveTime = false;
    capturing = true;
    gyroSum = {};
    gyroSumSq = {};
    captureCount = 0;
    captureTime = 0.0;
    status.ready = false;
}

// Lock held. Seconds since the previous sample. The unsigned difference absorbs
// a wrap of the 32-bit device clock; a clock that steps back reads as a long gap.
double AttitudeFilter::intervalSince(std::uint32_t timestamp) const {
    const std::uint32_t ticks = timestamp - lastTime;
    return static_cast<double>(ticks) / kTicksPerSecond;
}

void AttitudeFilter::update(const ImuSample& sample) {
    const std::scoped_lock lock(mutex);
    status.samples += 1;
    double dt = haveTime ? intervalSince(sample.timestamp) : 0.0;
    if (dt > params.maxStepDt) {
        if (status.ready && dt < params.maxGap) {
            status.gapsBridged += 1;
            dt = 0.0;
        } else {
            status.resets += 1;
            restart();
        }
    }
    lastTime = sample.timestamp;
    haveTime = true;
    measureGravity(sample);
    if (capturing) {
        feedBiasWindow(sample, dt);
    } else if (dt > 0.0) {
        integrate(sample, dt);
    }
}

// Lock held. Head-frame acceleration (g) and, when it has a direction, up.
void AttitudeFilter::measureGravity(const ImuSample& sample) {
    Vector3 accImu;
    for (std::size_t i = 0; i < 3; ++i) {
        accImu[i] = static_cast<double>(sample.acc[i]) / params.accLsbPerG * accScale[i] - accBias[i];
    }
    const Vector3 accHead = multiply(imuToHead, accImu);
    status.accNorm = norm(accHead);
    if (status.accNorm > kMinGravityLength) {
        status.gHead = divide(accHead, status.accNorm);
    }
}

// Lock held. dt is the whole interval, a restarting gap included.
void AttitudeFilter::feedBiasWindow(const ImuSample& sample, double dt) {
    for (std::size_t i = 0; i < 3; ++i) {
        const double g = static_cast<double>(sample.gyro[i]);
        gyroSum[i] += g;
        gyroSumSq[i] += g * g;
    }
    captureCount += 1;
    captureTime += dt;
    if (captureTime < params.biasMinTime || captureCount < kBiasMinSamples) {
        return;
    }
    const double n = static_cast<double>(captureCount);
    Vector3 mean;
    bool still = true;
    for (std::size_t i = 0; i < 3; ++i) {
        mean[i] = gyroSum[i] / n;
        if (deviation(gyroSumSq[i], n, mean[i]) > params.biasMaxSd) {
            still = false;
        }
    }
    if (!still) {
        gyroSum = {};
        gyroSumSq = {};
        captureCount = 0;
        captureTime = 0.0;
        return;
    }
    finishBiasWindow(mean);
}

// Lock held. A still window: keep its bias and take tilt from gravity alone.
void AttitudeFilter::finishBiasWindow(const Vector3& mean) {
    // The window measures the sensor's whole offset, the configured part
    // included; integration subtracts the configured part on its own, so keep
    // only the remainder or a still headset would turn at -gyroBias.
    for (std::size_t i = 0; i < 3; ++i) {
        capturedBias[i] = mean[i] - gyroBias[i];
    }
    status.bias = mean;
    capturing = false;
    q = shortestArc(status.gHead, kUp);
    status.ready = true;
}

// Lock held. One Euler step with the proportional gravity correction added to
// the body rate. Yaw is not observed by gravity and drifts with the gyroscope.
void AttitudeFilter::integrate(const ImuSample& sample, double dt) {
    Vector3 gyroImu;  // rad/s; both biases come off in raw counts, before scaling
    for (std::size_t i = 0; i < 3; ++i) {
        gyroImu[i] = (static_cast<double>(sample.gyro[i]) - capturedBias[i] - gyroBias[i]) * params.gyroScale;
    }
    Vector3 omega = multiply(imuToHead, gyroImu);
    status.omegaNorm = norm(omega);
    const double k = correctionWeight(status.accNorm, status.omegaNorm);
    if (k > 0.0) {
        const Vector3 e = tiltError(q, status.gHead);
        for (std::size_t i = 0; i < 3; ++i) {
            omega[i] = omega[i] + (params.correctionGain * k) * e[i];
        }
    }
    lastOmega = omega;
    q = normalize(eulerStep(q, omega, dt));
}

Quaternion AttitudeFilter::orientation(double lookAheadSeconds) const {
    const std::scoped_lock lock(mutex);
    if (!(lookAheadSeconds > 0.0)) {
        return q;
    }
    const double tau = std::fmin(lookAheadSeconds, kMaxLookAhead);
    if (norm(lastOmega) < kMinLookAheadRate) {
        return q;
    }
    return normalize(multiply(q, rateIncrement(lastOmega, tau)));
}

void AttitudeFilter::recenter() {
    const std::scoped_lock lock(mutex);
    const Vector3 fwdWorld = rotate(q, kForwardHead);
    const double yaw = std::atan2(-fwdWorld.x, -fwdWorld.z);  // rad, positive towards -X
    const Quaternion qInvYaw{std::cos(-yaw / 2.0), 0.0, std::sin(-yaw / 2.0), 0.0};  // about world up
    q = normalize(multiply(qInvYaw, q));
}

void AttitudeFilter::recaptureBias() {
    const std::scoped_lock lock(mutex);
    restart();
}

FilterSnapshot AttitudeFilter::snapshot() const {
    const std::scoped_lock lock(mutex);
    return status;
}

}  // namespace vesko
