// The check's pass limits: documented defaults, overridable from a JSON file.
#pragma once

#include <string>

namespace vesko {

// Every limit is a non-negative number; each is the largest allowed deviation
// unless its name says otherwise.
struct BenchLimits {
    double gyroBiasCounts = 50.0;          // rest mean against the configuration's gyro_bias, per axis
    double gyroNoiseMaxCounts = 3.0;       // rest standard deviation, per axis
    double gyroNoiseMinCounts = 0.2;       // below this an axis is stuck (a live sensor always shows noise)
    double accNormMilliG = 20.0;           // |a| at rest against 1 g
    double yawDriftDegPerMin = 1.0;        // at rest, after the bias is removed
    double accBiasMilliG = 10.0;           // six-position bias against the configuration's acc_bias
    double accScalePercent = 0.5;          // six-position scale against the configuration's acc_scale
    double gyroScalePercent = 1.0;         // turned angle against the known angle
};

// Reads a JSON object whose members override the defaults in `limits`. Unknown
// or repeated keys, values that are not numbers, negative values and a minimum
// above its maximum are refused with a text naming the key. Never throws.
bool parseBenchLimits(const std::string& text, BenchLimits& limits, std::string& error);

// The same from a file; errors begin with the path.
bool loadBenchLimits(const std::string& path, BenchLimits& limits, std::string& error);

// The limits as the JSON object a limits file holds (also the report's "limits").
std::string benchLimitsJson(const BenchLimits& limits);

}  // namespace vesko
