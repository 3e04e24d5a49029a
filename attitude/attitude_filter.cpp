// The attitude filter: bias window, gaps, integration with gravity correction, look-ahead, recenter.
#include "attitude_filter.h"

#include <cmath>
#include <mutex>

#include "attitude_step.h"

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
constexpr Vector3 kUp{0.0, 1.0, 0.0};            // world up, and the head's up
constexpr Vector3 kForwardHead{0.0, 0.0, -1.0};  // where the head looks, head frame

Vector3 toVector(const ConfigVector& v) { return {v[0], v[1], v[2]}; }

Vector3 twice(const Vector3& v) { return {v.x + v.x, v.y + v.y, v.z + v.z}; }

// The body rate with the gravity correction gain * e added.
Vector3 withCorrection(const Vector3& omega, double gain, const Vector3& e) {
    return {omega.x + gain * e.x, omega.y + gain * e.y, omega.z + gain * e.z};
}

// 1 / d when multiplying by it gives exactly what dividing by d does: d is a
// power of two, so both round the same exact value. Otherwise 0.
double exactReciprocal(double d) {
    int exponent = 0;
    return std::fabs(std::frexp(d, &exponent)) == 0.5 ? 1.0 / d : 0.0;
}

// Population standard deviation of one axis, with the variance floored at 0
// because the sum-of-squares form can go slightly negative through rounding.
double deviation(double sumSq, double n, double mean) {
    return std::sqrt(std::fmax(0.0, sumSq / n - mean * mean));
}

}  // namespace

void AttitudeFilter::configure(const HeadsetConfig& config, const FilterParams& newParams) {
    const std::lock_guard lock(mutex);
    params = newParams;
    gPerCount = exactReciprocal(params.accLsbPerG);
    const Vector3 plusX = toVector(config.imu.plusX);
    const Vector3 plusZ = toVector(config.imu.plusZ);
    const Vector3 py = cross(plusZ, plusX);  // axes are used as given: no normalising
    for (std::size_t i = 0; i < 3; ++i) {
        imuToHead[i] = {plusX[i], py[i], plusZ[i]};
    }
    accBias = toVector(config.imu.accBias);
    accScale = toVector(config.imu.accScale);
    gyroBias = toVector(config.imu.gyroBias);
    // A count times a power of two is exact, so (count * gPerCount) * scale
    // rounds once, as count * (gPerCount * scale) does, whenever that last
    // product is itself exact: dividing it back gives the scale.
    scaledExactly = gPerCount != 0.0;
    for (std::size_t i = 0; i < 3; ++i) {
        gPerCountScaled[i] = gPerCount * accScale[i];
        scaledExactly = scaledExactly && gPerCountScaled[i] / gPerCount == accScale[i];
    }
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

// Seconds since the previous sample. The unsigned difference absorbs a wrap of
// the 32-bit device clock; a clock that steps back reads as a long gap.
// The division is kept from the previous sample when the tick count repeats.
double AttitudeFilter::intervalSince(std::uint32_t timestamp) {
    const std::uint32_t ticks = timestamp - lastTime;
    if (ticks != lastTicks) {
        lastTicks = ticks;
        lastInterval = static_cast<double>(ticks) / kTicksPerSecond;
    }
    return lastInterval;
}

void AttitudeFilter::update(const ImuSample& sample) {
    const std::lock_guard lock(mutex);
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
    const Vector3 upTwiceNow = measureGravity(sample);
    if (capturing) {
        feedBiasWindow(sample, dt);
    } else if (dt > 0.0) {
        integrate(sample, upTwiceNow, dt);
    }
}

// Lock held. Head-frame acceleration (g) and, when it has a direction, up.
// Returns 2 * up for the correction, handed over in registers: the path from
// the sample to it is as long as the one from q to q, and the two overlap.
inline Vector3 AttitudeFilter::measureGravity(const ImuSample& sample) {
    Vector3 accImu;
    for (std::size_t i = 0; i < 3; ++i) {
        const double count = static_cast<double>(sample.acc[i]);
        if (scaledExactly) {
            accImu[i] = count * gPerCountScaled[i] - accBias[i];
        } else {
            const double g = gPerCount != 0.0 ? count * gPerCount : count / params.accLsbPerG;
            accImu[i] = g * accScale[i] - accBias[i];
        }
    }
    const Vector3 accHead = multiply(imuToHead, accImu);
    const double length = norm(accHead);
    status.accNorm = length;
    if (length > kMinGravityLength) {
        const Vector3 up = divide(accHead, length);
        status.gHead = up;
        return twice(up);
    }
    return twice(status.gHead);  // no direction: the last one stays
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
        const double sd = deviation(gyroSumSq[i], n, mean[i]);
        if (sd > params.biasMaxSd) {
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

// Lock held. One Euler step of dq/dt = q (x) (0, omega) / 2 with the gravity
// correction added to the body rate.
inline void AttitudeFilter::integrate(const ImuSample& sample, const Vector3& upTwiceNow, double dt) {
    Vector3 gyroImu;
    for (std::size_t i = 0; i < 3; ++i) {
        gyroImu[i] = (static_cast<double>(sample.gyro[i]) - capturedBias[i] - gyroBias[i]) * params.gyroScale;
    }
    Vector3 omega = multiply(imuToHead, gyroImu);
    status.omegaNorm = norm(omega);
    // The weight is clamped at 0 only to switch the correction off, so the
    // test on it does the clamp's work without a call to fmax.
    const double k = 1.0 - status.omegaNorm / kCorrectionFadeRate;
    const bool correct = status.accNorm > kCorrectionMinAcc && status.accNorm < kCorrectionMaxAcc && k > 0.0;
    const double gain = params.correctionGain * k;
    if (!(unitOrdinary(q) && dt >= kOrdinaryMin)) [[unlikely]] {
        integratePlainly(omega, correct, gain, dt);
        return;
    }
    // From one orientation to the next is the update's longest chain of
    // dependent operations, so it takes the short forms.
    if (correct) {
        // cross(2 gHead, half the up the estimate sees): the bits of the plain step's product
        omega = withCorrection(omega, gain, cross(upTwiceNow, halfUpSeenByOrdinary(q)));
    }
    lastOmega = omega;
    q = normalize(eulerStepOrdinary(q, omega, dt));
}

// Lock held. integrate for an orientation or interval the short forms may not
// take: the plain formulas. Out of line, so the common step stays compact.
void AttitudeFilter::integratePlainly(Vector3 omega, bool correct, double gain, double dt) {
    if (correct) {
        // measured up against up as the estimate sees it, both in the head frame
        omega = withCorrection(omega, gain, cross(status.gHead, rotate(conjugate(q), kUp)));
    }
    lastOmega = omega;
    q = normalize(eulerStep(q, omega, dt));
}

Quaternion AttitudeFilter::orientation(double lookAheadSeconds) const {
    const std::lock_guard lock(mutex);
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
    const std::lock_guard lock(mutex);
    const Vector3 fwdWorld = rotate(q, kForwardHead);
    const double yaw = std::atan2(-fwdWorld.x, -fwdWorld.z);  // rad, positive towards -X
    const Quaternion qInvYaw{std::cos(-yaw / 2.0), 0.0, std::sin(-yaw / 2.0), 0.0};  // about world up
    q = normalize(multiply(qInvYaw, q));
}

void AttitudeFilter::recaptureBias() {
    const std::lock_guard lock(mutex);
    restart();
}

FilterSnapshot AttitudeFilter::snapshot() const {
    const std::lock_guard lock(mutex);
    return status;
}

}  // namespace vesko
