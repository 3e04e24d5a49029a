// The simulated headset's hooks for the bench check: who moves it, and the faults a test may inject.
#pragma once

#include "imu_sample.h"
#include "simulated_motion_plan.h"

namespace vesko {

// The head's motion at `seconds` after power-on: the fixed scenario, or, once a
// BenchOperator exists, whatever it has been asked to do (the headset lies
// upright and still until the first request).
HeadMotion simulatedHeadMotion(double seconds);

// Makes gyroscope axis `axis` (0, 1, 2 for x, y, z) of the simulated IMU dead:
// it reads 0 counts whatever the motion, with no noise. -1 makes all axes live.
void setSimulatedDeadGyroAxis(int axis);

// Applies the injected faults to a sample the model has made.
void applySimulatedFaults(ImuSample& sample);

}  // namespace vesko
