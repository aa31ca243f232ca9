// The debouncer, driven by the manual dispatch clock, and the small utilities: unique file
// locations, range limiting, evenness, square sizes, scaling and optional values.

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "QRCode/QRCode+Core.hpp"
#include "platform/foundation/Dispatch.hpp"
#include "support/TestFolder.hpp"

namespace {

using foundation::DispatchClock;
using foundation::DispatchQueue;
using foundation::drainMainQueue;

// Every debounce test runs on the manual clock, and leaves no timer behind: whatever is
// still pending at the end comes due and runs (or is skipped when cancelled) before the
// captured locals go away.
class DebounceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DispatchClock::setManual(false);
    drainMainQueue();
    DispatchClock::setManual(true);
  }
  void TearDown() override {
    DispatchClock::advance(1e6);
    drainMainQueue();
    DispatchClock::setManual(false);
  }
  // Moves the clock and lets the main queue run what came due.
  static void step(double seconds) {
    DispatchClock::advance(seconds);
    drainMainQueue();
  }
};

TEST_F(DebounceTest, ABurstRunsOnlyTheLastActionIntervalAfterTheLastCall) {
  KvelDebounce debouncer(DispatchQueue::main(), 0.1);
  std::vector<int> ran;
  debouncer.debounce([&] { ran.push_back(1); });
  step(0.03);
  debouncer.debounce([&] { ran.push_back(2); });
  step(0.03);
  debouncer.debounce([&] { ran.push_back(3); });
  // 0.1 s after the first call, nothing: the first action was replaced.
  step(0.04);
  EXPECT_TRUE(ran.empty());
  step(0.059);
  EXPECT_TRUE(ran.empty());  // 0.099 s after the third call
  step(0.001);
  EXPECT_EQ(ran, std::vector<int>{3});
  step(10);
  EXPECT_EQ(ran, std::vector<int>{3});
}

TEST_F(DebounceTest, CallsFartherApartThanTheIntervalEachRun) {
  KvelDebounce debouncer(DispatchQueue::main(), 0.1);
  std::vector<int> ran;
  debouncer.debounce([&] { ran.push_back(1); });
  step(0.15);
  EXPECT_EQ(ran, std::vector<int>{1});
  debouncer.debounce([&] { ran.push_back(2); });
  step(0.1);
  EXPECT_EQ(ran, (std::vector<int>{1, 2}));
}

TEST_F(DebounceTest, ReplacedActionIsCancelledAndNeverRuns) {
  KvelDebounce debouncer(DispatchQueue::main(), 0.5);
  const foundation::WorkItemPtr placeholder = debouncer.workItem();
  ASSERT_NE(placeholder, nullptr);
  EXPECT_FALSE(placeholder->hasStarted());

  int first = 0, second = 0;
  debouncer.debounce([&] { ++first; });
  const foundation::WorkItemPtr firstItem = debouncer.workItem();
  EXPECT_NE(firstItem, placeholder);
  EXPECT_TRUE(placeholder->isCancelled());  // cancelling the placeholder is harmless
  debouncer.debounce([&] { ++second; });
  EXPECT_TRUE(firstItem->isCancelled());
  EXPECT_FALSE(debouncer.workItem()->isCancelled());
  step(1.0);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(second, 1);
  EXPECT_TRUE(debouncer.workItem()->hasStarted());
  // The placeholder was never scheduled, so it never ran.
  EXPECT_FALSE(placeholder->hasStarted());
}

TEST_F(DebounceTest, ACallAfterTheActionRanSchedulesAFreshOne) {
  KvelDebounce debouncer(DispatchQueue::main(), 0.2);
  int runs = 0;
  debouncer.debounce([&] { ++runs; });
  step(0.2);
  ASSERT_EQ(runs, 1);
  const foundation::WorkItemPtr done = debouncer.workItem();
  debouncer.debounce([&] { runs += 10; });
  EXPECT_TRUE(done->hasStarted());
  step(0.199);
  EXPECT_EQ(runs, 1);
  step(0.001);
  EXPECT_EQ(runs, 11);
}

TEST_F(DebounceTest, ReleasingTheDebouncerDoesNotCancelThePendingAction) {
  int runs = 0;
  {
    KvelDebounce debouncer(DispatchQueue::main(), 0.1);
    debouncer.debounce([&] { runs += 1; });
    debouncer.debounce([&] { runs += 100; });
  }
  step(0.1);
  EXPECT_EQ(runs, 100);
}

TEST_F(DebounceTest, ZeroNegativeAndNaNIntervalsRunAtTheNextTurn) {
  for (double interval : {0.0, -1.0, std::nan("")}) {
    SCOPED_TRACE(interval);
    KvelDebounce debouncer(DispatchQueue::main(), interval);
    int runs = 0;
    debouncer.debounce([&] { ++runs; });
    debouncer.debounce([&] { runs += 2; });
    step(0);
    EXPECT_EQ(runs, 2);
  }
}

