// Record's parts without a device: the hand-over queue, the writer thread, gaps, durations.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <filesystem>
#include <optional>
#include <thread>

#include "capture_parser.h"
#include "capture_recorder.h"
#include "capture_text.h"
#include "duration.h"
#include "record_texts.h"
#include "scratch_dir.h"
#include "stream_capture.h"

namespace vesko {
namespace {

using namespace std::chrono_literals;

CaptureRow numbered(std::int64_t i) {
    CaptureRow row;
    row.hostMicros = i;
    row.sample.timestamp = static_cast<std::uint32_t>(i);
    return row;
}

TEST(RecordQueue, AFullQueueCountsItsDropsExactlyAndPlacesThemAsOneEvent) {
    RecordQueue queue(100);
    for (int i = 0; i < 250; ++i) queue.pushRow(numbered(i));
    RecordBatch batch;
    queue.take(batch);
    ASSERT_EQ(batch.rows.size(), 100u);
    EXPECT_EQ(batch.rows.back().hostMicros, 99);
    EXPECT_TRUE(batch.events.empty());  // the run of drops is still open

    queue.pushEvent({400, "reconnected X"});
    for (int i = 250; i < 260; ++i) queue.pushRow(numbered(i));
    queue.take(batch);
    ASSERT_EQ(batch.rows.size(), 10u);
    EXPECT_EQ(batch.rows.front().hostMicros, 250);
    ASSERT_EQ(batch.events.size(), 2u);
    EXPECT_EQ(batch.events[0].rowsBefore, 0u);
    EXPECT_EQ(batch.events[0].event.hostMicros, 100);  // when the first drop happened
    EXPECT_EQ(batch.events[0].event.text, "dropped 150 samples (writer behind)");
    EXPECT_EQ(batch.events[1].event.text, "reconnected X");
    EXPECT_EQ(queue.dropped(), 150u);

    // A run still open at the end is closed by the final take.
    for (int i = 0; i < 105; ++i) queue.pushRow(numbered(i));
    queue.take(batch, true);
    ASSERT_EQ(batch.events.size(), 1u);
    EXPECT_EQ(batch.events[0].rowsBefore, 100u);
    EXPECT_EQ(batch.events[0].event.text, "dropped 5 samples (writer behind)");
}

// Rows and drop events as the recorder wrote them.
struct Written {
    std::vector<CaptureRow> rows;
    std::vector<std::pair<std::size_t, std::uint64_t>> drops;  // rows before, count
};

Written parseWritten(const std::string& text) {
    Written w;
    CaptureHandlers h;
    h.onRow = [&w](const CaptureRow& row) { w.rows.push_back(row); };
    h.onEvent = [&w](const CaptureEvent& e) {
        w.drops.emplace_back(w.rows.size(), std::stoull(e.text.substr(e.text.find(' ') + 1)));
    };
    CaptureParser parser(std::move(h));
    EXPECT_TRUE(parser.feed(captureHeaderText({}) + text) && parser.finish()) << parser.error();
    return w;
}

TEST(CaptureRecorder, ASlowWriterLosesOnlyCountedRows) {
    RecordQueue queue(50);
    std::string text;
    CaptureSink slow{[&text](std::string_view lines) {
                         std::this_thread::sleep_for(20ms);
                         text += lines;
                         return true;
                     },
                     [] { return true; }};
    CaptureRecorder recorder(queue, slow, 5ms);
    ASSERT_TRUE(recorder.start());
    constexpr int kRows = 2000;
    for (int i = 0; i < kRows; ++i) {
        queue.pushRow(numbered(i));
        if (i % 500 == 499) std::this_thread::sleep_for(30ms);
    }
    ASSERT_TRUE(recorder.finish());
    EXPECT_EQ(recorder.bytesWritten(), text.size());

    const Written w = parseWritten(text);
    EXPECT_GT(queue.dropped(), 0u);
    std::uint64_t dropSum = 0;
    std::size_t nextDrop = 0;
    std::int64_t expected = 0;
    for (std::size_t r = 0; r <= w.rows.size(); ++r) {
        for (; nextDrop < w.drops.size() && w.drops[nextDrop].first == r; ++nextDrop) {
            expected += static_cast<std::int64_t>(w.drops[nextDrop].second);
            dropSum += w.drops[nextDrop].second;
        }
        if (r == w.rows.size()) break;
        ASSERT_EQ(w.rows[r].hostMicros, expected) << "row " << r;  // each hole is exactly its event
        ++expected;
    }
    EXPECT_EQ(nextDrop, w.drops.size());
    EXPECT_EQ(dropSum, queue.dropped());
    EXPECT_EQ(expected, kRows);
}

TEST(CaptureRecorder, AWriteErrorStopsTheWriterAndIsReported) {
    RecordQueue queue(10);
    int writes = 0;
    CaptureRecorder recorder(queue, {[&writes](std::string_view) { return ++writes > 5; }, [] { return true; }},
                             1ms);
    ASSERT_TRUE(recorder.start());
    queue.pushRow(numbered(1));
    EXPECT_FALSE(recorder.finish());
    EXPECT_TRUE(recorder.failed());
    EXPECT_EQ(writes, 1);
    EXPECT_EQ(recorder.bytesWritten(), 0u);
}

// The writer drains as rows come, not on its clock: with a sync period of
// minutes, each burst of rows is still written at once.
TEST(CaptureRecorder, RowsAreWrittenAsTheyComeNotWhenTheSyncPeriodEnds) {
    RecordQueue queue(1000);
    std::mutex lock;
    std::string text;
    std::atomic<int> syncs{0};
    CaptureRecorder recorder(queue,
                             {[&](std::string_view lines) {
                                  std::scoped_lock guard(lock);
                                  text += lines;
                                  return true;
                              },
                              [&syncs] { return ++syncs, true; }},
                             std::chrono::minutes(5));
    ASSERT_TRUE(recorder.start());
    const auto writtenRows = [&] {
        std::scoped_lock guard(lock);
        return parseWritten(text).rows.size();
    };
    // Rows below the wake-up mark may wait for the period; never more.
    constexpr std::size_t kBurst = CaptureRecorder::kWakeRows + 44;
    for (std::size_t pushed = kBurst; pushed <= 3 * kBurst; pushed += kBurst) {
        for (std::size_t i = 0; i < kBurst; ++i) queue.pushRow(numbered(0));
        const auto giveUp = std::chrono::steady_clock::now() + 10s;
        while (writtenRows() + CaptureRecorder::kWakeRows < pushed && std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(1ms);
        }
        EXPECT_GE(writtenRows() + CaptureRecorder::kWakeRows, pushed);
    }
    EXPECT_EQ(syncs.load(), 0);  // the period had not come
    ASSERT_TRUE(recorder.finish());
    EXPECT_EQ(syncs.load(), 1);
    EXPECT_EQ(writtenRows(), 3 * kBurst);
    EXPECT_EQ(queue.dropped(), 0u);
}

// Record's and check's one way to the file: rows, gaps and stream events in
// place, a summary that counts the rows, and the file put in place at the end.
TEST(StreamCapture, WritesEveryRowAndEventAndPutsTheFileInPlaceWhenWhole) {
    const test::ScratchDir dir;
    const std::string path = dir.write("c.csv", "old\n");
    StreamCapture capture(64);
    ASSERT_EQ(capture.open(path, true), OutputFile::Opened::ok);
    ASSERT_TRUE(capture.start({}));
    ImuSample sample;
    for (std::uint8_t seq : {1, 2, 3, 7, 8}) {
        sample.seq = seq;
        capture.addSample(sample);
    }
    capture.addStreamEvent(ImuStreamEvent::silent, "3");
    capture.addStreamEvent(ImuStreamEvent::reconnected, "LHR-1");
    sample.seq = 200;  // a new connection starts a new sequence: no gap
    capture.addSample(sample);
    EXPECT_EQ(dir.read("c.csv"), "old\n");
    CaptureSummary summary;
    summary.stream.samples = 6;
    ASSERT_TRUE(capture.finish(summary)) << capture.error();
    EXPECT_FALSE(std::filesystem::exists(path + ".part"));

    std::vector<std::string> events;
    std::uint64_t rows = 0;
    CaptureHandlers h;
    h.onRow = [&rows](const CaptureRow&) { ++rows; };
    h.onEvent = [&events, &rows](const CaptureEvent& e) { events.push_back(std::to_string(rows) + " " + e.text); };
    std::optional<CaptureSummary> read;
    h.onSummary = [&read](const CaptureSummary& s) { read = s; };
    CaptureParser parser(std::move(h));
    ASSERT_TRUE(parser.feed(dir.read("c.csv")) && parser.finish()) << parser.error();
    EXPECT_EQ(rows, 6u);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0], "3 gap: 3 samples missing (seq 3 to 7)");
    EXPECT_EQ(events[1], "5 silent 3 s, unit counted as gone");
    EXPECT_EQ(events[2], "5 reconnected LHR-1");
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->stream.samples, rows + read->dropped);
}

