// A synthetic IMU for the filter tests: raw 1 kHz samples from a known head motion.
// Samples go through the inverse of the configured mounting and calibration,
// so the filter's output can be checked against the truth.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>

#include "attitude_filter.h"

namespace vesko::test {

class SyntheticImu {
public:
    static constexpr std::uint32_t kTicksPerSample = kImuTicksPerSecond / 1000;  // 1 kHz
    static constexpr double kSamplePeriod = 0.001;                                // s

    // `sensorBias`: the gyroscope's true offset in raw counts. `noise`: standard
    // deviation of added white noise, in counts, on every axis of both sensors.
    SyntheticImu(const ImuCalibration& calibration, const FilterParams& params,
                 const Vector3& sensorBias = {}, double noise = 0.0)
        : cal(calibration), gyroScale(params.gyroScale), lsbPerG(params.accLsbPerG),
          bias(sensorBias), noiseSd(noise) {
        const Vector3 plusX{cal.plusX[0], cal.plusX[1], cal.plusX[2]};
        const Vector3 plusZ{cal.plusZ[0], cal.plusZ[1], cal.plusZ[2]};
        headToImu = {plusX, cross(plusZ, plusX), plusZ};  // rows: the inverse of an orthonormal mounting
    }

    Quaternion truth;                      // head to world
    std::uint32_t time = 4'293'000'000u;   // the device clock wraps about a second in

    // Holds still for `seconds`.
    void hold(AttitudeFilter& filter, double seconds) { turn(filter, {0.0, 0.0, 0.0}, seconds); }

    // Turns at `rate` (rad/s, head frame) for `seconds`, one sample per period.
    void turn(AttitudeFilter& filter, const Vector3& rate, double seconds) {
        const long steps = std::lround(seconds / kSamplePeriod);
        for (long i = 0; i < steps; ++i) {
            filter.update(step(rate));
        }
    }

    // The sample closing the next period: the rate held over it, gravity at its end.
    ImuSample step(const Vector3& rate) {
        truth = normalize(multiply(truth, rateIncrement(rate, kSamplePeriod)));
        time += kTicksPerSample;
        const Vector3 up = rotate(conjugate(truth), {0.0, 1.0, 0.0});  // at rest the sensor feels 1 g up
        ImuSample s;
        s.timestamp = time;
        const Vector3 gyroImu = multiply(headToImu, withNoise(rate, gyroScale));
        const Vector3 accImu = multiply(headToImu, withNoise(up, 1.0 / lsbPerG));
        for (std::size_t i = 0; i < 3; ++i) {
            s.gyro[i] = quantize(gyroImu[i] / gyroScale + bias[i], gyroCarry[i]);
            s.acc[i] = quantize((accImu[i] + cal.accBias[i]) / cal.accScale[i] * lsbPerG, accCarry[i]);
        }
        return s;
    }

private:
    // Noise is added in the head frame, so a permuted mounting sees the same numbers.
    Vector3 withNoise(const Vector3& v, double unitsPerCount) {
        if (noiseSd == 0.0) {
            return v;
        }
        std::normal_distribution<double> n(0.0, noiseSd * unitsPerCount);
        return {v.x + n(rng), v.y + n(rng), v.z + n(rng)};
    }

    // Rounds to a count, carrying the remainder so the mean over time is exact.
    static std::int16_t quantize(double value, double& carry) {
        const double wanted = value + carry;
        const double counts = std::clamp(std::round(wanted), -32768.0, 32767.0);
        carry = wanted - counts;
        return static_cast<std::int16_t>(counts);
    }

    ImuCalibration cal;
    double gyroScale;
    double lsbPerG;
    Vector3 bias;
    double noiseSd;
    Matrix3 headToImu;
    Vector3 gyroCarry;
    Vector3 accCarry;
    std::mt19937 rng{20240611};
};

}  // namespace vesko::test
