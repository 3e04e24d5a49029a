// The bounded hand-over from the IMU reader thread to the capture writer.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "capture_format.h"
#include "capture_reader.h"

namespace vesko {

// What the writer takes in one go: rows in order, and the events placed
// among them (rowsBefore counts rows of this batch).
struct RecordBatch {
    std::vector<CaptureRow> rows;
    std::vector<PlacedEvent> events;
    void clear() {
        rows.clear();
        events.clear();
    }
};

// A fixed ring of rows plus a list of events, under a lock held only for a
// copy: the reader never waits for the disk. When the ring is full the row is
// dropped and counted; the run of drops becomes an event in its place.
class RecordQueue {
public:
    explicit RecordQueue(std::size_t capacity);

    void pushRow(const CaptureRow& row);
    void pushEvent(const CaptureEvent& event);
    // Moves what is waiting into `batch` (cleared first): at most `mostRows`
    // rows, with the events placed among them. With `final`, a run of drops
    // still open is closed into its event too. True when nothing is left.
    bool take(RecordBatch& batch, bool final = false, std::size_t mostRows = SIZE_MAX);

    std::uint64_t dropped() const;

    // `wake` is called, under the queue's lock, each time the rows waiting
    // reach `rows`: the writer then drains as the rows come instead of on a
    // clock. Empty `wake` removes it.
    void wakeAtBacklog(std::size_t rows, std::function<void()> wake);

private:
    void closeDropRun();  // lock held

    mutable std::mutex lock_;
    std::vector<CaptureRow> ring_;
    std::size_t head_ = 0;   // oldest waiting row
    std::size_t count_ = 0;  // rows waiting
    std::uint64_t accepted_ = 0;  // rows ever queued
    std::uint64_t taken_ = 0;     // rows ever taken
    std::vector<PlacedEvent> events_;  // rowsBefore counts from the first row ever
    std::uint64_t dropped_ = 0;
    std::uint64_t dropRun_ = 0;  // drops since the last queued row
    std::int64_t dropRunStart_ = 0;  // host microseconds of the run's first drop
    std::size_t wakeRows_ = 0;
    std::function<void()> wake_;
};

// The event text for a run of dropped rows.
std::string droppedRowsText(std::uint64_t count);

}  // namespace vesko
