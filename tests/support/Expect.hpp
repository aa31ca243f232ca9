#pragma once
// Expectations and fixtures shared by the test programs.

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/Error.hpp"
#include "platform/foundation/Output.hpp"

namespace testsupport {

// Expects fn() to raise the given case of an error enumeration.
template <class F, class E>
void expectError(F&& fn, E expected, const std::string& what = {}) {
  try {
    fn();
    ADD_FAILURE() << "no error: " << what;
  } catch (const foundation::Error& e) {
    EXPECT_TRUE(e.is(expected)) << what << ": got " << e.what();
  }
}

// Captures the printed lines while alive.
struct CapturedOutput {
  std::vector<std::string> lines;
  foundation::OutputSink previous;
  CapturedOutput() {
    previous = foundation::setOutputSink([this](std::string_view line) { lines.emplace_back(line); });
  }
  ~CapturedOutput() { foundation::setOutputSink(previous); }
  CapturedOutput(const CapturedOutput&) = delete;
  CapturedOutput& operator=(const CapturedOutput&) = delete;
};

}  // namespace testsupport
