// The Allan analysis as text for the console and as a JSON document.
#pragma once

#include <string>

#include "noise_analysis.h"

namespace vesko {

// "analysed 3h 58m of 4h 00m: 2 gaps (...)", then a table per sensor with N,
// B at its tau, the raw minimum and K, each with its 95 % interval or a bound.
std::string allanTable(const NoiseAnalysis& analysis);

// The curves (tau, sigma, interval per point) and the figures, in the curves'
// units (deg/s, g) and in the units the table uses.
std::string allanJson(const NoiseAnalysis& analysis, const std::string& capturePath);

// "analysed 3h 58m of 4h 00m: 2 gaps (tau0 1 ms, ... samples)", without a newline.
std::string analysedLine(const NoiseAnalysis& analysis);

// How the intervals and B were made and what a bound means, as one sentence.
std::string intervalsNote(const NoiseAnalysis& analysis);

// "0.152 (0.151–0.153)", or "≤ 0.52 not reached" for a bound, in the figure's unit times `factor`.
std::string figureCell(const NoiseFigure& figure, double factor);

// "3h 58m", "12m 05s", "42.5 s": a span of time for the summary line.
std::string spanText(double seconds);

}  // namespace vesko
