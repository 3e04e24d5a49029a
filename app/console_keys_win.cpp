// Console keys on Windows: the runtime's unechoed console input, or bytes from a pipe or file.
#include "console_keys.h"

#include <conio.h>
#include <windows.h>

#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "key_decoder.h"

namespace vesko {

namespace {

// The bytes of a piped standard input, read by a thread of their own: a pipe
// cannot be polled everywhere (PeekNamedPipe fails under Wine), and a read on
// the loop's thread would wait for the next byte.
struct PipedBytes {
    std::mutex lock;
    std::deque<unsigned char> bytes;
    bool ended = false;
};

void readPipe(HANDLE input, const std::shared_ptr<PipedBytes>& piped) {
    unsigned char chunk[64];
    for (;;) {
        DWORD got = 0;
        const bool ok = ReadFile(input, chunk, sizeof chunk, &got, nullptr) != 0;
        const std::lock_guard<std::mutex> guard(piped->lock);
        if (!ok || got == 0) {
            piped->ended = true;  // the writer has gone and everything was read
            return;
        }
        piped->bytes.insert(piped->bytes.end(), chunk, chunk + got);
    }
}

}  // namespace

struct ConsoleKeys::Impl {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    bool isConsole = false;
    bool ended = false;  // the input has ended: no more keys
    std::shared_ptr<PipedBytes> piped;  // set for a pipe
    KeyDecoder decoder;

    int pollConsole();
    // The next waiting byte of a redirected standard input, without waiting.
    int readByte();
};

ConsoleKeys::ConsoleKeys() : impl_(std::make_unique<Impl>()) {
    DWORD mode = 0;
    impl_->isConsole = GetConsoleMode(impl_->input, &mode) != 0;
    if (impl_->isConsole) return;
    // Unknown for a missing handle. Pipes are read by a thread and files read
    // at once; a character device (NUL, a serial port) might block: no keys.
    const DWORD type = GetFileType(impl_->input);
    impl_->ended = type != FILE_TYPE_PIPE && type != FILE_TYPE_DISK;
    if (type == FILE_TYPE_PIPE) {
        impl_->piped = std::make_shared<PipedBytes>();
        // Left to run: it may wait in ReadFile until the process ends, and it
        // shares only the byte queue with us.
        std::thread(readPipe, impl_->input, impl_->piped).detach();
    }
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
    if (piped) {
        const std::lock_guard<std::mutex> guard(piped->lock);
        if (piped->bytes.empty()) {
            ended = piped->ended;
            return ended ? KeyDecoder::kInputEnded : KeyDecoder::kNoByte;
        }
        const unsigned char byte = piped->bytes.front();
        piped->bytes.pop_front();
        return byte;
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
