// Putting a written file on the disk: POSIX.
#include <unistd.h>

#include <cerrno>

#include "capture_file.h"

namespace vesko {

bool syncFileToDisk(std::FILE* file) {
    if (std::fflush(file) != 0) return false;
    // A terminal, pipe or character device cannot be synced; that is no failure.
    const int fd = fileno(file);
    return ::fsync(fd) == 0 || errno == EINVAL || errno == EROFS;
}

}  // namespace vesko
