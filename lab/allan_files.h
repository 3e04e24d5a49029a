// headvane-lab allan's noise file and page: guarded before the analysis, written after it.
#pragma once

#include "allan_session.h"
#include "noise_analysis.h"

namespace vesko {

// Before anything is read: an output that names the capture or the
// configuration is refused (exit status 2), so no input is ever written over,
// and so is one output named twice, which would keep only the last.
// Returns -1 when every output may be written.
int refuseOutputsOverInputs(const AllanOptions& options);

// The --kalibr file and the --html page; false, with a message, when one
// could not be made or written.
bool writeAllanFiles(const AllanOptions& options, const NoiseAnalysis& analysis);

}  // namespace vesko