TEST(RecordTexts, SequenceGapsCountTheMissingSamplesAcrossTheWrap) {
    SequenceWatch watch;
    EXPECT_EQ(watch.check(200), "");
    EXPECT_EQ(watch.check(201), "");
    EXPECT_EQ(watch.check(205), "gap: 3 samples missing (seq 201 to 205)");
    EXPECT_EQ(watch.check(255), "gap: 49 samples missing (seq 205 to 255)");
    EXPECT_EQ(watch.check(0), "");
    EXPECT_EQ(watch.check(2), "gap: 1 samples missing (seq 0 to 2)");
    watch.haveLast = false;  // found again: a new sequence
    EXPECT_EQ(watch.check(90), "");
}

TEST(RecordTexts, DurationsTakeSecondsMinutesAndHours) {
    EXPECT_EQ(parseDurationSeconds("90s"), 90);
    EXPECT_EQ(parseDurationSeconds("10m"), 600);
    EXPECT_EQ(parseDurationSeconds("2h"), 7200);
    EXPECT_EQ(parseDurationSeconds("45"), 45);
    for (const char* bad : {"", "s", "0s", "-5s", "1.5m", "10x", "10ms", "1001h", " 5s", "99999999999999999999"}) {
        EXPECT_FALSE(parseDurationSeconds(bad).has_value()) << bad;
    }
    EXPECT_EQ(clockText(2 * 3600 + 3 * 60 + 4), "02:03:04");
}

}  // namespace
}  // namespace vesko
