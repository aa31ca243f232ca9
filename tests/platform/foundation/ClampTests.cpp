#include "platform/foundation/Clamp.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(Clamp, NaNGivesTheLowerBoundAndOthersAreLimited) {
  struct Row {
    double value, lower, upper, expected;
  };
  const Row rows[] = {
      {kNaN, 0, 1, 0},    {-1, 0, 1, 0},      {0, 0, 1, 0},          {0.3, 0, 1, 0.3},
      {1, 0, 1, 1},       {2, 0, 1, 1},       {kInf, 0, 1, 1},       {-kInf, 0, 1, 0},
      {kNaN, -5, 5, -5},  {-7, -5, 5, -5},    {4.5, -5, 5, 4.5},     {300, 0, 255, 255},
      {-0.0, 0, 1, 0},    {7, 7, 7, 7},       {kNaN, 2, 2, 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.value << " in " << row.lower << "..." << row.upper);
    const double got = foundation::clampedToRange(row.value, row.lower, row.upper);
    EXPECT_EQ(got, row.expected);
    EXPECT_FALSE(std::signbit(got) && row.expected == 0);  // -0 comes back as 0
    if (row.lower == 0 && row.upper == 1) {
      EXPECT_EQ(foundation::clampedFraction(row.value), row.expected);
    }
  }
  static_assert(foundation::clampedFraction(0.25) == 0.25);
}

}  // namespace
