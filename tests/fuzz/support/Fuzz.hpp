#pragma once
// Shared by the fuzz targets: each defines LLVMFuzzerTestOneInput and runs one reader on
// the input. A clear error (foundation::Error) is the expected answer to bad input; a
// crash, a sanitizer report, any other exception or a broken promise checked with
// fuzzRequire is a finding.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string_view>

#include "platform/foundation/Error.hpp"

// Memory limit of the images a fuzz input may make (4 Mi pixels, 16 MB of RGBA): the
// bounds themselves are tested elsewhere, the fuzzer looks for the faults within them.
inline constexpr std::size_t kFuzzMaxImagePixels = std::size_t{1} << 22;

// Ends the run with a report when a promise does not hold.
inline void fuzzRequire(bool holds, const char* promise) {
  if (holds) return;
  std::fprintf(stderr, "broken promise: %s\n", promise);
  std::abort();
}

inline std::span<const std::uint8_t> fuzzBytes(const std::uint8_t* data, std::size_t size) { return {data, size}; }
inline std::string_view fuzzText(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// Runs the call; our own error is a normal outcome, anything else propagates.
template <class F>
bool fuzzAttempt(F&& call) {
  try {
    call();
    return true;
  } catch (const foundation::Error&) {
    return false;
  }
}
