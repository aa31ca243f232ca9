#include "platform/foundation/Dispatch.hpp"

#include <atomic>
#include <cmath>
#include <limits>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/foundation/Output.hpp"

using foundation::DispatchClock;
using foundation::DispatchQueue;
using foundation::drainMainQueue;
using foundation::makeWorkItem;
using foundation::runMainLoopUntil;

namespace {

// Every test starts and ends on the steady clock with an empty main queue.
class DispatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DispatchClock::setManual(false);
    drainMainQueue();
  }
  void TearDown() override {
    DispatchClock::setManual(false);
    drainMainQueue();
  }
};

class ManualClockTest : public DispatchTest {
 protected:
  void SetUp() override {
    DispatchTest::SetUp();
    DispatchClock::setManual(true);
  }
};

TEST_F(DispatchTest, MainQueueRunsOnlyWhenTheLoopTurnsAndInOrder) {
  std::vector<int> order;
  for (int i = 0; i < 5; ++i) DispatchQueue::main().async([&order, i] { order.push_back(i); });
  EXPECT_TRUE(order.empty());
  drainMainQueue();
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST_F(DispatchTest, WorkQueuedFromMainWorkRunsInTheSameDrain) {
  std::vector<std::string> log;
  DispatchQueue::main().async([&] {
    log.push_back("outer");
    DispatchQueue::main().async([&] { log.push_back("inner"); });
  });
  DispatchQueue::main().async([&] { log.push_back("second"); });
  drainMainQueue();
  EXPECT_EQ(log, (std::vector<std::string>{"outer", "second", "inner"}));
}

TEST_F(DispatchTest, BackgroundWorkRunsElsewhereAndHopsBackToMain) {
  const auto mainThread = std::this_thread::get_id();
  std::thread::id workerThread;
  std::thread::id replyThread;
  std::atomic<bool> replied{false};
  DispatchQueue::background().async([&] {
    workerThread = std::this_thread::get_id();
    DispatchQueue::main().async([&] {
      replyThread = std::this_thread::get_id();
      replied = true;
    });
  });
  ASSERT_TRUE(runMainLoopUntil([&] { return replied.load(); }, 30.0));
  EXPECT_NE(workerThread, mainThread);
  EXPECT_EQ(replyThread, mainThread);
}

TEST_F(DispatchTest, ManyBackgroundItemsAllRunOnce) {
  constexpr int kCount = 200;
  std::atomic<int> sum{0};
  std::atomic<int> finished{0};
  for (int i = 1; i <= kCount; ++i) {
    DispatchQueue::background().async([&, i] {
      sum += i;
      ++finished;
    });
  }
  ASSERT_TRUE(runMainLoopUntil([&] { return finished.load() == kCount; }, 30.0));
  EXPECT_EQ(sum.load(), kCount * (kCount + 1) / 2);
}

TEST_F(DispatchTest, CancelledItemNeverRuns) {
  int runs = 0;
  auto item = makeWorkItem([&] { ++runs; });
  DispatchQueue::main().async(item);
  item->cancel();
  drainMainQueue();
  EXPECT_EQ(runs, 0);
  EXPECT_TRUE(item->isCancelled());
  EXPECT_FALSE(item->hasStarted());
}

TEST_F(DispatchTest, ItemRunsAtMostOnceAndLateCancelChangesNothing) {
  int runs = 0;
  auto item = makeWorkItem([&] { ++runs; });
  DispatchQueue::main().async(item);
  DispatchQueue::main().async(item);
  drainMainQueue();
  item->perform();
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(item->hasStarted());
  item->cancel();
  EXPECT_EQ(runs, 1);
}

TEST_F(DispatchTest, ItemReleasesItsCapturesAfterRunning) {
  auto token = std::make_shared<int>(7);
  std::weak_ptr<int> watch = token;
  auto item = makeWorkItem([token] { EXPECT_EQ(*token, 7); });
  token.reset();
  EXPECT_FALSE(watch.expired());
  item->perform();
  EXPECT_TRUE(watch.expired());
}

TEST_F(DispatchTest, NullItemsAreIgnored) {
  DispatchQueue::main().async(foundation::WorkItemPtr{});
  DispatchQueue::main().asyncAfter(1.0, foundation::WorkItemPtr{});
  drainMainQueue();
  SUCCEED() << "nothing to run and nothing crashed";
}

TEST_F(DispatchTest, ThrowingItemIsReportedAndTheQueueGoesOn) {
  std::vector<std::string> lines;
  std::mutex linesMutex;
  auto previous = foundation::setOutputSink([&](std::string_view line) {
    std::lock_guard lock(linesMutex);
    lines.emplace_back(line);
  });
  bool after = false;
  DispatchQueue::main().async([] { throw std::runtime_error("boom"); });
  DispatchQueue::main().async([&] { after = true; });
  drainMainQueue();
  std::atomic<bool> bgDone{false};
  DispatchQueue::background().async([] { throw 42; });
  DispatchQueue::background().async([&] { bgDone = true; });
  ASSERT_TRUE(runMainLoopUntil([&] { return bgDone.load(); }, 30.0));
  // The worker that threw must have reported before the test looks.
  ASSERT_TRUE(runMainLoopUntil(
      [&] {
        std::lock_guard lock(linesMutex);
        return lines.size() >= 2;
      },
      30.0));
  foundation::setOutputSink(std::move(previous));
  EXPECT_TRUE(after);
  std::lock_guard lock(linesMutex);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "[dispatch] work item failed: boom");
  EXPECT_EQ(lines[1], "[dispatch] work item failed with an unknown exception");
}

