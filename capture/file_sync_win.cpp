// Putting a written file on the disk: Windows.
#include <io.h>

#include <cerrno>

#include "capture_file.h"

namespace vesko {

bool syncFileToDisk(std::FILE* file) {
    if (std::fflush(file) != 0) return false;
    return _commit(_fileno(file)) == 0 || errno == EBADF;
}

}  // namespace vesko
