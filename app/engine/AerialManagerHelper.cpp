// The first frame of a video read in the helper program (app/thumbnailer), a process of its
// own: the helper's memory and processor time are limited (the kernel stops it at its
// limit), it is killed at a deadline on the clock, and this process only reads its small
// answer, checking every size in it. A file that makes a demuxer or decoder hang or swallow
// memory costs this process nothing but the wait.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "app/engine/AerialManager.hpp"
#include "app/engine/ThumbnailHelperProtocol.hpp"

namespace {

using Clock = std::chrono::steady_clock;

// The time on the clock the helper gets for its answer, and how much longer it gets for
// every second of processor time it has used. Its work is bounded by its processor time; a
// helper that waits without computing (a file system that does not answer) is stopped after
// kHelperTime, while one that computes on a machine busy several times over with other work
// is let finish its frame (the largest take up to 3 s of processor time).
constexpr std::chrono::milliseconds kHelperTime{20000};
constexpr int kClockPerProcessorSecond = 10;
// How often the helper's processor time is looked at while it is waited for.
constexpr std::chrono::milliseconds kLookEvery{500};

// The program tests put in the helper's place; empty for the real one.
std::mutex standInMutex;
std::string standInProgram;

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  ~FileDescriptor() { reset(); }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  void reset() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

// The helper program: where this build put it, where it is installed, or beside the
// running program (an installed application, or a copy of the build's programs).
std::optional<std::string> helperProgram() {
  {
    const std::lock_guard lock(standInMutex);
    if (!standInProgram.empty()) return standInProgram;
  }
  std::vector<std::string> candidates = {VL_THUMBNAILER_BUILD_PATH, VL_THUMBNAILER_INSTALL_PATH};
  std::error_code ec;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    candidates.push_back((self.parent_path() / thumbnailhelper::kProgramName).string());
    candidates.push_back(
        (self.parent_path().parent_path() / "libexec" / "vidlumen" / thumbnailhelper::kProgramName).string());
  }
  for (const std::string& candidate : candidates) {
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return std::nullopt;
}

// When the helper's time is up: kHelperTime after its start, and kClockPerProcessorSecond
// times the processor time it has used so far later.
class HelperDeadline {
 public:
  explicit HelperDeadline(pid_t helper) : start_(Clock::now()) {
    if (clock_getcpuclockid(helper, &processorClock_) != 0) processorClock_ = -1;
  }
  // How long to wait before looking again; zero when the time is up.
  std::chrono::milliseconds left() const {
    timespec used{};
    const bool known = processorClock_ != -1 && clock_gettime(processorClock_, &used) == 0;
    const auto allowed = kHelperTime + (known ? (std::chrono::seconds(used.tv_sec) + std::chrono::nanoseconds(used.tv_nsec)) *
                                                    kClockPerProcessorSecond
                                              : std::chrono::nanoseconds(0));
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(start_ + allowed - Clock::now());
    return left.count() <= 0 ? std::chrono::milliseconds(0) : std::min(left, kLookEvery);
  }

 private:
  Clock::time_point start_;
  clockid_t processorClock_ = -1;
};

// Reads exactly size bytes from the pipe before the deadline; with size 0, waits for its
// end (the helper's exit) and fails when anything more comes.
bool readBefore(int fd, const HelperDeadline& deadline, void* data, std::size_t size) {
  auto* p = static_cast<char*>(data);
  const bool toTheEnd = size == 0;
  char extra;
  while (size > 0 || toTheEnd) {
    const auto left = deadline.left().count();
    if (left <= 0) return false;
    pollfd readable{fd, POLLIN, 0};
    const int ready = poll(&readable, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) continue;  // look at the deadline again
    if (ready < 0) return false;
    const ssize_t n = toTheEnd ? read(fd, &extra, 1) : read(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (toTheEnd) return n == 0;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// The helper's frame, read to the end of the pipe, its sizes checked against what was asked
// for; none when it has none and for anything else.
std::optional<gfx::Image> readAnswer(int fd, const HelperDeadline& deadline, std::size_t maxPixels) {
  thumbnailhelper::Header header{};
  if (!readBefore(fd, deadline, &header, sizeof header) || header.magic != thumbnailhelper::kMagic) return std::nullopt;
  const std::uint64_t pixels = std::uint64_t{header.width} * header.height;
  if (header.width == 0 || header.height == 0 || header.width > gfx::Image::maxDimension ||
      header.height > gfx::Image::maxDimension || pixels > maxPixels) {
    return std::nullopt;
  }
  std::vector<std::uint8_t> rgba(pixels * 4);
  if (!readBefore(fd, deadline, rgba.data(), rgba.size()) || !readBefore(fd, deadline, nullptr, 0)) return std::nullopt;
  return gfx::Image::make(static_cast<int>(header.width), static_cast<int>(header.height), std::move(rgba));
}

// Starts the helper with its standard output on the pipe, standard input from /dev/null,
// no other descriptor of ours, and no shell; -1 when it cannot be started.
pid_t startHelper(const std::string& program, const std::vector<std::string>& arguments, int output) {
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return -1;
  pid_t pid = -1;
  std::vector<char*> argv;
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  if (posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0) != 0 ||
      posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO) != 0 ||
      posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1) != 0 ||
      posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
    pid = -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

std::optional<gfx::Image> readInHelper(const std::filesystem::path& file, int coverWidth, int coverHeight,
                                       std::size_t maxPixels) {
  const auto program = helperProgram();
  if (!program) return std::nullopt;
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return std::nullopt;
  FileDescriptor readEnd(ends[0]);
  FileDescriptor writeEnd(ends[1]);
  const pid_t pid = startHelper(*program,
                                {*program, file.string(), std::to_string(coverWidth), std::to_string(coverHeight),
                                 std::to_string(maxPixels)},
                                writeEnd.get());
  writeEnd.reset();  // the pipe ends when the helper exits
  if (pid < 0) return std::nullopt;
  std::optional<gfx::Image> image;
  try {
    image = readAnswer(readEnd.get(), HelperDeadline(pid), maxPixels);
  } catch (...) {
    image.reset();
  }
  // A helper that gave a frame has closed the pipe and is exiting; any other is stopped
  // (the answer is none either way). The frame counts only from one that exited normally.
  if (!image) kill(pid, SIGKILL);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!image || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return image;
}

}  // namespace

std::optional<gfx::Image> AerialManager::thumbnailOf(const std::filesystem::path& file, int coverWidth,
                                                     int coverHeight, std::size_t maxPixels) noexcept {
  try {
    return readInHelper(file, coverWidth, coverHeight, maxPixels);
  } catch (...) {
    return std::nullopt;
  }
}

void thumbnailhelper::useStandInForTesting(std::string program) {
  const std::lock_guard lock(standInMutex);
  standInProgram = std::move(program);
}
