// The run loop's texts and decisions: drift, the status line, marking, keys, the serial check.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "fixed_decimal.h"
#include "loop_state.h"
#include "printf_string.h"
#include "status_line.h"

namespace vesko {
namespace {

using namespace std::chrono_literals;

const SteadyClock::time_point kStart{std::chrono::hours(1)};

FilterSnapshot readySnapshot() {
    FilterSnapshot s;
    s.ready = true;
    s.gHead = {0.01, 0.9999, -0.002};
    s.accNorm = 1.0004;
    s.bias = {4.126, -3.0, 0.5};
    s.samples = 123456;
    s.resets = 2;
    return s;
}

TEST(Drift, IsTakenTheShortWayRound) {
    const DriftRates r = driftRates({-179.0, 10.0, 179.0}, {179.0, 10.0, -179.0}, 1.0);
    EXPECT_DOUBLE_EQ(r.yaw, 2.0);
    EXPECT_DOUBLE_EQ(r.pitch, 0.0);
    EXPECT_DOUBLE_EQ(r.roll, -2.0);
}

TEST(Drift, RatesAreZeroUntilMoreThanAHundredthOfAMinuteHasPassed) {
    const YawPitchRoll now{30.0, -3.0, 1.5}, ref{0.0, 0.0, 0.0};
    for (double minutes : {0.0, 0.005, 0.01}) {
        const DriftRates r = driftRates(now, ref, minutes);
        EXPECT_EQ(r.yaw, 0.0);
        EXPECT_EQ(r.pitch, 0.0);
        EXPECT_EQ(r.roll, 0.0);
    }
    // Just past the threshold a rate shows at once.
    EXPECT_DOUBLE_EQ(driftRates(now, ref, 0.0101).yaw, 30.0 / 0.0101);
    const DriftRates r = driftRates(now, ref, 0.5);
    EXPECT_DOUBLE_EQ(r.yaw, 60.0);
    EXPECT_DOUBLE_EQ(r.pitch, -6.0);
    EXPECT_DOUBLE_EQ(r.roll, 3.0);
}

TEST(Drift, MinutesComeFromTheSteadyClock) {
    EXPECT_DOUBLE_EQ(minutesSince(kStart, kStart + 90s), 1.5);
    EXPECT_DOUBLE_EQ(minutesSince(kStart, kStart + 600ms), 0.01);
}

TEST(Texts, StatusLineByteForByte) {
    const std::string line = statusLine({12.346, -1.5, 0.004}, readySnapshot(), {2.0, -0.25, 0.0}, 1.23);
    EXPECT_EQ(line,
              "\ryaw   +12.35 pitch   -1.50 roll   +0.00 | g_head [+0.010 +1.000 -0.002] |a| 1.000g | "
              "drift\xC2\xB0/min y+2.00 p-0.25 r+0.00 (1.2m) | n 123456 rst 2   ");
}

TEST(Texts, StatusLineKeepsItsShapeAtTheExtremes) {
    FilterSnapshot s = readySnapshot();
    s.samples = 18446744073709551615ull;
    const std::string line = statusLine({-180.0, 90.0, -179.999}, s, {-1234.5, 0.0, 0.0}, 12345.67);
    EXPECT_NE(line.find("\ryaw  -180.00 pitch  +90.00 roll -180.00 |"), std::string::npos) << line;
    EXPECT_NE(line.find("y-1234.50 p+0.00 r+0.00 (12345.7m) | n 18446744073709551615 rst 2   "),
              std::string::npos)
        << line;
}

// The C library's printf is the reference: ties, signed zeros, rounding to
// zero, widths too narrow, numbers too long and ones that are no number.
TEST(Texts, FixedNumbersAreWhatPrintfWrites) {
    const double inf = std::numeric_limits<double>::infinity();
    const double special[] = {0.0,    -0.0,    0.125, -0.125, 0.375, 2.5,     0.005,   -0.0049, 1e-9,
                              -1e-9,  179.995, -180.0, 9.995, 1e20,  -1e300,  inf,     -inf,    std::nan(""),
                              12345.675, 0.0625};
    std::mt19937_64 random(7);
    std::vector<double> values(std::begin(special), std::end(special));
    for (int i = 0; i < 2000; ++i) {
        const double magnitude = std::pow(10.0, std::uniform_real_distribution<double>(-6.0, 8.0)(random));
        values.push_back(std::uniform_real_distribution<double>(-1.0, 1.0)(random) * magnitude);
    }
    for (const double v : values) {
        for (const int precision : {0, 1, 2, 3, 6}) {
            for (const int width : {0, 7, 8}) {
                std::string ours;
                appendFixed(ours, v, precision, Sign::plusOrMinus, width);
                EXPECT_EQ(ours, printfString("%+*.*f", width, precision, v)) << v;
                ours.clear();
                appendFixed(ours, v, precision, Sign::onlyMinus, width);
                EXPECT_EQ(ours, printfString("%*.*f", width, precision, v)) << v;
            }
        }
    }
}

TEST(Texts, StatusLineIsTheOneFormatWritesAtAnyValue) {
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> angle(-180.0, 180.0);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    for (int i = 0; i < 500; ++i) {
        const YawPitchRoll angles{angle(random), angle(random) / 2.0, angle(random)};
        FilterSnapshot s = readySnapshot();
        s.gHead = {unit(random), unit(random), unit(random)};
        s.accNorm = 1.0 + unit(random) / 10.0;
        s.samples = random();
        const DriftRates rates{unit(random) * 1e4, unit(random), unit(random) / 1e3};
        const double minutes = std::fabs(unit(random)) * 1e5;
        EXPECT_EQ(statusLine(angles, s, rates, minutes),
                  printfString("\ryaw %+8.2f pitch %+7.2f roll %+7.2f | g_head [%+.3f %+.3f %+.3f] |a| %.3fg | "
                               "drift\xC2\xB0/min y%+.2f p%+.2f r%+.2f (%.1fm) | n %llu rst %llu   ",
                               angles.yaw, angles.pitch, angles.roll, s.gHead[0], s.gHead[1], s.gHead[2], s.accNorm,
                               rates.yaw, rates.pitch, rates.roll, minutes,
                               static_cast<unsigned long long>(s.samples), static_cast<unsigned long long>(s.resets)));
    }
}

// Texts are formatted on the stack when they fit and in a second pass when they do not.
TEST(Texts, TextsOfAnyLengthComeOutWhole) {
    for (const std::size_t length : {0, 1, 509, 510, 511, 512, 4096}) {
        const std::string body(length, 'x');
        EXPECT_EQ(printfString("<%s>", body.c_str()), "<" + body + ">") << length;
    }
    EXPECT_EQ(printfString("%s", ""), "");
}

TEST(Texts, BannerMarkAndWarningLines) {
    EXPECT_EQ(gyroScaleLine(FilterParams{}.gyroScale),
              "gyro scale 0.001065264 rad/s/LSB  (gate-2 value; default is the unverified prior)\n");
    EXPECT_EQ(gyroScaleLine(0.0),
              "gyro scale 0.000000000 rad/s/LSB  (gate-2 value; default is the unverified prior)\n");
    EXPECT_EQ(markLine(readySnapshot()), "bias [4.13 -3.00 0.50] LSB \xE2\x80\x94 drift reference marked\n");
    EXPECT_EQ(serialWarning("LHR-A", "LHR-B"),
              "\nWARNING: config LHR-A but attached unit LHR-B \xE2\x80\x94 "
              "calibration does not match this headset!\n");
    // Serials reach the terminal as printable ASCII only, one '?' per other byte.
    EXPECT_EQ(serialWarning(std::string("LHR\0\x7F", 5), "\x1B[2J-\xC2\x9B\x07"),
              "\nWARNING: config LHR?? but attached unit ?[2J-??? \xE2\x80\x94 "
              "calibration does not match this headset!\n");
}

TEST(Keys, EachCodeIsTakenOnItsOwnInEitherCase) {
    EXPECT_EQ(keyAction('Q'), KeyAction::quit);
    EXPECT_EQ(keyAction('b'), KeyAction::recaptureBias);
    // The prefix codes of extended keys are nothing by themselves.
    for (int code : {0, 224, int{'x'}, 27, int{' '}, int{'\n'}, -1}) {
        EXPECT_EQ(keyAction(code), KeyAction::none) << code;
    }
}

TEST(Keys, RBAndMClearTheMarkAndSayWhatTheyDid) {
    LoopState state = startLoop(kStart);
    const std::pair<KeyAction, std::string> cases[] = {
        {KeyAction::recenter, "\n[recentered]\n"},
        {KeyAction::recaptureBias, "\n[bias recapture \xE2\x80\x94 hold still]\n"},
        {KeyAction::mark, ""}};
    for (const auto& [action, text] : cases) {
        state.marked = true;
        EXPECT_EQ(applyKey(state, action), text);
        EXPECT_FALSE(state.marked);
    }
    state.marked = true;
    EXPECT_EQ(applyKey(state, KeyAction::none), "");
    EXPECT_TRUE(state.marked);
    EXPECT_EQ(applyKey(state, KeyAction::quit), "\n");
}

TEST(Tick, NothingIsPrintedWhileTheFilterIsNotReady) {
    LoopState state = startLoop(kStart);
    FilterSnapshot s = readySnapshot();
    s.ready = false;
    EXPECT_EQ(tickText(state, s, {1.0, 2.0, 3.0}, kStart + 1s), "");
    EXPECT_FALSE(state.marked);
    EXPECT_EQ(state.markAt, kStart);
}

TEST(Tick, TheFirstReadyTickMarksTheReferenceThenDriftIsMeasuredAgainstIt) {
    LoopState state = startLoop(kStart);
    const FilterSnapshot s = readySnapshot();
    const std::string first = tickText(state, s, {179.0, 1.0, 0.0}, kStart + 2s);
    EXPECT_EQ(first.rfind(markLine(s), 0), 0u) << first;
    EXPECT_NE(first.find("y+0.00 p+0.00 r+0.00 (0.0m)"), std::string::npos) << first;
    EXPECT_TRUE(state.marked);
    EXPECT_EQ(state.markAt, kStart + 2s);

    const std::string later = tickText(state, s, {-179.0, 0.5, 0.0}, kStart + 2s + 60s);
    EXPECT_EQ(later.find("drift reference marked"), std::string::npos);
    EXPECT_NE(later.find("y+2.00 p-0.50 r+0.00 (1.0m)"), std::string::npos) << later;
}

TEST(Tick, WithinTheFirstHundredthOfAMinuteRatesShowZero) {
    LoopState state = startLoop(kStart);
    tickText(state, readySnapshot(), {0.0, 0.0, 0.0}, kStart);
    const std::string text = tickText(state, readySnapshot(), {5.0, -5.0, 5.0}, kStart + 590ms);
    EXPECT_NE(text.find("y+0.00 p+0.00 r+0.00 (0.0m)"), std::string::npos) << text;
}

TEST(Tick, MarkingAgainRestartsTheDriftFromZero) {
    LoopState state = startLoop(kStart);
    tickText(state, readySnapshot(), {0.0, 0.0, 0.0}, kStart);
    applyKey(state, KeyAction::mark);
    const std::string text = tickText(state, readySnapshot(), {10.0, 0.0, 0.0}, kStart + 120s);
    EXPECT_EQ(text.rfind(markLine(readySnapshot()), 0), 0u);
    EXPECT_NE(text.find("y+0.00 p+0.00 r+0.00 (0.0m)"), std::string::npos) << text;
    EXPECT_EQ(state.reference.yaw, 10.0);
}

TEST(Tick, ARestartTheLoopDidNotAskForKeepsTheReference) {
    LoopState state = startLoop(kStart);
    tickText(state, readySnapshot(), {20.0, 0.0, 0.0}, kStart);
    FilterSnapshot restarted = readySnapshot();
    restarted.ready = false;  // a long timestamp gap restarted the filter
    EXPECT_EQ(tickText(state, restarted, {0.0, 0.0, 0.0}, kStart + 30s), "");
    const std::string text = tickText(state, readySnapshot(), {21.0, 0.0, 0.0}, kStart + 60s);
    EXPECT_EQ(text.find("drift reference marked"), std::string::npos);
    EXPECT_NE(text.find("y+1.00 p+0.00 r+0.00 (1.0m)"), std::string::npos) << text;
}

TEST(SerialCheck, ComparesOnceTheFirstNonEmptySerialIsSeen) {
    LoopState state = startLoop(kStart);
    EXPECT_EQ(compareUnitOnce(state, "LHR-A", ""), "");
    EXPECT_FALSE(state.unitCompared);
    EXPECT_EQ(compareUnitOnce(state, "LHR-A", "LHR-B"), serialWarning("LHR-A", "LHR-B"));
    EXPECT_TRUE(state.unitCompared);
    EXPECT_EQ(compareUnitOnce(state, "LHR-A", "LHR-C"), "");  // a later reconnection is not compared
}

TEST(SerialCheck, AMatchingUnitIsQuietAndAnEmptyConfiguredSerialDiffers) {
    LoopState same = startLoop(kStart);
    EXPECT_EQ(compareUnitOnce(same, "LHR-A", "LHR-A"), "");
    EXPECT_TRUE(same.unitCompared);
    EXPECT_EQ(compareUnitOnce(same, "LHR-A", "LHR-B"), "");
    LoopState empty = startLoop(kStart);
    EXPECT_EQ(compareUnitOnce(empty, "", "LHR-A"),
              "\nWARNING: config  but attached unit LHR-A \xE2\x80\x94 calibration does not match this headset!\n");
    // Case matters: the comparison is byte for byte.
    LoopState cased = startLoop(kStart);
    EXPECT_NE(compareUnitOnce(cased, "lhr-a", "LHR-A"), "");
}

}  // namespace
}  // namespace vesko
