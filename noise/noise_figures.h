// The noise figures read from an Allan curve: white noise N, bias instability B, rate random walk K.
#pragma once

#include "allan_curve.h"

namespace vesko {

// A figure is measured (value with its interval at the analysis' confidence)
// or, when the curve does not reach the region it is read in, only bounded
// from above by what the data support: value and upper are then that bound,
// and lower is 0.
struct NoiseFigure {
    bool measured = false;
    double value = 0.0;
    double lower = 0.0;
    double upper = 0.0;
    double tau = 0.0;  // s: where it was read (1 s for N, 3 s for K, the minimum's tau for B)
};

// All in the curve's unit u: N in u*sqrt(s) (u/sqrt(Hz)), B and the raw minimum in u, K in u/sqrt(s).
struct NoiseFigures {
    NoiseFigure white;         // N: the slope -1/2 line at tau = 1 s
    NoiseFigure instability;   // B: the flat minimum / 0.664
    NoiseFigure rawMinimum;    // the minimum itself
    NoiseFigure rateWalk;      // K: the slope +1/2 line at tau = 3 s
};

inline constexpr double kFlickerFloorFactor = 0.6642824702679596;  // sqrt(2 ln 2 / pi)

// From a curve whose neighbouring points lie a factor of 2 to 2.5 apart in
// tau (octave or decade): its local slopes are read between neighbours.
NoiseFigures readNoiseFigures(const AllanCurve& curve, double confidence = kDefaultConfidence);

// The points of a curve that the figures are read from: all of them, but only
// the octaves of a curve at every tau, whose neighbours are too close to tell
// slopes apart and too many to count as independent evidence.
AllanCurve figurePoints(const AllanCurve& curve, TauGrid grid);

}  // namespace vesko
