#pragma once
// Dispatch queues, work items and timers.
//
//  - DispatchQueue::main() runs its work on the thread that iterates the GLib default main
//    context (the GTK main loop), one item at a time, in the order the items were queued.
//  - DispatchQueue::background() runs its work on a small pool of worker threads.
//  - A WorkItem wraps a block that can be cancelled until it starts.
//  - asyncAfter(delay, ...) hands the work to its queue once the delay has passed on the
//    dispatch clock. The clock is the steady clock, or, for tests, a manual clock that only
//    moves when DispatchClock::advance is called; so timers, debounces and delayed resets
//    can be driven by hand.
//
// Every function here may be called from any thread.

#include <atomic>
#include <functional>
#include <memory>

namespace foundation {

// A block that runs at most once and can be cancelled until it starts.
class WorkItem {
 public:
  explicit WorkItem(std::function<void()> block);
  WorkItem(const WorkItem&) = delete;
  WorkItem& operator=(const WorkItem&) = delete;

  // Runs the block unless the item was cancelled or has run already.
  void perform();
  // Stops the block from running later; a block that is running finishes.
  void cancel() noexcept;
  bool isCancelled() const noexcept;
  // True once perform() has started the block.
  bool hasStarted() const noexcept;

 private:
  std::function<void()> block_;
  std::atomic<bool> cancelled_{false};
  std::atomic<bool> started_{false};
};

using WorkItemPtr = std::shared_ptr<WorkItem>;

// Convenience: a new shared work item around the block.
WorkItemPtr makeWorkItem(std::function<void()> block);

class DispatchQueue {
 public:
  enum class Kind { main, background };

  // The main queue (GLib default main context) and the shared background queue.
  static DispatchQueue& main();
  static DispatchQueue& background();

  Kind kind() const noexcept { return kind_; }

  // Queues the work to run as soon as the queue gets to it.
  void async(std::function<void()> block);
  void async(WorkItemPtr item);

  // Queues the work once `seconds` have passed on the dispatch clock. A delay that is
  // negative or NaN counts as zero; very long delays are limited to about 31 years.
  // The returned item can be cancelled.
  WorkItemPtr asyncAfter(double seconds, std::function<void()> block);
  void asyncAfter(double seconds, WorkItemPtr item);

  DispatchQueue(const DispatchQueue&) = delete;
  DispatchQueue& operator=(const DispatchQueue&) = delete;

 private:
  explicit DispatchQueue(Kind kind) noexcept : kind_(kind) {}
  Kind kind_;
};

// The clock that timers are measured against.
class DispatchClock {
 public:
  // Seconds on the current clock (an arbitrary but fixed origin).
  static double now();

  // Switches between the steady clock (false) and the manual clock (true). The manual clock
  // starts at the current time and stands still until advance(). Timers that are pending
  // when the mode changes keep the time they still have to wait.
  static void setManual(bool manual);
  static bool isManual();

  // Manual clock only (does nothing otherwise): moves the clock forward by `seconds`
  // (negative or NaN counts as zero) and hands every timer that has come due to its queue,
  // earliest first. Work for the main queue still runs when the main context is iterated
  // (see drainMainQueue); work for the background queue starts at once on its workers.
  static void advance(double seconds);

  // Number of timers that have not come due yet (cancelled ones included).
  static std::size_t pendingTimers();
};

// Iterates the GLib default main context without blocking until nothing is left to do
// (main-queue work queued meanwhile runs too). Call it on the main thread.
void drainMainQueue();

// Iterates the GLib default main context until done() is true or `timeoutSeconds` of real
// time have passed; returns done(). Call it on the main thread. Meant for tests and for
// waiting on background work that reports back through the main queue.
bool runMainLoopUntil(const std::function<bool()>& done, double timeoutSeconds);

}  // namespace foundation
