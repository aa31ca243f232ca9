#include "platform/foundation/Error.hpp"
#include "platform/foundation/Output.hpp"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {
enum class SampleError { first, second, third };
enum class OtherError { first, second };
}  // namespace

template <>
struct foundation::ErrorTraits<SampleError> {
  static constexpr std::string_view domain = "SampleError";
  static constexpr std::array<std::string_view, 3> cases{"first", "second", "third"};
};
template <>
struct foundation::ErrorTraits<OtherError> {
  static constexpr std::string_view domain = "OtherError";
  static constexpr std::array<std::string_view, 2> cases{"first", "second"};
};

using foundation::Error;

TEST(ErrorTest, RaiseCarriesDomainCodeCaseAndText) {
  try {
    foundation::raise(SampleError::second, "details here");
    FAIL() << "raise returned";
  } catch (const std::exception& e) {
    const auto* error = dynamic_cast<const Error*>(&e);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->domain(), "SampleError");
    EXPECT_EQ(error->code(), 1);
    EXPECT_EQ(error->caseName(), "second");
    EXPECT_EQ(error->text(), "details here");
    EXPECT_STREQ(error->what(), "SampleError.second: details here");
    EXPECT_TRUE(error->is(SampleError::second));
    EXPECT_FALSE(error->is(SampleError::first));
    EXPECT_FALSE(error->is(OtherError::second));  // same code, other domain
  }
}

TEST(ErrorTest, WithoutTextAndUnknownCase) {
  const Error plain(SampleError::third);
  EXPECT_STREQ(plain.what(), "SampleError.third");
  EXPECT_EQ(plain.code(), 2);
  const Error unknown(static_cast<SampleError>(7));
  EXPECT_EQ(unknown.caseName(), "unknown");
  EXPECT_EQ(unknown.code(), 7);
}

TEST(ErrorTest, AttemptWithAResult) {
  std::optional<Error> error;
  const auto good = foundation::attempt([] { return 5; }, &error);
  EXPECT_EQ(good, 5);
  EXPECT_FALSE(error.has_value());

  const auto bad = foundation::attempt(
      []() -> std::string { foundation::raise(OtherError::first, "nope"); }, &error);
  EXPECT_FALSE(bad.has_value());
  ASSERT_TRUE(error.has_value());
  EXPECT_TRUE(error->is(OtherError::first));
  EXPECT_EQ(error->text(), "nope");

  // Without an out-pointer the error is only swallowed.
  EXPECT_FALSE(foundation::attempt([]() -> int { foundation::raise(SampleError::first); }).has_value());
}

TEST(ErrorTest, AttemptWithAVoidCall) {
  std::optional<Error> error;
  int calls = 0;
  EXPECT_TRUE(foundation::attempt([&] { ++calls; }, &error));
  EXPECT_FALSE(error.has_value());
  EXPECT_FALSE(foundation::attempt([&] { ++calls; foundation::raise(SampleError::third, "x"); }, &error));
  EXPECT_EQ(calls, 2);
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->caseName(), "third");
}

TEST(ErrorTest, AttemptLetsForeignExceptionsThrough) {
  std::optional<Error> error;
  EXPECT_THROW(foundation::attempt([]() -> int { throw std::runtime_error("foreign"); }, &error),
               std::runtime_error);
  EXPECT_FALSE(error.has_value());
}

TEST(OutputTest, SinkCapturesPrintedLines) {
  std::vector<std::string> lines;
  auto previous = foundation::setOutputSink([&](std::string_view line) { lines.emplace_back(line); });
  foundation::printLine("first line");
  foundation::printLine("");
  foundation::setOutputSink(std::move(previous));
  EXPECT_EQ(lines, (std::vector<std::string>{"first line", ""}));
  // Without a sink the line goes to standard error; standard output stays clean.
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  foundation::printLine("to stderr");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "to stderr\n");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}
