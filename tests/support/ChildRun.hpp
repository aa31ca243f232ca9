#pragma once
// Runs a piece of work in a forked child process and measures it there: how far the
// child's resident memory rose above what it held when it started, and the processor time
// the work took (user and system: unlike the time on the clock, hardly changed by whatever
// else the machine runs at once). The parent's own peak is untouched, so several
// measurements can follow each other in one test program.

#include <cstdint>
#include <functional>
#include <string>

namespace testsupport {

struct ChildRun {
  bool finished = false;       // the child ran the work to its end and reported back
  std::string answer;          // what the work returned (for example an error text)
  std::uint64_t peakBytes = 0;  // peak resident memory less the resident memory at the start
  double seconds = 0;          // processor time of the work
};

// Forks, runs work in the child and collects its answer and figures. An exception that
// leaves work counts as not finished.
ChildRun runInChild(const std::function<std::string()>& work);

// The least processor time that work took, over `runs` runs, against the least that a
// reference took, their runs taken in turn: the least time is the one least disturbed,
// and whatever slows the machine slows both alike.
double leastTimesReference(const std::function<void()>& work, const std::function<void()>& reference, int runs = 5);

}  // namespace testsupport
