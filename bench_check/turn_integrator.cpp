// Rectangle-rule integration of the gyroscope counts against device time.
#include "turn_integrator.h"

namespace vesko {

void TurnIntegrator::add(const ImuSample& sample) noexcept {
    const double dt = started ? tickSeconds(lastTick, sample.timestamp) : 0.0;
    started = true;
    lastTick = sample.timestamp;
    if (dt > kImuMaxSampleInterval) {
        ++skipped;
        return;
    }
    duration += dt;
    for (std::size_t i = 0; i < 3; ++i) integral[i] += sample.gyro[i] * dt;
}

double TurnIntegrator::angleDegrees(const Axes3& bias, const Vector3& up, double gyroScale) const noexcept {
    const Vector3 turned{integral[0] - bias[0] * duration, integral[1] - bias[1] * duration,
                         integral[2] - bias[2] * duration};
    return dot(turned, up) * gyroScale * kDegreesPerRadian;
}

}  // namespace vesko
