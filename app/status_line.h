// The texts the run loop prints: banner, key acknowledgements, serial warning, status line.
#pragma once

#include <string>

#include "attitude_filter.h"
#include "drift.h"
#include "vector_math.h"

namespace vesko {

inline constexpr const char* kKeysLine = "keys: r=recenter  b=bias recapture  m=mark drift ref  q=quit\n";
inline constexpr const char* kCapturingLine = "capturing gyro bias — hold the headset STILL...\n";
inline constexpr const char* kRecenteredText = "\n[recentered]\n";
inline constexpr const char* kBiasRecaptureText = "\n[bias recapture — hold still]\n";
inline constexpr const char* kQuitText = "\n";

// The first banner line, with the gyro scale in use (rad/s per count).
std::string gyroScaleLine(double gyroScale);

// Said once per run when the attached unit is not the configured headset.
std::string serialWarning(const std::string& configuredSerial, const std::string& attachedSerial);

// Said when the drift reference is marked, with the captured gyro bias (counts).
std::string markLine(const FilterSnapshot& snapshot);

// One status line: starts with a carriage return and ends in three blanks
// without a newline, so that each one overwrites the last.
std::string statusLine(const YawPitchRoll& angles, const FilterSnapshot& snapshot,
                       const DriftRates& rates, double minutes);

}  // namespace vesko
