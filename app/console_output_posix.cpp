// POSIX terminals take the program's UTF-8 text as it is: nothing to switch.
#include "console_output.h"

namespace vesko {

Utf8ConsoleOutput::Utf8ConsoleOutput() = default;
Utf8ConsoleOutput::~Utf8ConsoleOutput() = default;

}  // namespace vesko
