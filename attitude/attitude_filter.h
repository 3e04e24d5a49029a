// The attitude filter: raw IMU samples in, the headset's orientation out; one lock per filter.
// It integrates the gyroscope, pulls the tilt towards measured gravity while the
// head is nearly still, and captures the gyroscope bias whenever it (re)starts.
#pragma once

#include <cstdint>
#include <mutex>

#include "headset_config.h"
#include "imu_sample.h"
#include "vector_math.h"

namespace vesko {

// Tuning values; only gyroScale is ever overridden (from the command line).
struct FilterParams {
    double gyroScale = kImuGyroRadPerSecPerCount;  // rad/s per gyroscope count
    double accLsbPerG = kImuAccCountsPerG;         // accelerometer counts per g
    double correctionGain = 0.5;                   // rad/s per unit of gravity-direction error
    double maxStepDt = kImuMaxSampleInterval;      // s; a longer sample interval is a gap
    double maxGap = 5.0;                           // s; shorter gaps are bridged while tracking
    double biasMinTime = 1.0;                      // s; least sample time a bias window must span
    double biasMaxSd = 3.0;                        // counts; largest per-axis gyroscope deviation of a still window
};

// The status record handed out by snapshot().
struct FilterSnapshot {
    bool ready = false;              // a bias window succeeded since the last restart
    Vector3 gHead;                   // unit up direction measured in the head frame
    double accNorm = 0.0;            // g, length of the last head-frame acceleration
    double omegaNorm = 0.0;          // rad/s, last integrated rate before correction
    Vector3 bias;                    // raw gyroscope counts found by the last good window
    std::uint64_t samples = 0;       // samples given to update
    std::uint64_t resets = 0;        // restarts caused by timestamp gaps
    std::uint64_t gapsBridged = 0;   // gaps integrated over without a restart
};

class AttitudeFilter {
public:
    AttitudeFilter() = default;
    AttitudeFilter(const AttitudeFilter&) = delete;
    AttitudeFilter& operator=(const AttitudeFilter&) = delete;

    // Takes the mounting and calibration from the configuration, then restarts.
    void configure(const HeadsetConfig& config, const FilterParams& newParams);
    // One accepted IMU sample. Never allocates, prints or blocks on anything but the lock.
    void update(const ImuSample& sample);
    // Head-to-world orientation, optionally predicted ahead (s, capped at 50 ms)
    // at the last rate. A look-ahead that is not positive (or NaN) predicts nothing.
    Quaternion orientation(double lookAheadSeconds) const;
    // Removes the heading about world up; pitch and roll stay.
    void recenter();
    // Opens a new bias window, keeping the old bias on show until it succeeds.
    void recaptureBias();
    FilterSnapshot snapshot() const;

private:
    friend struct AttitudeFilterProbe;  // test-only view of the bias window

    void restart();
    double intervalSince(std::uint32_t timestamp) const;
    void measureGravity(const ImuSample& sample);
    void feedBiasWindow(const ImuSample& sample, double dt);
    void finishBiasWindow(const Vector3& mean);
    void integrate(const ImuSample& sample, double dt);

    FilterParams params;
    Matrix3 imuToHead{{{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}}};  // head = imuToHead * imu
    Vector3 accBias;                  // g
    Vector3 accScale{1.0, 1.0, 1.0};  // factor per axis
    Vector3 gyroBias;                 // raw counts, from the configuration
    mutable std::mutex mutex;         // guards everything below and above

    Quaternion q;                     // orientation, head to world
    bool haveTime = false;
    std::uint32_t lastTime = 0;       // device ticks of the previous sample
    bool capturing = true;
    Vector3 gyroSum;                  // raw counts
    Vector3 gyroSumSq;                // raw counts squared
    std::uint64_t captureCount = 0;
    double captureTime = 0.0;         // s
    Vector3 capturedBias;             // raw counts on top of gyroBias
    Vector3 lastOmega;                // rad/s, head frame, corrected; for look-ahead
    FilterSnapshot status;
};

}  // namespace vesko
