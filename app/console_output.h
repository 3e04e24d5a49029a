// The console shows the program's UTF-8 text (em dash, degree sign) as such.
#pragma once

namespace vesko {

// Switches the console's output code page to UTF-8 for the object's life and
// restores the previous one after, also when Ctrl-C, Ctrl-Break or closing the
// window ends the process (Windows); nothing to do elsewhere.
class Utf8ConsoleOutput {
public:
    Utf8ConsoleOutput();
    ~Utf8ConsoleOutput();
    Utf8ConsoleOutput(const Utf8ConsoleOutput&) = delete;
    Utf8ConsoleOutput& operator=(const Utf8ConsoleOutput&) = delete;

private:
    unsigned int previousCodePage_ = 0;  // 0: not changed
};

}  // namespace vesko
