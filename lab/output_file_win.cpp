// Creating a file that must not exist yet: Windows.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>

#include "output_file.h"

namespace vesko {

NewFile createNewFile(const std::string& path, int& errorCode) {
    const int fd = ::_open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd >= 0) {
        ::_close(fd);
        return NewFile::created;
    }
    errorCode = errno;
    return errno == EEXIST ? NewFile::exists : NewFile::failed;
}

}  // namespace vesko
