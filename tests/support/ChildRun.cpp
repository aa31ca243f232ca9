#include "support/ChildRun.hpp"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace testsupport {

namespace {

// The process's peak resident memory so far, in bytes. A forked child starts with the
// resident memory it shares with its parent.
std::uint64_t peakResidentBytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<std::uint64_t>(usage.ru_maxrss) * 1024u;
}

// The processor time the process has spent so far, user and system, in seconds.
double processorSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void writeAll(int fd, const void* data, std::size_t size) {
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = write(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
}

bool readAll(int fd, void* data, std::size_t size) {
  auto* p = static_cast<char*>(data);
  while (size > 0) {
    const ssize_t n = read(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

struct Report {
  std::uint64_t peakBytes;
  double seconds;
  std::uint64_t answerSize;
};

}  // namespace

ChildRun runInChild(const std::function<std::string()>& work) {
  ChildRun run;
  int ends[2];
  if (pipe(ends) != 0) return run;
  const pid_t pid = fork();
  if (pid < 0) {
    close(ends[0]);
    close(ends[1]);
    return run;
  }
  if (pid == 0) {
    close(ends[0]);
    const std::uint64_t before = peakResidentBytes();
    const double start = processorSeconds();
    int status = 1;
    try {
      const std::string answer = work();
      const Report report{peakResidentBytes() - before,
                          processorSeconds() - start,
                          answer.size()};
      writeAll(ends[1], &report, sizeof report);
      writeAll(ends[1], answer.data(), answer.size());
      status = 0;
    } catch (...) {
    }
    // No exit handlers: the parent's objects belong to the parent.
    _exit(status);
  }
  close(ends[1]);
  Report report{};
  if (readAll(ends[0], &report, sizeof report)) {
    run.answer.resize(static_cast<std::size_t>(report.answerSize));
    if (readAll(ends[0], run.answer.data(), run.answer.size())) {
      run.finished = true;
      run.peakBytes = report.peakBytes;
      run.seconds = report.seconds;
    }
  }
  close(ends[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  run.finished = run.finished && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

double leastTimesReference(const std::function<void()>& work, const std::function<void()>& reference, int runs) {
  double least[2] = {1e30, 1e30};
  for (int i = 0; i < 2 * runs; ++i) {
    const double start = processorSeconds();
    (i % 2 == 0 ? work : reference)();
    least[i % 2] = std::min(least[i % 2], processorSeconds() - start);
  }
  return least[0] / std::max(least[1], 1e-6);
}

}  // namespace testsupport
