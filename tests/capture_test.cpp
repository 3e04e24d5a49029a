// The capture format: what the writer writes reads back the same; every kind of bad file is named.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "capture_fields.h"
#include "capture_reader.h"
#include "capture_text.h"

namespace vesko {
namespace {

// A scratch file named after the test.
std::string scratchFile(const std::string& content) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const auto path = std::filesystem::temp_directory_path() /
                      (std::string("headvane-capture-") + info->name() + ".csv");
    std::ofstream(path, std::ios::binary) << content;
    return path.string();
}

CaptureRow row(std::int64_t micros, std::uint32_t ticks, std::uint8_t seq, std::int16_t v) {
    CaptureRow r;
    r.hostMicros = micros;
    r.sample.timestamp = ticks;
    r.sample.seq = seq;
    r.sample.acc = {v, static_cast<std::int16_t>(-v), 4096};
    r.sample.gyro = {-32768, 32767, static_cast<std::int16_t>(v / 2)};
    return r;
}

std::string header() { return captureHeaderText(CaptureMetadata{}); }

TEST(Capture, WhatTheWriterWritesReadsBackIdentically) {
    CaptureMetadata meta;
    meta.tool = "headvane-lab 0.1.0";
    meta.startedUtc = "2026-12-08T07:20:36Z";
    meta.unitSerial = "LHR-7A3D19C4";
    meta.configPath = "a\nb.json";  // a line break must not split the line
    meta.gyroScale = "0.0010652644360316951";
    std::string text = captureHeaderText(meta);
    const std::vector<CaptureRow> rows{row(0, 4294967295u, 255, 1), row(999'999, 0, 0, -7),
                                       row(3'600'000'001, 48'000, 1, 32767)};
    text += captureEventText({5, "reconnected LHR-7A3D19C4"});
    appendCaptureRow(text, rows[0]);
    appendCaptureRow(text, rows[1]);
    text += captureEventText({1'000'000, "gap: 3 samples missing (seq 0 to 4)"});
    appendCaptureRow(text, rows[2]);
    CaptureSummary summary{3'600'000'002, {1, 3, 1, 2, 4}, 9};
    text += captureSummaryText(summary);

    Capture back;
    const CaptureReadOutcome outcome = loadCapture(scratchFile(text), back);
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_EQ(outcome.warning, "");
    EXPECT_EQ(back.metadata.formatVersion, kCaptureFormatVersion);
    EXPECT_EQ(back.metadata.unitSerial, meta.unitSerial);
    EXPECT_EQ(back.metadata.configPath, "a?b.json");
    EXPECT_EQ(back.metadata.gyroScale, meta.gyroScale);
    ASSERT_EQ(back.rows.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(back.rows[i].hostMicros, rows[i].hostMicros);
        const ImuSample& a = back.rows[i].sample;
        const ImuSample& b = rows[i].sample;
        EXPECT_TRUE(a.timestamp == b.timestamp && a.seq == b.seq && a.acc == b.acc && a.gyro == b.gyro) << i;
    }
    ASSERT_EQ(back.events.size(), 2u);
    EXPECT_EQ(back.events[0].rowsBefore, 0u);
    EXPECT_EQ(back.events[0].event.text, "reconnected LHR-7A3D19C4");
    EXPECT_EQ(back.events[1].rowsBefore, 2u);
    EXPECT_EQ(back.events[1].event.hostMicros, 1'000'000);
    ASSERT_TRUE(back.summary.has_value());
    EXPECT_EQ(back.summary->durationMicros, summary.durationMicros);
    EXPECT_EQ(back.summary->stream.otherReports, 4u);
    EXPECT_EQ(back.summary->dropped, 9u);
}

TEST(Capture, ChunkBoundariesDoNotMatter) {
    std::string text = header() + "# note\r\n";
    for (int i = 0; i < 50; ++i) appendCaptureRow(text, row(i * 1000, static_cast<std::uint32_t>(i), 7, 3));
    Capture whole, bytewise;
    CaptureParser a(collectInto(whole));
    ASSERT_TRUE(a.feed(text) && a.finish());
    CaptureParser b(collectInto(bytewise));
    for (const char c : text) ASSERT_TRUE(b.feed(std::string_view(&c, 1)));
    ASSERT_TRUE(b.finish());
    ASSERT_EQ(bytewise.rows.size(), 50u);
    EXPECT_EQ(bytewise.rows[49].hostMicros, whole.rows[49].hostMicros);
}

TEST(Capture, AnInterruptedLastLineIsDroppedWithAWarning) {
    std::string text = header();
    appendCaptureRow(text, row(1, 2, 3, 4));
    const std::string path = scratchFile(text + "0.002000,96000,4,1,2");
    Capture back;
    const CaptureReadOutcome outcome = loadCapture(path, back);
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_EQ(back.rows.size(), 1u);
    EXPECT_EQ(outcome.warning, "capture " + path +
                                   " line 4: last line cut short (interrupted recording?); using the 1 complete rows");
}

TEST(Capture, BadCapturesNameTheFileLineAndFault) {
    const std::string good = "0.000001,1,2,3,4,5,6,7,8\n";
    const std::string cols = std::string(kCaptureColumns) + "\n";
    const struct {
        std::string text;
        std::string error;
    } cases[] = {
        {"", "line 1: no column header (" + cols.substr(0, cols.size() - 1) + ")"},
        {"# a comment\nt,ticks\n", "line 2: expected the column header " + cols.substr(0, cols.size() - 1)},
        {cols + good + "1,2,3\n", "line 3: expected 9 fields, found 3"},
        {cols + "0.1,1,2,3,4,5,6,7,8,9\n", "line 2: expected 9 fields, found 10"},
        {cols + "0.1,1,256,3,4,5,6,7,8\n", "line 2: field seq: '256' is not an integer in 0..255"},
        {cols + "0.1,-1,2,3,4,5,6,7,8\n", "line 2: field ticks: '-1' is not an integer in 0..4294967295"},
        {cols + "0.1,1,2,3,4,5,6,7,32768\n", "line 2: field gyro_z: '32768' is not an integer in -32768..32767"},
        {cols + "0.1,1,2,x3,4,5,6,7,8\n", "line 2: field acc_x: 'x3' is not an integer in -32768..32767"},
        {cols + "0.1,1,2,,4,5,6,7,8\n", "line 2: field acc_x: '' is not an integer in -32768..32767"},
        {cols + "1.2345678,1,2,3,4,5,6,7,8\n",
         "line 2: field t_host_s: '1.2345678' is not a time in seconds (S or S.ffffff)"},
        {cols + "# event soon reconnected\n", "line 2: event without a time in seconds"},
        {cols + "# summary samples 3\n", "line 2: summary without duration_s"},
        {"# headvane-capture 2\n" + cols, "line 1: format version 2 is newer than this program reads (1)"},
        {cols + std::string(5000, '1') + "\n", "line 2: line longer than 4096 characters"},
        {cols + "0.1,1,2,\x1b[2J,4,5,6,7,8\n", "line 2: field acc_x: '\\x1b[2J' is not an integer in -32768..32767"},
        {cols + "\x07\xff,1,2,3,4,5,6,7,8\n",
         "line 2: field t_host_s: '\\x07\\xff' is not a time in seconds (S or S.ffffff)"},
    };
    for (const auto& c : cases) {
        const std::string path = scratchFile(c.text);
        const CaptureReadOutcome outcome = readCaptureFile(path, {});
        EXPECT_FALSE(outcome.ok) << c.error;
        EXPECT_EQ(outcome.error, "capture " + path + " " + c.error);
    }
    const std::string missing = scratchFile("") + ".missing";
    EXPECT_EQ(readCaptureFile(missing, {}).error.rfind("capture " + missing + ": cannot open (", 0), 0u);
}

// The one-pass reader may decline a row but never take one the careful reader
// refuses, nor read one differently: the row reader as a whole agrees with the
// careful one. Out-of-range values in the writer's own form (six fraction
// digits) reach the one-pass reader; other forms do not.
TEST(Capture, BothRowReadersAcceptExactlyTheSameRows) {
    const struct {
        const char* line;
        bool accepted;
    } cases[] = {
        {"0.000001,1,2,3,4,5,6,7,8", true},
        {"999999999999.999999,4294967295,255,-32768,32767,0,-0,1,-1", true},
        {"0.1,1,2,3,4,5,6,7,8", true},
        {"12,00000000001,002,3,4,5,6,7,8", true},
        {"1.000000,4294967296,2,3,4,5,6,7,8", false},
        {"1.000000,1,256,3,4,5,6,7,8", false},
        {"1.000000,1,2,32768,4,5,6,7,8", false},
        {"1.000000,1,2,3,4,5,6,7,-32769", false},
        {"1.000000,1,2,3,4,5,65535,7,8", false},
        {"+1.000000,1,2,3,4,5,6,7,8", false},
        {"1.000000,+1,2,3,4,5,6,7,8", false},
        {"1.000000,1,2,+3,4,5,6,7,8", false},
        {" 1.000000,1,2,3,4,5,6,7,8", false},
        {"1.000000,1 ,2,3,4,5,6,7,8", false},
        {"1.000000,1,,3,4,5,6,7,8", false},
        {"1.000000,1,2,3,4,5,6,7,8,", false},
        {"1.000000,1,2,3,4,5,6,7", false},
        {"1.0000001,1,2,3,4,5,6,7,8", false},
        {".500000,1,2,3,4,5,6,7,8", false},
        {"-1.000000,1,2,3,4,5,6,7,8", false},
        {"9999999999999.000000,1,2,3,4,5,6,7,8", false},
    };
    const auto same = [](const CaptureRow& a, const CaptureRow& b) {
        return a.hostMicros == b.hostMicros && a.sample.timestamp == b.sample.timestamp && a.sample.seq == b.sample.seq &&
               a.sample.acc == b.sample.acc && a.sample.gyro == b.sample.gyro;
    };
    for (const auto& c : cases) {
        CaptureRow read, byFields;
        std::string what;
        EXPECT_EQ(parseCaptureRowByFields(c.line, byFields, what), c.accepted) << c.line << ": " << what;
        EXPECT_EQ(parseCaptureRow(c.line, read, what), c.accepted) << c.line;
        if (c.accepted) {
            EXPECT_TRUE(same(read, byFields)) << c.line;
        }
    }
}

TEST(Capture, CommentsEventsAndBlankLinesMayStandAnywhere) {
    const std::string text = "\n# event 0.5 before the header\n# who knows\n" + std::string(kCaptureColumns) +
                             "\n\n# event 1 between\n0.1,1,2,3,4,5,6,7,8\n# tool ignored after the header\n";
    Capture back;
    CaptureParser parser(collectInto(back));
    ASSERT_TRUE(parser.feed(text) && parser.finish()) << parser.error();
    EXPECT_EQ(back.rows.size(), 1u);
    ASSERT_EQ(back.events.size(), 2u);
    EXPECT_EQ(back.events[0].event.hostMicros, 500'000);
    EXPECT_EQ(back.events[1].event.text, "between");
    EXPECT_EQ(back.metadata.tool, "");
}

// Rows pass from the reading thread in batches: a long file must keep every
// row and event in its place, stop at a bad row, and end when a handler throws.
TEST(Capture, ALongReadKeepsItsOrderStopsAtAFaultAndEndsWhenAHandlerThrows) {
    std::string text = header();
    constexpr int kRows = 40'000;  // some 1.7 MB: several read chunks
    for (int i = 0; i < kRows; ++i) {
        if (i % 9'001 == 0) text += captureEventText({i, "event " + std::to_string(i)});
        appendCaptureRow(text, row(i, static_cast<std::uint32_t>(i), static_cast<std::uint8_t>(i),
                                   static_cast<std::int16_t>(i)));
    }
    text += captureSummaryText({kRows, {}, 0});
    Capture inline_, threaded;
    CaptureParser parser(collectInto(inline_));
    ASSERT_TRUE(parser.feed(text) && parser.finish());
    const std::string path = scratchFile(text);
    ASSERT_TRUE(loadCapture(path, threaded).ok);
    ASSERT_EQ(threaded.rows.size(), inline_.rows.size());
    for (std::size_t i = 0; i < threaded.rows.size(); ++i) {
        ASSERT_EQ(threaded.rows[i].hostMicros, static_cast<std::int64_t>(i));
    }
    ASSERT_EQ(threaded.events.size(), inline_.events.size());
    for (std::size_t i = 0; i < threaded.events.size(); ++i) {
        EXPECT_EQ(threaded.events[i].rowsBefore, inline_.events[i].rowsBefore);
        EXPECT_EQ(threaded.events[i].event.text, inline_.events[i].event.text);
    }
    EXPECT_TRUE(threaded.summary.has_value());

    const std::size_t bad = text.find("\n", text.size() / 2) + 1;  // a row in the middle loses a field
    const std::string cut = text.substr(0, text.find(',', bad)) + "\n" + text.substr(text.find('\n', bad) + 1);
    const std::string badPath = scratchFile(cut);
    Capture partial;
    const CaptureReadOutcome outcome = loadCapture(badPath, partial);
    EXPECT_FALSE(outcome.ok);
    const auto badLine = std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(bad), '\n') + 1;
    EXPECT_EQ(outcome.error,
              "capture " + badPath + " line " + std::to_string(badLine) + ": expected 9 fields, found 1");
    ASSERT_GT(partial.rows.size(), 10'000u);
    EXPECT_EQ(partial.rows.size(), outcome.rows);
    EXPECT_EQ(partial.rows.back().hostMicros + 1, static_cast<std::int64_t>(outcome.rows));  // every row before it

    CaptureHandlers throwing;
    std::uint64_t seen = 0;
    throwing.onRow = [&seen](const CaptureRow&) {
        if (++seen == 5'000) throw std::runtime_error("no room");
    };
    EXPECT_THROW(readCaptureFile(path, std::move(throwing)), std::runtime_error);
    EXPECT_EQ(seen, 5'000u);
}

}  // namespace
}  // namespace vesko