TEST_F(ManualClockTest, TimerWaitsForItsDelayOnTheManualClock) {
  const double start = DispatchClock::now();
  int runs = 0;
  DispatchQueue::main().asyncAfter(2.0, [&] { ++runs; });
  drainMainQueue();
  DispatchClock::advance(1.999);
  drainMainQueue();
  EXPECT_EQ(runs, 0);
  EXPECT_NEAR(DispatchClock::now() - start, 1.999, 1e-6);
  DispatchClock::advance(0.001);
  EXPECT_EQ(runs, 0) << "main-queue work runs only when the loop turns";
  drainMainQueue();
  EXPECT_EQ(runs, 1);
  DispatchClock::advance(100.0);
  drainMainQueue();
  EXPECT_EQ(runs, 1);
}

TEST_F(ManualClockTest, TimersComeDueEarliestFirstThenInOrderOfScheduling) {
  std::vector<std::string> log;
  auto& q = DispatchQueue::main();
  q.asyncAfter(3.0, [&] { log.push_back("c3"); });
  q.asyncAfter(1.0, [&] { log.push_back("a1"); });
  q.asyncAfter(2.0, [&] { log.push_back("b2-first"); });
  q.asyncAfter(2.0, [&] { log.push_back("b2-second"); });
  q.asyncAfter(10.0, [&] { log.push_back("late"); });
  DispatchClock::advance(5.0);
  drainMainQueue();
  EXPECT_EQ(log, (std::vector<std::string>{"a1", "b2-first", "b2-second", "c3"}));
  DispatchClock::advance(5.0);
  drainMainQueue();
  EXPECT_EQ(log.back(), "late");
}

TEST_F(ManualClockTest, CancelledTimerDoesNotRunLikeADebounce) {
  std::vector<int> fired;
  foundation::WorkItemPtr pending;
  auto debounce = [&](int value) {
    if (pending) pending->cancel();
    pending = DispatchQueue::main().asyncAfter(0.1, [&fired, value] { fired.push_back(value); });
  };
  debounce(1);
  DispatchClock::advance(0.05);
  debounce(2);
  DispatchClock::advance(0.05);
  debounce(3);
  DispatchClock::advance(0.099);
  drainMainQueue();
  EXPECT_TRUE(fired.empty());
  DispatchClock::advance(0.001);
  drainMainQueue();
  EXPECT_EQ(fired, std::vector<int>{3});
}

TEST_F(ManualClockTest, EachScheduledResetRunsAtItsOwnTime) {
  // Two presses 1.5 s apart, each scheduling a reset 2.0 s later.
  bool copied = false;
  int resets = 0;
  auto press = [&] {
    copied = true;
    DispatchQueue::main().asyncAfter(2.0, [&] {
      copied = false;
      ++resets;
    });
  };
  press();
  DispatchClock::advance(1.5);
  press();
  DispatchClock::advance(0.5);
  drainMainQueue();
  EXPECT_FALSE(copied);
  EXPECT_EQ(resets, 1);
  DispatchClock::advance(1.5);
  drainMainQueue();
  EXPECT_EQ(resets, 2);
}

