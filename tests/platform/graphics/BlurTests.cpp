#include "platform/graphics/Blur.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

// One opaque pixel in the middle of a clear mask spreads into a Gaussian: symmetric, its
// peak near 255 / (2 pi sigma^2), its mass kept; gain scales it; below sigma 0.1 the mask
// is only scaled.
TEST(Blur, SpreadsOnePixelIntoASymmetricGaussian) {
  constexpr int side = 41, stride = 44, mid = side / 2;
  for (const double sigma : {0.5, 1.5, 3.0}) {
    SCOPED_TRACE(sigma);
    std::vector<unsigned char> mask(static_cast<std::size_t>(stride) * side, 0);
    mask[mid * stride + mid] = 255;
    std::vector<unsigned char> out(mask.size(), 0);
    gfx::blurMask(mask.data(), out.data(), side, side, stride, sigma);
    double mass = 0;
    for (int y = 0; y < side; ++y)
      for (int x = 0; x < side; ++x) {
        const int v = out[y * stride + x];
        mass += v;
        ASSERT_EQ(v, out[y * stride + (side - 1 - x)]) << x << "," << y;
        ASSERT_EQ(v, out[x * stride + y]) << x << "," << y;
        ASSERT_LE(v, out[mid * stride + mid]);
      }
    const double peak = 255 / (2 * std::numbers::pi * sigma * sigma);
    EXPECT_NEAR(out[mid * stride + mid], peak, 0.2 * peak + 1);
    EXPECT_NEAR(mass, 255, 0.05 * 255 + 0.5 * side);  // rounding of every pixel
  }
  // In place, with half the gain and no blur: each value is halved.
  std::vector<unsigned char> mask(static_cast<std::size_t>(stride) * side, 200);
  gfx::blurMask(mask.data(), mask.data(), side, side, stride, 0.05, 0.5);
  for (unsigned char v : mask) ASSERT_EQ(v, 100);
}

}  // namespace
