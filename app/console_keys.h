// Keys typed at the console, read one code at a time without waiting or echo.
#pragma once

#include <memory>

namespace vesko {

// For the life of the object the console delivers keys as they are typed and
// does not echo them; the console is put back as it was when the object goes,
// and on POSIX also when a signal ends the process. With standard input from
// a pipe or a file, its bytes are the keys. One per process.
class ConsoleKeys {
public:
    ConsoleKeys();
    ~ConsoleKeys();
    ConsoleKeys(const ConsoleKeys&) = delete;
    ConsoleKeys& operator=(const ConsoleKeys&) = delete;

    // The next waiting key code (0..255), or -1 when none is waiting. Keys
    // that send sequences (arrows, function and editing keys) give no code
    // at all. Once the input has ended there are no more keys.
    int poll();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vesko
