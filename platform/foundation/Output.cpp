#include "platform/foundation/Output.hpp"

#include <cstdio>
#include <mutex>

namespace foundation {
namespace {
std::mutex& sinkMutex() {
  static std::mutex m;
  return m;
}
OutputSink& currentSink() {
  static OutputSink sink;
  return sink;
}
}  // namespace

void printLine(std::string_view line) {
  std::lock_guard lock(sinkMutex());
  if (auto& sink = currentSink()) {
    sink(line);
    return;
  }
  // Standard error, so that a program writing an image to standard output is not corrupted.
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

OutputSink setOutputSink(OutputSink sink) {
  std::lock_guard lock(sinkMutex());
  OutputSink previous = std::move(currentSink());
  currentSink() = std::move(sink);
  return previous;
}

}  // namespace foundation