TEST_F(DebounceTest, ActionsRunOnTheGivenQueue) {
  KvelDebounce debouncer(DispatchQueue::background(), 0.1);
  EXPECT_EQ(debouncer.queue().kind(), DispatchQueue::Kind::background);
  EXPECT_DOUBLE_EQ(debouncer.interval(), 0.1);
  const std::thread::id caller = std::this_thread::get_id();
  std::atomic<int> runs{0};
  std::atomic<bool> otherThread{false};
  for (int i = 1; i <= 5; ++i) {
    debouncer.debounce([&, i] {
      otherThread = std::this_thread::get_id() != caller;
      runs += i;
    });
    DispatchClock::advance(0.01);
  }
  EXPECT_EQ(runs.load(), 0);
  DispatchClock::advance(0.1);
  ASSERT_TRUE(foundation::runMainLoopUntil([&] { return runs.load() != 0; }, 10.0));
  EXPECT_EQ(runs.load(), 5);  // only the last action, i = 5
  EXPECT_TRUE(otherThread.load());
}

// --- unique file locations -------------------------------------------------------------------

class UniqueFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = testsupport::testFolder();
  }
  void touch(const std::string& name) { std::ofstream(folder_ / name) << "x"; }
  std::filesystem::path folder_;
};

TEST_F(UniqueFileTest, FreeNameIsReturnedUnchanged) {
  EXPECT_EQ(qrcore::uniqueFileURL(folder_, "Dropped QRCode.pdf"), folder_ / "Dropped QRCode.pdf");
}

TEST_F(UniqueFileTest, TakenNamesGetCountedSuffixes) {
  touch("Dropped QRCode.pdf");
  EXPECT_EQ(qrcore::uniqueFileURL(folder_, "Dropped QRCode.pdf"), folder_ / "Dropped QRCode-2.pdf");
  touch("Dropped QRCode-2.pdf");
  EXPECT_EQ(qrcore::uniqueFileURL(folder_, "Dropped QRCode.pdf"), folder_ / "Dropped QRCode-3.pdf");
  // A gap further on does not matter: the search stops at the first free name.
  touch("Dropped QRCode-5.pdf");
  EXPECT_EQ(qrcore::uniqueFileURL(folder_, "Dropped QRCode.pdf"), folder_ / "Dropped QRCode-3.pdf");
  // A free "-2" is not used while the plain name is free.
  EXPECT_EQ(qrcore::uniqueFileURL(folder_, "other.pdf"), folder_ / "other.pdf");
}

TEST_F(UniqueFileTest, ManyTakenNames) {
  touch("a.png");
  for (int n = 2; n <= 40; ++n) touch("a-" + std::to_string(n) + ".png");
  EXPECT_EQ(qrcore::uniqueFileURL(folder_, "a.png"), folder_ / "a-41.png");
}