struct DelayCase {
  double delay;
  double advanceBy;
  bool runs;
};

class OddDelayTest : public ManualClockTest, public ::testing::WithParamInterface<DelayCase> {};

TEST_P(OddDelayTest, DelayIsSanitised) {
  const auto& c = GetParam();
  bool ran = false;
  auto item = DispatchQueue::main().asyncAfter(c.delay, [&] { ran = true; });
  DispatchClock::advance(c.advanceBy);
  drainMainQueue();
  EXPECT_EQ(ran, c.runs);
  item->cancel();
  // Let a cancelled long timer come due so that it does not linger into other tests.
  DispatchClock::advance(2e9);
  drainMainQueue();
}

INSTANTIATE_TEST_SUITE_P(
    Delays, OddDelayTest,
    ::testing::Values(DelayCase{-5.0, 0.0, true}, DelayCase{0.0, 0.0, true},
                      DelayCase{std::numeric_limits<double>::quiet_NaN(), 0.0, true},
                      DelayCase{-std::numeric_limits<double>::infinity(), 0.0, true},
                      DelayCase{std::numeric_limits<double>::infinity(), 1e6, false},
                      DelayCase{1e300, 1e9, true}, DelayCase{0.5, -1.0, false},
                      DelayCase{0.5, std::numeric_limits<double>::quiet_NaN(), false}));

TEST_F(ManualClockTest, BackgroundTimerStartsOnAWorkerWhenDue) {
  std::atomic<bool> ran{false};
  std::thread::id where;
  DispatchQueue::background().asyncAfter(1.0, [&] {
    where = std::this_thread::get_id();
    ran = true;
  });
  const auto before = DispatchClock::pendingTimers();
  EXPECT_GE(before, 1u);
  DispatchClock::advance(1.0);
  EXPECT_EQ(DispatchClock::pendingTimers(), before - 1);
  ASSERT_TRUE(runMainLoopUntil([&] { return ran.load(); }, 30.0));
  EXPECT_NE(where, std::this_thread::get_id());
}

TEST_F(ManualClockTest, AdvanceDoesNothingOnTheSteadyClock) {
  DispatchClock::setManual(false);
  EXPECT_FALSE(DispatchClock::isManual());
  bool ran = false;
  auto item = DispatchQueue::main().asyncAfter(1e6, [&] { ran = true; });
  DispatchClock::advance(2e6);
  drainMainQueue();
  EXPECT_FALSE(ran);
  item->cancel();
}

TEST_F(ManualClockTest, SwitchingBackToTheSteadyClockKeepsTheRemainingWait) {
  std::atomic<bool> shortRan{false};
  bool longRan = false;
  DispatchQueue::main().asyncAfter(0.02, [&] { shortRan = true; });
  auto longItem = DispatchQueue::main().asyncAfter(3600.0, [&] { longRan = true; });
  DispatchClock::setManual(false);
  ASSERT_TRUE(runMainLoopUntil([&] { return shortRan.load(); }, 30.0));
  EXPECT_FALSE(longRan) << "an hour's timer must not fire after the switch";
  longItem->cancel();
}

TEST_F(DispatchTest, SteadyClockTimerFiresOnItsOwn) {
  std::atomic<bool> ran{false};
  DispatchQueue::main().asyncAfter(0.01, [&] { ran = true; });
  EXPECT_TRUE(runMainLoopUntil([&] { return ran.load(); }, 30.0));
}

TEST_F(DispatchTest, RunMainLoopUntilGivesUpAfterItsTimeout) {
  EXPECT_FALSE(runMainLoopUntil([] { return false; }, 0.01));
  EXPECT_FALSE(runMainLoopUntil([] { return false; }, std::nan("")));
}

TEST_F(DispatchTest, MainQueueWorkFromManyThreadsAllArrives) {
  constexpr int kThreads = 4;
  constexpr int kEach = 50;
  int count = 0;  // touched only on the main thread
  std::vector<std::thread> threads;
  threads.reserve(kThreads);
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < kEach; ++i) DispatchQueue::main().async([&] { ++count; });
    });
  }
  for (auto& t : threads) t.join();
  drainMainQueue();
  EXPECT_EQ(count, kThreads * kEach);
}

}  // namespace
