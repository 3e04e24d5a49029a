// The filter's update written plainly, step by step as its definition reads.
// Kept out of line, as the filter's own update is, so both pay for a call, and
// with its own plain vector math, so the baseline stays put when the shared math gets faster.
#include "literal_attitude_step.h"

#include <cmath>

namespace vesko::bench {
namespace {

Vector3 crossOf(const Vector3& a, const Vector3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double normOf(const Vector3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

Vector3 times(const Matrix3& m, const Vector3& v) {
    Vector3 r;
    for (std::size_t i = 0; i < 3; ++i) {
        r[i] = m[i].x * v.x + m[i].y * v.y + m[i].z * v.z;
    }
    return r;
}

Quaternion product(const Quaternion& a, const Quaternion& b) {
    return {a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z, a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
            a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x, a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
}

Vector3 rotated(const Quaternion& q, const Vector3& v) {
    const Vector3 qv{q.x, q.y, q.z};
    Vector3 t = crossOf(qv, v);
    t = {t.x * 2.0, t.y * 2.0, t.z * 2.0};
    const Vector3 u = crossOf(qv, t);
    return {v.x + q.w * t.x + u.x, v.y + q.w * t.y + u.y, v.z + q.w * t.z + u.z};
}

Quaternion normalized(const Quaternion& q) {
    const double n = std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z);
    if (n <= 0.0) {
        return {1.0, 0.0, 0.0, 0.0};
    }
    return {q.w / n, q.x / n, q.y / n, q.z / n};
}

void restart(LiteralFilter& f) {
    f.q = identity();
    f.haveTime = false;
    f.capturing = true;
    f.gyroSum = {};
    f.gyroSumSq = {};
    f.captureCount = 0;
    f.captureTime = 0.0;
    f.status.ready = false;
}

void biasWindow(LiteralFilter& f, const ImuSample& sample, double dt) {
    for (std::size_t i = 0; i < 3; ++i) {
        const double g = static_cast<double>(sample.gyro[i]);
        f.gyroSum[i] += g;
        f.gyroSumSq[i] += g * g;
    }
    f.captureCount += 1;
    f.captureTime += dt;
    if (!(f.captureTime >= f.params.biasMinTime && f.captureCount >= 100)) {
        return;
    }
    const double n = static_cast<double>(f.captureCount);
    Vector3 mean;
    bool still = true;
    for (std::size_t i = 0; i < 3; ++i) {
        mean[i] = f.gyroSum[i] / n;
        const double sd = std::sqrt(std::fmax(0.0, f.gyroSumSq[i] / n - mean[i] * mean[i]));
        if (sd > f.params.biasMaxSd) {
            still = false;
        }
    }
    if (!still) {
        f.gyroSum = {};
        f.gyroSumSq = {};
        f.captureCount = 0;
        f.captureTime = 0.0;
        return;
    }
    // The window sees the configured gyroscope bias too; integration takes that off on its own.
    for (std::size_t i = 0; i < 3; ++i) {
        f.capturedBias[i] = mean[i] - f.gyroBias[i];
    }
    f.status.bias = mean;
    f.capturing = false;
    const Vector3 v = f.status.gHead;
    const Vector3 up{0.0, 1.0, 0.0};
    const Vector3 axis = crossOf(v, up);
    const double d = v.x * up.x + v.y * up.y + v.z * up.z;
    f.q = d < -0.9999 ? Quaternion{0.0, 0.0, 0.0, 1.0} : normalized({1.0 + d, axis.x, axis.y, axis.z});
    f.status.ready = true;
}

void integrate(LiteralFilter& f, const ImuSample& sample, double dt) {
    Vector3 gyroImu;
    for (std::size_t i = 0; i < 3; ++i) {
        gyroImu[i] = (static_cast<double>(sample.gyro[i]) - f.capturedBias[i] - f.gyroBias[i]) * f.params.gyroScale;
    }
    Vector3 omega = times(f.imuToHead, gyroImu);
    f.status.omegaNorm = normOf(omega);
    if (f.status.accNorm > 0.5 && f.status.accNorm < 1.5) {
        const double k = std::fmax(0.0, 1.0 - f.status.omegaNorm / 1.0);
        if (k > 0.0) {
            const Vector3 upWorld{0.0, 1.0, 0.0};
            const Vector3 vEst = rotated({f.q.w, -f.q.x, -f.q.y, -f.q.z}, upWorld);
            const Vector3 vMeas = f.status.gHead;
            const Vector3 e = crossOf(vMeas, vEst);
            for (std::size_t i = 0; i < 3; ++i) {
                omega[i] = omega[i] + (f.params.correctionGain * k) * e[i];
            }
        }
    }
    f.lastOmega = omega;
    const Quaternion w{0.0, omega.x, omega.y, omega.z};
    const Quaternion dq = product(f.q, w);
    f.q.w = f.q.w + 0.5 * dq.w * dt;
    f.q.x = f.q.x + 0.5 * dq.x * dt;
    f.q.y = f.q.y + 0.5 * dq.y * dt;
    f.q.z = f.q.z + 0.5 * dq.z * dt;
    f.q = normalized(f.q);
}

}  // namespace

void literalConfigure(LiteralFilter& f, const HeadsetConfig& config, const FilterParams& params) {
    const std::lock_guard lock(f.mutex);
    f.params = params;
    const Vector3 plusX{config.imu.plusX[0], config.imu.plusX[1], config.imu.plusX[2]};
    const Vector3 plusZ{config.imu.plusZ[0], config.imu.plusZ[1], config.imu.plusZ[2]};
    const Vector3 py = crossOf(plusZ, plusX);
    for (std::size_t i = 0; i < 3; ++i) {
        f.imuToHead[i] = {plusX[i], py[i], plusZ[i]};
        f.accBias[i] = config.imu.accBias[i];
        f.accScale[i] = config.imu.accScale[i];
        f.gyroBias[i] = config.imu.gyroBias[i];
    }
    restart(f);
}

void literalRecaptureBias(LiteralFilter& f) {
    const std::lock_guard lock(f.mutex);
    restart(f);
}

void literalUpdate(LiteralFilter& f, const ImuSample& sample) {
    const std::lock_guard lock(f.mutex);
    f.status.samples += 1;
    double dt = 0.0;
    if (f.haveTime) {
        dt = static_cast<double>(static_cast<std::uint32_t>(sample.timestamp - f.lastTime)) / static_cast<double>(kImuTicksPerSecond);
    }
    if (dt > f.params.maxStepDt) {
        if (f.status.ready && dt < f.params.maxGap) {
            f.status.gapsBridged += 1;
            dt = 0.0;
        } else {
            f.status.resets += 1;
            restart(f);
        }
    }
    f.lastTime = sample.timestamp;
    f.haveTime = true;
    Vector3 accImu;
    for (std::size_t i = 0; i < 3; ++i) {
        accImu[i] = static_cast<double>(sample.acc[i]) / f.params.accLsbPerG * f.accScale[i] - f.accBias[i];
    }
    const Vector3 accHead = times(f.imuToHead, accImu);
    f.status.accNorm = normOf(accHead);
    if (f.status.accNorm > 1e-6) {
        f.status.gHead = {accHead.x / f.status.accNorm, accHead.y / f.status.accNorm, accHead.z / f.status.accNorm};
    }
    if (f.capturing) {
        biasWindow(f, sample, dt);
    } else if (dt > 0.0) {
        integrate(f, sample, dt);
    }
}

}  // namespace vesko::bench
