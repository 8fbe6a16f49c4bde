// A queue between two threads that holds at most a fixed number of items:
// the producer waits while it is full, the consumer while it is empty.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>

namespace Obrisk::Tools {

template <class T>
class BoundedQueue {
 public:
  explicit BoundedQueue(std::size_t capacity) : capacity_(capacity) {}

  // Waits for room; false when the queue was closed or cancelled (the item
  // is dropped).
  bool Push(T item) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return items_.size() < capacity_ || closed_; });
    if (closed_) return false;
    items_.push_back(std::move(item));
    changed_.notify_all();
    return true;
  }

  // Waits for an item; none once the queue is closed and empty, or cancelled.
  std::optional<T> Pop() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !items_.empty() || closed_; });
    if (items_.empty()) return std::nullopt;
    T item = std::move(items_.front());
    items_.pop_front();
    changed_.notify_all();
    return item;
  }

  // No more items come; those queued are still taken.
  void Close() {
    const std::lock_guard lock(mutex_);
    closed_ = true;
    changed_.notify_all();
  }

  // Stops both sides: queued items are dropped.
  void Cancel() {
    const std::lock_guard lock(mutex_);
    closed_ = true;
    items_.clear();
    changed_.notify_all();
  }

 private:
  std::size_t capacity_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<T> items_;
  bool closed_ = false;
};

}  // namespace Obrisk::Tools