TEST_F(UniqueFileTest, ExtensionIsTheTextAfterTheLastDot) {
  struct Case {
    std::string name;
    std::string second;
  };
  const std::vector<Case> cases{
      {"archive.tar.gz", "archive.tar-2.gz"},
      {"Makefile", "Makefile-2."},   // no extension: the dot is still written
      {".profile", ".profile-2."},   // a leading dot starts no extension
      {"trailing.", "trailing-2."},  // empty extension
      {"spaces in name.svg", "spaces in name-2.svg"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    touch(c.name);
    EXPECT_EQ(qrcore::uniqueFileURL(folder_, c.name), folder_ / c.second);
  }
}

TEST_F(UniqueFileTest, AFolderOfThatNameCountsAsTaken) {
  std::filesystem::create_directory(folder_ / "code.svg");
  EXPECT_EQ(qrcore::uniqueFileURL(folder_, "code.svg"), folder_ / "code-2.svg");
}

TEST_F(UniqueFileTest, MissingFolderGivesTheFirstCandidate) {
  const auto missing = folder_ / "does" / "not" / "exist";
  EXPECT_EQ(qrcore::uniqueFileURL(missing, "x.pdf"), missing / "x.pdf");
}

// --- limits ---------------------------------------------------------------------------------

TEST(Utilities, ClampedIntegers) {
  struct Case {
    int value;
    int expectedClosed;    // 0...10
    int expectedHalfOpen;  // 0..<10
    int expectedUpTo;      // ..<10
    int expectedThrough;   // ...10
    int expectedFrom;      // 0...
  };
  const std::vector<Case> cases{
      {12, 10, 9, 9, 10, 12}, {10, 10, 9, 9, 10, 10}, {9, 9, 9, 9, 9, 9},
      {5, 5, 5, 5, 5, 5},     {0, 0, 0, 0, 0, 0},     {-3, 0, 0, -3, -3, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(clamped(c.value, ClosedRange<int>{0, 10}), c.expectedClosed);
    EXPECT_EQ(clamped(c.value, HalfOpenRange<int>{0, 10}), c.expectedHalfOpen);
    EXPECT_EQ(clamped(c.value, PartialRangeUpTo<int>{10}), c.expectedUpTo);
    EXPECT_EQ(clamped(c.value, PartialRangeThrough<int>{10}), c.expectedThrough);
    EXPECT_EQ(clamped(c.value, PartialRangeFrom<int>{0}), c.expectedFrom);
    int inPlace = c.value;
    clamp(inPlace, HalfOpenRange<int>{0, 10});
    EXPECT_EQ(inPlace, c.expectedHalfOpen);
  }
  // No overflow below the smallest integer.
  constexpr std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
  EXPECT_EQ(clamped<std::int64_t>(5, PartialRangeUpTo<std::int64_t>{lowest}), lowest);
  static_assert(clamped(12, HalfOpenRange<int>{0, 10}) == 9);
}

TEST(Utilities, ClampedFloatingValues) {
  const double belowTen = std::nextafter(10.0, 0.0);
  EXPECT_EQ(clamped(12.0, HalfOpenRange<double>{0, 10}), belowTen);
  EXPECT_LT(clamped(12.0, HalfOpenRange<double>{0, 10}), 10.0);
  EXPECT_EQ(clamped(12.0, PartialRangeUpTo<double>{10}), belowTen);
  EXPECT_EQ(clamped(12.0, ClosedRange<double>{0, 10}), 10.0);
  EXPECT_EQ(clamped(-0.5, ClosedRange<double>{0, 10}), 0.0);
  EXPECT_EQ(clamped(3.25, PartialRangeThrough<double>{3}), 3.0);
  EXPECT_EQ(clamped(-7.0, PartialRangeFrom<double>{-2}), -2.0);
  EXPECT_EQ(clamped(1.0f, HalfOpenRange<float>{0, 1}), std::nextafter(1.0f, 0.0f));
  EXPECT_TRUE(std::isnan(clamped(std::nan(""), ClosedRange<double>{0, 1})));
  EXPECT_EQ(clamped(std::numeric_limits<double>::infinity(), ClosedRange<double>{0, 1}), 1.0);
  double v = 42;
  clamp(v, PartialRangeThrough<double>{7.5});
  EXPECT_EQ(v, 7.5);
  // Any comparable type works with closed and partial ranges.
  EXPECT_EQ(clamped(std::string("zebra"), ClosedRange<std::string>{"apple", "mango"}), "mango");
}

TEST(Utilities, UnitClamped) {
  EXPECT_EQ(unitClamped(-0.5), 0.0);
  EXPECT_EQ(unitClamped(3.0), 1.0);
  EXPECT_EQ(unitClamped(0.25), 0.25);
  EXPECT_EQ(unitClamped(1.0), 1.0);
  EXPECT_EQ(unitClamped(-std::numeric_limits<double>::infinity()), 0.0);
  float f = 1.5f;
  unitClamp(f);
  EXPECT_EQ(f, 1.0f);
}

TEST(Utilities, EvenAndOdd) {
  struct Case {
    std::int64_t value;
    bool even;
    bool odd;
  };
  const std::vector<Case> cases{
      {0, true, false}, {3, false, true}, {-3, false, false}, {-4, true, false},
      {7, false, true}, {1, false, true}, {-1, false, false},
      {std::numeric_limits<std::int64_t>::min(), true, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(isEven(c.value), c.even);
    EXPECT_EQ(isOdd(c.value), c.odd);
  }
  EXPECT_TRUE(isOdd(std::uint8_t{255}));
  EXPECT_TRUE(isEven(std::uint8_t{254}));
}

TEST(Utilities, SquareSizesAndScaling) {
  EXPECT_EQ(squareSize(300), (gfx::Size{300, 300}));
  EXPECT_EQ(squareSize(2.5), (gfx::Size{2.5, 2.5}));
  EXPECT_EQ(scaled(gfx::Point{3, -4}, 2.5), (gfx::Point{7.5, -10}));
  EXPECT_EQ(scaled(gfx::Size{10, 20}, 0.5), (gfx::Size{5, 10}));
  EXPECT_EQ(scaled(squareSize(int64_t{4}), 3), (gfx::Size{12, 12}));
}

TEST(Utilities, IfAllPresent) {
  const std::optional<int> one = 1, two = 2, none;
  const std::optional<std::string> word = "w";
  EXPECT_EQ(ifAllPresent(one, [](int a) { return a * 10; }), std::optional<int>(10));
  EXPECT_EQ(ifAllPresent(none, [](int a) { return a * 10; }), std::nullopt);
  EXPECT_EQ(ifAllPresent(one, two, [](int a, int b) { return a + b; }), std::optional<int>(3));
  EXPECT_EQ(ifAllPresent(one, none, [](int a, int b) { return a + b; }), std::nullopt);
  EXPECT_EQ(ifAllPresent(none, two, [](int a, int b) { return a + b; }), std::nullopt);
  const auto joined = [](int a, int b, const std::string& s) { return s + std::to_string(a + b); };
  EXPECT_EQ(ifAllPresent(one, two, word, joined),
            std::optional<std::string>("w3"));
  EXPECT_EQ(ifAllPresent(one, two, std::optional<std::string>{},
                         [](int, int, const std::string& s) { return s; }),
            std::nullopt);
  // The function is not called when a value is missing.
  int calls = 0;
  (void)ifAllPresent(one, none, [&](int, int) { return ++calls; });
  EXPECT_EQ(calls, 0);
}

}  // namespace
