// A ring under one lock; rows that find it full are counted, and each run of them told as one event.
#include "record_queue.h"

#include <algorithm>
#include <cstddef>

namespace vesko {

std::string droppedRowsText(std::uint64_t count) {
    return "dropped " + std::to_string(count) + " samples (writer behind)";
}

RecordQueue::RecordQueue(std::size_t capacity) : ring_(capacity == 0 ? 1 : capacity) {}

void RecordQueue::pushRow(const CaptureRow& row) {
    std::scoped_lock guard(lock_);
    if (count_ == ring_.size()) {
        if (dropRun_ == 0) dropRunStart_ = row.hostMicros;
        ++dropRun_;
        ++dropped_;
        return;
    }
    closeDropRun();
    ring_[(head_ + count_) % ring_.size()] = row;
    ++count_;
    ++accepted_;
    if (count_ == wakeRows_ && wake_) wake_();
}

void RecordQueue::wakeAtBacklog(std::size_t rows, std::function<void()> wake) {
    std::scoped_lock guard(lock_);
    wakeRows_ = rows;
    wake_ = std::move(wake);
}

void RecordQueue::pushEvent(const CaptureEvent& event) {
    std::scoped_lock guard(lock_);
    closeDropRun();
    events_.push_back({accepted_, event});
}

void RecordQueue::closeDropRun() {
    if (dropRun_ == 0) return;
    events_.push_back({accepted_, {dropRunStart_, droppedRowsText(dropRun_)}});
    dropRun_ = 0;
}

bool RecordQueue::take(RecordBatch& batch, bool final, std::size_t mostRows) {
    batch.clear();
    const std::size_t room = std::min(mostRows, ring_.size());
    batch.rows.reserve(room);  // allocates once, not under the lock
    std::scoped_lock guard(lock_);
    if (final) closeDropRun();
    for (; count_ > 0 && batch.rows.size() < room; --count_) {
        batch.rows.push_back(ring_[head_]);
        head_ = (head_ + 1) % ring_.size();
    }
    // Events up to the last row taken (and just after it) go with this batch.
    const std::uint64_t takenNow = taken_ + batch.rows.size();
    std::size_t placed = 0;
    for (; placed < events_.size() && events_[placed].rowsBefore <= takenNow; ++placed) {
        PlacedEvent& event = events_[placed];
        event.rowsBefore -= taken_;
        batch.events.push_back(std::move(event));
    }
    events_.erase(events_.begin(), events_.begin() + static_cast<std::ptrdiff_t>(placed));
    taken_ = takenNow;
    return count_ == 0 && events_.empty();
}

std::uint64_t RecordQueue::dropped() const {
    std::scoped_lock guard(lock_);
    return dropped_;
}

}  // namespace vesko
