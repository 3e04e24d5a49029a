// A ring under one lock; rows that find it full are counted, and each run of them told as one event.
#include "record_queue.h"

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

void RecordQueue::take(RecordBatch& batch, bool final) {
    batch.clear();
    batch.rows.reserve(ring_.size());  // allocates once, not under the lock
    std::scoped_lock guard(lock_);
    if (final) closeDropRun();
    for (; count_ > 0; --count_) {
        batch.rows.push_back(ring_[head_]);
        head_ = (head_ + 1) % ring_.size();
    }
    for (PlacedEvent& placed : events_) {
        placed.rowsBefore -= taken_;
        batch.events.push_back(std::move(placed));
    }
    events_.clear();
    taken_ += batch.rows.size();
}

std::uint64_t RecordQueue::dropped() const {
    std::scoped_lock guard(lock_);
    return dropped_;
}

}  // namespace vesko
