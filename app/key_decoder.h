// Typed bytes to keys: the escape sequences of arrows, function and editing keys are dropped whole.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>

namespace vesko {

// Windows console codes: 0 and 224 announce an extended key (arrow, function
// key, PgDn, ...) whose own code follows; neither is a key of ours.
constexpr bool isExtendedKeyPrefix(int code) { return code == 0 || code == 224; }

// Decodes the bytes a terminal, a pipe or a file delivers into key codes
// (0..255). A byte outside an escape sequence is a key as it is (letters,
// space, CR, LF, bytes above ASCII); a sequence (ESC [ ... final, ESC O
// final, the console's ESC [ [ letter) gives no key at all, so that its
// last letter cannot act as r, b, m or q. An ESC that nothing follows for
// kEscapeTimeout is the Esc key; an ESC followed by a byte that opens no
// sequence (Alt with a key) gives the Esc key and then that byte.
class KeyDecoder {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kEscapeTimeout{100};
    static constexpr int kNoByte = -1;      // from a byte source: nothing waiting now
    static constexpr int kInputEnded = -2;  // from a byte source: no more bytes, ever

    // One byte as read at `now`.
    void push(std::uint8_t byte, Clock::time_point now);
    // Nothing is waiting at `now`: an ESC or a sequence cut short that has
    // waited kEscapeTimeout is settled (the Esc key, or dropped).
    void idle(Clock::time_point now);
    // The input has ended: a waiting ESC is the Esc key, a partial sequence is dropped.
    void end();
    // The next decoded key, or -1.
    int pop();

    // The next key, reading from `readByte` (a byte, kNoByte or kInputEnded)
    // only as far as needed; -1 when no key is complete now.
    template <typename ReadByte>
    int next(ReadByte&& readByte, Clock::time_point now) {
        for (;;) {
            if (const int key = pop(); key >= 0) return key;
            const int byte = readByte();
            if (byte == kNoByte) {
                idle(now);
                return pop();
            }
            if (byte == kInputEnded) {
                end();
                return pop();
            }
            push(static_cast<std::uint8_t>(byte), now);
        }
    }

private:
    enum class State { ground, escape, csiFirst, csi, consoleFunctionKey, ss3 };

    void emit(int key);
    void continueSequence(std::uint8_t byte, Clock::time_point now);

    State state_ = State::ground;
    Clock::time_point pendingSince_{};  // when the last byte of a pending ESC or sequence came
    std::deque<int> keys_;              // decoded, not yet taken
};

}  // namespace vesko
