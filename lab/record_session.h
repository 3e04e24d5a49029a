// headvane-lab record from start to exit: output file, unit, writer, progress, ending.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vesko {

struct RecordOptions {
    std::string outPath;
    std::optional<std::int64_t> durationSeconds;  // absent: until q or a signal
    std::string imuSerial;                        // empty: the paired unit
    std::string configPath;                       // empty: none
    bool force = false;                           // replace an existing file
};

// Returns the exit status: 0 for a complete capture, 1 on failure, 2 when the
// output exists and --force was not given, when a NAME.part of another run is
// in the way, or when the output is the --config file.
int runRecord(const RecordOptions& options);

}  // namespace vesko
