#pragma once
// KvelDebounce: runs an action once calls have stopped arriving for a set interval.
//
// Every debounce() call cancels the action scheduled before it and schedules its own on
// the queue, `interval` seconds later on the dispatch clock. Of a burst of calls closer
// together than the interval, only the last action runs, `interval` seconds after the last
// call. Destroying the debouncer does not cancel an action already scheduled.
//
// debounce() is to be called from one thread (or serial queue) at a time; the action runs
// on the queue, which may be another thread.

#include <functional>

#include "platform/foundation/Dispatch.hpp"

class KvelDebounce {
 public:
  // A debouncer for the queue; an interval that is negative or NaN counts as zero.
  KvelDebounce(foundation::DispatchQueue& queue, double interval);

  KvelDebounce(const KvelDebounce&) = delete;
  KvelDebounce& operator=(const KvelDebounce&) = delete;

  // Replaces any pending action with this one, due `interval` seconds from now.
  void debounce(std::function<void()> action);

  foundation::DispatchQueue& queue() const noexcept { return *queue_; }
  double interval() const noexcept { return interval_; }
  // The action scheduled last (before the first call, an empty item that is never
  // scheduled).
  const foundation::WorkItemPtr& workItem() const noexcept { return workItem_; }

 private:
  foundation::DispatchQueue* queue_;
  foundation::WorkItemPtr workItem_;
  double interval_;
};
