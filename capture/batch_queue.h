// A bounded queue of batches between one producing and one consuming thread, with the batches' storage handed back.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace vesko {

// The producer waits while `capacity` batches are waiting, so memory stays
// bounded however far it runs ahead. Used batches go back to the producer
// for reuse, so that their buffers are not allocated again every time.
template <class Batch>
class BatchQueue {
public:
    explicit BatchQueue(std::size_t capacity) : capacity_(capacity) {}

    // False once the consumer has given up: the producer should stop.
    bool push(Batch batch) {
        std::unique_lock lock(mutex_);
        roomLeft_.wait(lock, [&] { return waiting_.size() < capacity_ || cancelled_; });
        if (cancelled_) return false;
        waiting_.push_back(std::move(batch));
        arrived_.notify_one();
        return true;
    }
    // The producer has no more.
    void close() {
        std::lock_guard lock(mutex_);
        closed_ = true;
        arrived_.notify_one();
    }
    // The next batch, or none once the queue is closed and empty.
    std::optional<Batch> pop() {
        std::unique_lock lock(mutex_);
        arrived_.wait(lock, [&] { return !waiting_.empty() || closed_; });
        if (waiting_.empty()) return std::nullopt;
        Batch batch = std::move(waiting_.front());
        waiting_.pop_front();
        roomLeft_.notify_one();
        return batch;
    }
    // The consumer stops taking: a waiting producer is let go.
    void cancel() {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
        roomLeft_.notify_one();
    }

    void giveBack(Batch batch) {
        std::lock_guard lock(mutex_);
        if (spare_.size() < capacity_) spare_.push_back(std::move(batch));
    }
    // A used batch to fill again, if there is one.
    std::optional<Batch> reuse() {
        std::lock_guard lock(mutex_);
        if (spare_.empty()) return std::nullopt;
        Batch batch = std::move(spare_.back());
        spare_.pop_back();
        return batch;
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::condition_variable roomLeft_;
    std::deque<Batch> waiting_;
    std::vector<Batch> spare_;
    std::size_t capacity_;
    bool closed_ = false;
    bool cancelled_ = false;
};

}  // namespace vesko
