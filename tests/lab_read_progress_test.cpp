// The progress line of long reads: when it shows, what it says, and that it leaves nothing behind.
#include <gtest/gtest.h>

#include "read_progress.h"

namespace vesko {
namespace {

TEST(ReadProgress, ShowsOnlyOnATerminalThatNoOutputShares) {
    const struct {
        bool errTerminal, outTerminal, printsAsItGoes, wanted;
    } cases[] = {
        {true, false, false, true},  {true, true, false, true},    // allan prints only at the end
        {true, false, true, true},   {true, true, true, false},    // replay's lines would break it
        {false, false, false, false}, {false, true, false, false}, {false, false, true, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(readProgressWanted(c.errTerminal, c.outTerminal, c.printsAsItGoes), c.wanted)
            << c.errTerminal << c.outTerminal << c.printsAsItGoes;
    }
}

TEST(ReadProgress, SaysTheShareTheRateAndTheTimeLeft) {
    EXPECT_EQ(readProgressText("allan", {420, 1000, 18'600'000}, 10.0),
              "\rallan:  42% read | 1.86 M rows/s | 00:00:14 left");
    EXPECT_EQ(readProgressText("replay", {0, 1000, 0}, 1.0), "\rreplay:   0% read | 0.00 M rows/s | --:--:-- left");
    EXPECT_EQ(readProgressText("allan", {1'000'000'000, 4'000'000'000, 1'200'000'000}, 600.0),
              "\rallan:  25% read | 2.00 M rows/s | 00:30:00 left");
    EXPECT_EQ(readProgressText("allan", {999, 1000, 1}, 1.0).substr(0, 12), "\rallan:  99%");
    // A pipe has no size: rows only.
    EXPECT_EQ(readProgressText("allan", {5000, 0, 120'000}, 1.5), "\rallan: 120000 rows read | 0.08 M rows/s");
}

TEST(ReadProgress, AShortRunPrintsNothingAndALongOneEndsClean) {
    ReadProgress quick("allan", true);
    for (const double t : {0.0, 0.3, 0.9, 0.99}) EXPECT_EQ(quick.step({1, 2, 3}, t), "");
    EXPECT_EQ(quick.replaceLine("analysing"), "");
    EXPECT_EQ(quick.end(), "");

    ReadProgress hidden("allan", false);
    EXPECT_EQ(hidden.step({1, 2, 3}, 5.0), "");
    EXPECT_EQ(hidden.end(), "");

    ReadProgress slow("allan", true);
    const std::string first = slow.step({100'000'000, 1'000'000'000, 1'000'000}, 1.0);
    EXPECT_EQ(first, readProgressText("allan", {100'000'000, 1'000'000'000, 1'000'000}, 1.0));
    EXPECT_EQ(slow.step({1, 2, 3}, 1.2), "");  // redrawn a few times a second, not per chunk
    const std::string second = slow.step({200'000'000, 1'000'000'000, 2'000'000}, 1.25);
    EXPECT_EQ(second.substr(0, 13), "\rallan:  20% ");
    const std::string note = slow.replaceLine("analysing");
    EXPECT_EQ(note.substr(0, 18), "\rallan: analysing ");
    EXPECT_EQ(note.size(), first.size()) << "a shorter text covers the longer one";
    const std::string blank = slow.end();
    EXPECT_EQ(blank, "\r" + std::string(first.size() - 1, ' ') + "\r");
    EXPECT_EQ(slow.end(), "");
}

}  // namespace
}  // namespace vesko
