// headvane-lab export from start to exit: configuration, capture in, SI CSV out.
#pragma once

#include <optional>
#include <string>

#include "imu_export.h"

namespace vesko {

struct ExportOptions {
    std::string capturePath;
    std::string outPath;
    ExportFormat format = ExportFormat::euroc;
    ExportFrame frame = ExportFrame::imu;
    std::optional<double> gyroScale;  // rad/s per count; absent keeps headvane's default
    std::string configPath;           // optional, but needed for the head frame
};

// Returns the exit status: 0 when every row was written, 1 when the
// configuration, the capture or the output fails (nothing is put in place,
// and an older output stays as it was), 2 when the options do not go
// together, the output names an input, or a NAME.part of another run is in
// the way.
int runExport(const ExportOptions& options);

}  // namespace vesko
