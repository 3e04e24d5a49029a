// Console keys on Windows: the runtime's unechoed, unbuffered console input.
#include "console_keys.h"

#include <conio.h>

namespace vesko {

struct ConsoleKeys::Impl {};

ConsoleKeys::ConsoleKeys() = default;
ConsoleKeys::~ConsoleKeys() = default;

int ConsoleKeys::poll() {
    return _kbhit() ? _getch() : -1;
}

}  // namespace vesko
