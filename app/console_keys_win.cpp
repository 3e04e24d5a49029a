// Console keys on Windows: the runtime's unechoed console input, or bytes from a pipe or file.
#include "console_keys.h"

#include <conio.h>
#include <windows.h>

#include "key_decoder.h"

namespace vesko {

struct ConsoleKeys::Impl {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    bool isConsole = false;
    bool isPipe = false;
    bool ended = false;  // the input has ended: no more keys
    KeyDecoder decoder;

    int pollConsole();
    // The next waiting byte of a redirected standard input, without waiting.
    int readByte();
};

ConsoleKeys::ConsoleKeys() : impl_(std::make_unique<Impl>()) {
    DWORD mode = 0;
    impl_->isConsole = GetConsoleMode(impl_->input, &mode) != 0;
    if (impl_->isConsole) return;
    // Unknown for a missing handle. Pipes are peeked and files read without
    // waiting; a character device (NUL, a serial port) might block: no keys.
    const DWORD type = GetFileType(impl_->input);
    impl_->isPipe = type == FILE_TYPE_PIPE;
    impl_->ended = type != FILE_TYPE_PIPE && type != FILE_TYPE_DISK;
}

ConsoleKeys::~ConsoleKeys() = default;

int ConsoleKeys::poll() {
    if (impl_->isConsole) return impl_->pollConsole();
    return impl_->decoder.next([this] { return impl_->readByte(); }, KeyDecoder::Clock::now());
}

int ConsoleKeys::Impl::pollConsole() {
    while (_kbhit()) {
        const int code = _getch();
        if (!isExtendedKeyPrefix(code)) return code;
        // The extended key's own code ('M' for Right, 'Q' for PgDn) is there
        // at once; it is no key of ours.
        if (_kbhit()) _getch();
    }
    return -1;
}

int ConsoleKeys::Impl::readByte() {
    if (ended) return KeyDecoder::kInputEnded;
    if (isPipe) {
        DWORD waiting = 0;
        if (!PeekNamedPipe(input, nullptr, 0, nullptr, &waiting, nullptr)) {
            ended = true;  // the writer has gone and everything was read
            return KeyDecoder::kInputEnded;
        }
        if (waiting == 0) return KeyDecoder::kNoByte;
    }
    unsigned char byte = 0;
    DWORD got = 0;
    if (!ReadFile(input, &byte, 1, &got, nullptr) || got == 0) {
        ended = true;
        return KeyDecoder::kInputEnded;
    }
    return byte;
}

}  // namespace vesko
