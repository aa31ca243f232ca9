#include "platform/graphics/Color.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using gfx::Color;
using gfx::ColorSpace;

namespace {

struct SpaceCase {
  const char* name;
  Color color;
  std::array<double, 4> expected;  // sRGB
  double tolerance;
};

class ColorToSRGB : public testing::TestWithParam<SpaceCase> {};

}  // namespace

TEST_P(ColorToSRGB, Converts) {
  const SpaceCase& c = GetParam();
  const auto v = c.color.toSRGB();
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(v[i], c.expected[i], c.tolerance) << c.name << " channel " << i;
}

// 0 and 1 map exactly; values in between are approximations, checked loosely.
INSTANTIATE_TEST_SUITE_P(
    Spaces, ColorToSRGB,
    testing::Values(
        SpaceCase{"srgb", Color::sRGB(0.25, 0.5, 0.75, 0.3), {0.25, 0.5, 0.75, 0.3}, 0},
        SpaceCase{"gray0", Color::genericGray(0, 1), {0, 0, 0, 1}, 0},
        SpaceCase{"gray1", Color::genericGray(1, 0.8), {1, 1, 1, 0.8}, 0},
        SpaceCase{"grayMid", Color::genericGray(0.5, 1), {0.5, 0.5, 0.5, 1}, 0.02},
        SpaceCase{"rgb01", Color::genericRGB(1, 0, 1, 1), {1, 0, 1, 1}, 0},
        SpaceCase{"rgbMid", Color::genericRGB(0.5, 0.5, 0.5, 1), {0.572, 0.572, 0.572, 1}, 0.01},
        SpaceCase{"linear01", Color::linearRGB(0, 1, 0, 0.5), {0, 1, 0, 0.5}, 0},
        SpaceCase{"linearMid", Color::linearRGB(0.214, 0.214, 0.214, 1), {0.5, 0.5, 0.5, 1}, 0.01},
        SpaceCase{"extendedGray", Color::extendedGray(1.5, 1), {1.5, 1.5, 1.5, 1}, 0},
        SpaceCase{"cmykBlack", Color::genericCMYK(0, 0, 0, 1, 1), {0, 0, 0, 1}, 0},
        SpaceCase{"cmykWhite", Color::genericCMYK(0, 0, 0, 0, 1), {1, 1, 1, 1}, 0},
        SpaceCase{"cmykCyan", Color::genericCMYK(1, 0, 0, 0, 1), {0, 1, 1, 1}, 0}));

TEST(Color, MakeChecksTheComponentCount) {
  const double three[] = {1, 0, 0};
  const double four[] = {1, 0, 0, 1};
  const double two[] = {0.5, 1};
  EXPECT_FALSE(Color::make(ColorSpace::sRGB, three));
  EXPECT_TRUE(Color::make(ColorSpace::sRGB, four));
  EXPECT_FALSE(Color::make(ColorSpace::genericGray, four));
  EXPECT_TRUE(Color::make(ColorSpace::genericGray, two));
  EXPECT_FALSE(Color::make(ColorSpace::genericCMYK, four));
  EXPECT_EQ(gfx::componentCount(ColorSpace::genericCMYK), 5u);
}

TEST(Color, KeepsComponentsAsGivenAndComparesBySpace) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Color c = Color::sRGB(2, -1, nan, 1);
  EXPECT_EQ(c.components()[0], 2);
  EXPECT_EQ(c.components()[1], -1);
  EXPECT_TRUE(std::isnan(c.toSRGB()[2]));
  EXPECT_EQ(c, Color::sRGB(2, -1, nan, 1));  // NaN equals NaN here
  EXPECT_NE(Color::genericGray(0, 1), Color::sRGB(0, 0, 0, 1));
  EXPECT_EQ(Color(), Color::sRGB(0, 0, 0, 1));
  EXPECT_EQ(Color::genericGray(0, 1).withAlpha(0.8).alpha(), 0.8);
  EXPECT_EQ(Color::genericGray(0, 1).withAlpha(0.8).space(), ColorSpace::genericGray);
}
