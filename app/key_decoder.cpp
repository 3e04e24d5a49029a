// Byte by byte: plain keys pass, sequences are swallowed to their final byte, a lone escape passes after a pause.
#include "key_decoder.h"

namespace vesko {

namespace {

constexpr std::uint8_t kEsc = 0x1B;
constexpr std::uint8_t kCsiOpener = '[';
constexpr std::uint8_t kSs3Opener = 'O';

// Parameter and intermediate bytes go on a sequence; a final byte ends it.
constexpr bool isSequenceMiddle(std::uint8_t byte) { return byte >= 0x20 && byte <= 0x3F; }
constexpr bool isSequenceFinal(std::uint8_t byte) { return byte >= 0x40 && byte <= 0x7E; }

}  // namespace

void KeyDecoder::push(std::uint8_t byte, Clock::time_point now) {
    switch (state_) {
    case State::ground:
        if (byte == kEsc) {
            state_ = State::escape;
            pendingSince_ = now;
        } else {
            emit(byte);
        }
        return;
    case State::escape:
        if (byte == kCsiOpener || byte == kSs3Opener) {
            state_ = byte == kCsiOpener ? State::csiFirst : State::ss3;
            pendingSince_ = now;
            return;
        }
        // Nothing opens here: the ESC was a key of its own (or Alt held),
        // and the byte still counts.
        emit(kEsc);
        state_ = State::ground;
        push(byte, now);
        return;
    default:
        continueSequence(byte, now);
    }
}

void KeyDecoder::continueSequence(std::uint8_t byte, Clock::time_point now) {
    pendingSince_ = now;
    if (byte == kEsc) {  // a new sequence begins; the one cut short is dropped
        state_ = State::escape;
        return;
    }
    // The Linux console writes F1..F5 as ESC [ [ A..E: one more byte to go.
    if (state_ == State::csiFirst && byte == kCsiOpener) {
        state_ = State::consoleFunctionKey;
        return;
    }
    if (isSequenceFinal(byte)) {
        state_ = State::ground;  // the whole sequence gives no key
        return;
    }
    if (isSequenceMiddle(byte) && state_ != State::consoleFunctionKey) {
        if (state_ == State::csiFirst) state_ = State::csi;
        return;
    }
    // A control or a byte above ASCII belongs to no sequence: the sequence
    // was cut short, and the byte counts on its own.
    state_ = State::ground;
    push(byte, now);
}

void KeyDecoder::idle(Clock::time_point now) {
    if (state_ == State::ground || now - pendingSince_ < kEscapeTimeout) return;
    end();
}

void KeyDecoder::end() {
    if (state_ == State::escape) emit(kEsc);
    state_ = State::ground;
}

int KeyDecoder::pop() {
    if (keys_.empty()) return -1;
    const int key = keys_.front();
    keys_.pop_front();
    return key;
}

void KeyDecoder::emit(int key) { keys_.push_back(key); }

}  // namespace vesko
