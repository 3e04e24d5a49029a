// headvane-lab record from start to exit: output file, unit, writer, progress, ending.
#include "record_session.h"

#include <cstdio>

#include "lab_command.h"

namespace vesko {

int runRecord(const RecordOptions& /*options*/) {
    std::fputs("record: not built yet\n", stderr);
    return kLabExitFailure;
}

}  // namespace vesko
