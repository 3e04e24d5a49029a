// The console's output code page set to UTF-8 while the program runs (Windows).
#include "console_output.h"

#include <windows.h>

#include <atomic>

namespace vesko {

namespace {

// The code page to put back if the console ends the process (Ctrl-C,
// Ctrl-Break, closing the window); 0 once it is back.
std::atomic<UINT> gCodePageToRestore{0};

void restoreCodePage() {
    if (const UINT previous = gCodePageToRestore.exchange(0); previous != 0) SetConsoleOutputCP(previous);
}

// Runs on a thread of the system's. The process then ends as it would
// have without us (FALSE: the next handler, finally the default one, acts).
BOOL WINAPI onConsoleEnding(DWORD) {
    restoreCodePage();
    return FALSE;
}

}  // namespace

Utf8ConsoleOutput::Utf8ConsoleOutput() {
    const UINT previous = GetConsoleOutputCP();  // 0 when there is no console
    if (previous != 0 && previous != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) {
        previousCodePage_ = previous;
        gCodePageToRestore.store(previous);
        SetConsoleCtrlHandler(onConsoleEnding, TRUE);
    }
}

Utf8ConsoleOutput::~Utf8ConsoleOutput() {
    if (previousCodePage_ == 0) return;
    SetConsoleCtrlHandler(onConsoleEnding, FALSE);
    restoreCodePage();
}

}  // namespace vesko
