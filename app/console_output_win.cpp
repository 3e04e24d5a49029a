// The console's output code page set to UTF-8 while the program runs (Windows).
#include "console_output.h"

#include <windows.h>

namespace vesko {

Utf8ConsoleOutput::Utf8ConsoleOutput() {
    const UINT previous = GetConsoleOutputCP();  // 0 when there is no console
    if (previous != 0 && previous != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) {
        previousCodePage_ = previous;
    }
}

Utf8ConsoleOutput::~Utf8ConsoleOutput() {
    if (previousCodePage_ != 0) SetConsoleOutputCP(previousCodePage_);
}

}  // namespace vesko
