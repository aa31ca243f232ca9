#include "platform/foundation/Dispatch.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <limits>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <glib.h>

#include "platform/foundation/Output.hpp"

namespace foundation {

// --- work items -------------------------------------------------------------------------

WorkItem::WorkItem(std::function<void()> block) : block_(std::move(block)) {}

void WorkItem::perform() {
  if (cancelled_.load(std::memory_order_acquire)) return;
  if (started_.exchange(true, std::memory_order_acq_rel)) return;
  // Only this call touches block_ from here on; drop the captures once it has run.
  auto block = std::move(block_);
  block_ = nullptr;
  if (block) block();
}

void WorkItem::cancel() noexcept { cancelled_.store(true, std::memory_order_release); }
bool WorkItem::isCancelled() const noexcept { return cancelled_.load(std::memory_order_acquire); }
bool WorkItem::hasStarted() const noexcept { return started_.load(std::memory_order_acquire); }

WorkItemPtr makeWorkItem(std::function<void()> block) {
  return std::make_shared<WorkItem>(std::move(block));
}

namespace {

constexpr double kMaxDelay = 1e9;  // about 31 years
constexpr std::size_t kMaxDrainIterations = 100000;

// Clock times are whole nanoseconds, so that manual steps add up exactly.
using Nanos = std::int64_t;

Nanos steadyNanos() {
  using namespace std::chrono;
  return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

double steadySeconds() { return static_cast<double>(steadyNanos()) * 1e-9; }

double sanitizeDelay(double seconds) {
  if (!(seconds > 0.0)) return 0.0;  // negative, zero or NaN
  return std::min(seconds, kMaxDelay);
}

Nanos delayNanos(double seconds) { return std::llround(sanitizeDelay(seconds) * 1e9); }

Nanos addSaturating(Nanos a, Nanos b) {
  Nanos r;
  if (__builtin_add_overflow(a, b, &r)) return std::numeric_limits<Nanos>::max();
  return r;
}

// Runs one item; an exception must not leave a worker thread or a GLib callback.
void performGuarded(const WorkItemPtr& item) noexcept {
  try {
    item->perform();
  } catch (const std::exception& e) {
    printLine(std::string("[dispatch] work item failed: ") + e.what());
  } catch (...) {
    printLine("[dispatch] work item failed with an unknown exception");
  }
}

struct TimerEntry {
  DispatchQueue::Kind kind;
  WorkItemPtr item;
};

// All dispatch state lives in one object so that it is torn down in one known order: the
// threads stop before the queues they read are destroyed.
class Dispatcher {
 public:
  static Dispatcher& shared() {
    static Dispatcher dispatcher;
    return dispatcher;
  }

  ~Dispatcher() {
    {
      std::lock_guard lock(poolMutex_);
      poolStop_ = true;
    }
    poolCv_.notify_all();
    {
      std::lock_guard lock(timerMutex_);
      timerStop_ = true;
    }
    timerCv_.notify_all();
    for (auto& t : workers_) {
      if (t.joinable()) t.join();
    }
    if (timerThread_.joinable()) timerThread_.join();
  }

  // --- main queue ---
  void enqueueMain(WorkItemPtr item) {
    bool schedule = false;
    {
      std::lock_guard lock(mainMutex_);
      mainItems_.push_back(std::move(item));
      if (!mainScheduled_) {
        mainScheduled_ = true;
        schedule = true;
      }
    }
    // g_idle_add is safe from any thread and wakes the main context.
    if (schedule) g_idle_add_full(G_PRIORITY_DEFAULT, &Dispatcher::mainCallback, this, nullptr);
  }

  bool hasMainWork() {
    std::lock_guard lock(mainMutex_);
    return !mainItems_.empty();
  }

  static gboolean mainCallback(gpointer data) {
    auto* self = static_cast<Dispatcher*>(data);
    // Run only what was queued before this turn, so that work which queues more work does
    // not starve the rest of the main loop.
    std::size_t count;
    {
      std::lock_guard lock(self->mainMutex_);
      count = self->mainItems_.size();
    }
    for (std::size_t i = 0; i < count; ++i) {
      WorkItemPtr item;
      {
        std::lock_guard lock(self->mainMutex_);
        if (self->mainItems_.empty()) break;
        item = std::move(self->mainItems_.front());
        self->mainItems_.pop_front();
      }
      performGuarded(item);
    }
    std::lock_guard lock(self->mainMutex_);
    if (self->mainItems_.empty()) {
      self->mainScheduled_ = false;
      return G_SOURCE_REMOVE;
    }
    return G_SOURCE_CONTINUE;
  }

  // --- background queue ---
  void enqueueBackground(WorkItemPtr item) {
    {
      std::lock_guard lock(poolMutex_);
      poolItems_.push_back(std::move(item));
      if (workers_.empty()) {
        const unsigned hw = std::thread::hardware_concurrency();
        const unsigned n = std::clamp(hw == 0 ? 2u : hw / 2, 2u, 4u);
        workers_.reserve(n);
        for (unsigned i = 0; i < n; ++i) workers_.emplace_back([this] { workerLoop(); });
      }
    }
    poolCv_.notify_one();
  }

  void workerLoop() {
    for (;;) {
      WorkItemPtr item;
      {
        std::unique_lock lock(poolMutex_);
        poolCv_.wait(lock, [this] { return poolStop_ || !poolItems_.empty(); });
        if (poolStop_) return;
        item = std::move(poolItems_.front());
        poolItems_.pop_front();
      }
      performGuarded(item);
    }
  }

  void enqueue(DispatchQueue::Kind kind, WorkItemPtr item) {
    if (kind == DispatchQueue::Kind::main) {
      enqueueMain(std::move(item));
    } else {
      enqueueBackground(std::move(item));
    }
  }

  // --- timers and clock ---
  double now() {
    std::lock_guard lock(timerMutex_);
    return static_cast<double>(nowLocked()) * 1e-9;
  }

  void addTimer(double delay, DispatchQueue::Kind kind, WorkItemPtr item) {
    {
      std::lock_guard lock(timerMutex_);
      const Nanos due = addSaturating(nowLocked(), delayNanos(delay));
      timers_.emplace(std::make_pair(due, nextSeq_++), TimerEntry{kind, std::move(item)});
      if (!manual_ && !timerThread_.joinable()) {
        timerThread_ = std::thread([this] { timerLoop(); });
      }
    }
    timerCv_.notify_all();
  }

  void setManual(bool manual) {
    {
      std::lock_guard lock(timerMutex_);
      if (manual == manual_) return;
      const Nanos real = steadyNanos();
      if (manual) {
        virtualNow_ = real;
      } else {
        // Re-base pending timers on the steady clock, keeping the time they still wait.
        std::map<std::pair<Nanos, std::uint64_t>, TimerEntry> rebased;
        for (auto& [key, entry] : timers_) {
          const Nanos remaining = key.first - virtualNow_;
          rebased.emplace(std::make_pair(addSaturating(real, std::max<Nanos>(remaining, 0)), key.second),
                          std::move(entry));
        }
        timers_ = std::move(rebased);
        if (!timers_.empty() && !timerThread_.joinable()) {
          timerThread_ = std::thread([this] { timerLoop(); });
        }
      }
      manual_ = manual;
    }
    timerCv_.notify_all();
  }

  bool isManual() {
    std::lock_guard lock(timerMutex_);
    return manual_;
  }

  void advance(double seconds) {
    std::vector<TimerEntry> due;
    {
      std::lock_guard lock(timerMutex_);
      if (!manual_) return;
      virtualNow_ = addSaturating(virtualNow_, delayNanos(seconds));
      takeDueLocked(virtualNow_, due);
    }
    for (auto& entry : due) enqueue(entry.kind, std::move(entry.item));
  }

  std::size_t pendingTimers() {
    std::lock_guard lock(timerMutex_);
    return timers_.size();
  }

 private:
  Dispatcher() = default;

  Nanos nowLocked() const { return manual_ ? virtualNow_ : steadyNanos(); }

  void takeDueLocked(Nanos now, std::vector<TimerEntry>& out) {
    while (!timers_.empty() && timers_.begin()->first.first <= now) {
      out.push_back(std::move(timers_.begin()->second));
      timers_.erase(timers_.begin());
    }
  }

  void timerLoop() {
    std::unique_lock lock(timerMutex_);
    while (!timerStop_) {
      if (manual_ || timers_.empty()) {
        timerCv_.wait(lock);
        continue;
      }
      const Nanos now = steadyNanos();
      const Nanos nextDue = timers_.begin()->first.first;
      if (nextDue > now) {
        timerCv_.wait_for(lock, std::chrono::nanoseconds(nextDue - now));
        continue;
      }
      std::vector<TimerEntry> due;
      takeDueLocked(now, due);
      lock.unlock();
      for (auto& entry : due) enqueue(entry.kind, std::move(entry.item));
      lock.lock();
    }
  }

  // main queue
  std::mutex mainMutex_;
  std::deque<WorkItemPtr> mainItems_;
  bool mainScheduled_ = false;

  // background pool
  std::mutex poolMutex_;
  std::condition_variable poolCv_;
  std::deque<WorkItemPtr> poolItems_;
  std::vector<std::thread> workers_;
  bool poolStop_ = false;

  // timers
  std::mutex timerMutex_;
  std::condition_variable timerCv_;
  std::map<std::pair<Nanos, std::uint64_t>, TimerEntry> timers_;
  std::uint64_t nextSeq_ = 0;
  bool manual_ = false;
  Nanos virtualNow_ = 0;
  bool timerStop_ = false;
  std::thread timerThread_;
};

}  // namespace

// --- queues -------------------------------------------------------------------------------

DispatchQueue& DispatchQueue::main() {
  static DispatchQueue queue(Kind::main);
  return queue;
}

DispatchQueue& DispatchQueue::background() {
  static DispatchQueue queue(Kind::background);
  return queue;
}

void DispatchQueue::async(std::function<void()> block) {
  async(makeWorkItem(std::move(block)));
}

void DispatchQueue::async(WorkItemPtr item) {
  if (!item) return;
  Dispatcher::shared().enqueue(kind_, std::move(item));
}

WorkItemPtr DispatchQueue::asyncAfter(double seconds, std::function<void()> block) {
  auto item = makeWorkItem(std::move(block));
  asyncAfter(seconds, item);
  return item;
}

void DispatchQueue::asyncAfter(double seconds, WorkItemPtr item) {
  if (!item) return;
  Dispatcher::shared().addTimer(seconds, kind_, std::move(item));
}

// --- clock --------------------------------------------------------------------------------

double DispatchClock::now() { return Dispatcher::shared().now(); }
void DispatchClock::setManual(bool manual) { Dispatcher::shared().setManual(manual); }
bool DispatchClock::isManual() { return Dispatcher::shared().isManual(); }
void DispatchClock::advance(double seconds) { Dispatcher::shared().advance(seconds); }
std::size_t DispatchClock::pendingTimers() { return Dispatcher::shared().pendingTimers(); }

// --- main loop helpers --------------------------------------------------------------------

void drainMainQueue() {
  for (std::size_t i = 0; i < kMaxDrainIterations; ++i) {
    if (g_main_context_iteration(nullptr, FALSE)) continue;
    // Another thread may have queued work and not yet added the idle source that runs
    // it (it adds the source after releasing the queue's lock): run that work here.
    if (!Dispatcher::shared().hasMainWork()) break;
    Dispatcher::mainCallback(&Dispatcher::shared());
  }
}

bool runMainLoopUntil(const std::function<bool()>& done, double timeoutSeconds) {
  const double deadline = steadySeconds() + sanitizeDelay(timeoutSeconds);
  for (;;) {
    drainMainQueue();
    if (done()) return true;
    if (steadySeconds() >= deadline) return done();
    g_usleep(1000);
  }
}

}  // namespace foundation
