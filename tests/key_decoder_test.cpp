// Typed bytes to keys: plain keys pass, the sequences of special keys give nothing, a lone ESC waits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "key_decoder.h"

namespace vesko {
namespace {

using namespace std::chrono_literals;
using Clock = KeyDecoder::Clock;

const Clock::time_point kStart{std::chrono::hours(1)};

// Bytes that have arrived and not yet been read; then, perhaps, the end.
struct Input {
    std::string waiting;
    bool ends = false;
};

// Every key one round of polling gets at `now`, as the console loop polls.
std::vector<int> poll(KeyDecoder& decoder, Input& input, Clock::time_point now = kStart) {
    auto readByte = [&] {
        if (input.waiting.empty()) return input.ends ? KeyDecoder::kInputEnded : KeyDecoder::kNoByte;
        const auto byte = static_cast<unsigned char>(input.waiting.front());
        input.waiting.erase(0, 1);
        return static_cast<int>(byte);
    };
    std::vector<int> keys;
    for (int key = decoder.next(readByte, now); key >= 0; key = decoder.next(readByte, now)) keys.push_back(key);
    return keys;
}

std::vector<int> keysOf(const std::string& bytes) {
    KeyDecoder decoder;
    Input input{bytes};
    std::vector<int> keys = poll(decoder, input);
    const std::vector<int> later = poll(decoder, input, kStart + KeyDecoder::kEscapeTimeout);
    keys.insert(keys.end(), later.begin(), later.end());
    return keys;
}

std::vector<int> codes(const std::string& bytes) {
    std::vector<int> out;
    for (char c : bytes) out.push_back(static_cast<unsigned char>(c));
    return out;
}

TEST(KeyDecoder, PlainBytesPassUntouched) {
    const std::string plain = "rRbBmMqQ s\r\n\t\x7F\x01\xE9\xC3\xA9";
    EXPECT_EQ(keysOf(plain), codes(plain));
}

TEST(KeyDecoder, SpecialKeysGiveNoKeyAndLeaveTheirNeighboursAlone) {
    const char* sequences[] = {
        "\x1B[A", "\x1B[B", "\x1B[C", "\x1B[D", "\x1BOA", "\x1BOB", "\x1BOC", "\x1BOD",  // arrows
        "\x1BOP", "\x1BOQ", "\x1BOR", "\x1BOS", "\x1B[11~", "\x1B[15~", "\x1B[17~", "\x1B[24~",  // F1-F12
        "\x1B[[A", "\x1B[[B", "\x1B[[E",                             // F1, F2, F5 on the Linux console
        "\x1B[H", "\x1B[F", "\x1BOH", "\x1BOF", "\x1B[1~", "\x1B[4~",  // Home, End
        "\x1B[5~", "\x1B[6~", "\x1B[2~", "\x1B[3~",                     // PgUp, PgDn, Insert, Delete
        "\x1B[1;5B", "\x1B[15;2~", "\x1BO2Q", "\x1B[Z",                 // with modifiers; Shift-Tab
    };
    for (const char* sequence : sequences) {
        EXPECT_EQ(keysOf(std::string("m") + sequence + "b"), codes("mb")) << sequence + 1;
    }
    EXPECT_EQ(keysOf("\x1B[B\x1BOR\x1B[6~"), std::vector<int>{});  // back to back
}

TEST(KeyDecoder, ALoneEscIsTheEscKeyOnceNothingFollowsInTime) {
    KeyDecoder decoder;
    Input input{"r\x1B"};
    EXPECT_EQ(poll(decoder, input), codes("r"));
    EXPECT_EQ(poll(decoder, input, kStart + KeyDecoder::kEscapeTimeout / 2), std::vector<int>{});
    EXPECT_EQ(poll(decoder, input, kStart + KeyDecoder::kEscapeTimeout), std::vector<int>{0x1B});

    EXPECT_EQ(keysOf("\x1Bq"), codes("\x1Bq"));  // Esc (or Alt) and then q: q still counts
    EXPECT_EQ(keysOf("\x1B\x1B[A"), codes("\x1B"));
}

TEST(KeyDecoder, SequencesSplitCutShortOrEndedByTheInput) {
    KeyDecoder decoder;
    Input input{"\x1B[1"};
    EXPECT_EQ(poll(decoder, input), std::vector<int>{});
    input.waiting = ";5B";  // read long after, but waiting when read: still the same sequence
    EXPECT_EQ(poll(decoder, input, kStart + 200ms), std::vector<int>{});
    input.waiting = "\x1B[2";  // nothing follows in time: dropped, and a later q counts
    EXPECT_EQ(poll(decoder, input, kStart + 1s), std::vector<int>{});
    EXPECT_EQ(poll(decoder, input, kStart + 1s + KeyDecoder::kEscapeTimeout), std::vector<int>{});
    input.waiting = "q";
    EXPECT_EQ(poll(decoder, input, kStart + 2s), codes("q"));

    EXPECT_EQ(keysOf("\x1B[1;\rq"), codes("\rq"));  // a control ends it
    input = {"\x1B[1;b\x1B", true};
    EXPECT_EQ(poll(decoder, input), codes("\x1B"));
}

}  // namespace
}  // namespace vesko
