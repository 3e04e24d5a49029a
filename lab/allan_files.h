// headvane-lab allan's noise file and page: guarded before the analysis, written after it.
#pragma once

#include "allan_session.h"
#include "noise_analysis.h"
#include "output_file.h"

namespace vesko {

// Before anything is read: an output that names the capture or the
// configuration is refused (exit status 2), so no input is ever written over,
// and so is one output named twice, which would keep only the last.
// Returns -1 when every output may be written.
int refuseOutputsOverInputs(const AllanOptions& options);

// Every output asked for, each reserved as NAME.part before the capture is
// read and put in place once written; one not asked for is not open.
struct AllanOutputs {
    OutputFile json;
    OutputFile svg;
    OutputFile kalibr;
    OutputFile html;
};

// Reserves each output asked for; the exit status when one cannot be (1, or
// 2 for a NAME.part of another run in the way), else -1.
int reserveOutputs(const AllanOptions& options, AllanOutputs& outputs);

// The --kalibr file and the --html page; false, with a message, when one
// could not be made or written.
bool writeAllanFiles(const AllanOptions& options, const NoiseAnalysis& analysis, AllanOutputs& outputs);

}  // namespace vesko
