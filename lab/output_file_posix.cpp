// Creating a file that must not exist yet: POSIX.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "output_file.h"

namespace vesko {

NewFile createNewFile(const std::string& path, int& errorCode) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
        ::close(fd);
        return NewFile::created;
    }
    errorCode = errno;
    return errno == EEXIST ? NewFile::exists : NewFile::failed;
}

}  // namespace vesko
