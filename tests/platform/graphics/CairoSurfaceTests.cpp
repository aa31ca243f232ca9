#include "platform/graphics/CairoSurface.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// The 32-bit word cairo keeps for pixel (x, y) of an ARGB32 surface.
std::uint32_t wordAt(cairo_surface_t* surface, int x, int y) {
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  std::uint32_t word = 0;
  std::memcpy(&word, data + y * stride + x * 4, 4);
  return word;
}

// Premultiplied RGBA bytes become cairo's native-endian premultiplied ARGB words; a colour
// channel above alpha (not a valid premultiplied value) is brought down to alpha.
TEST(CairoSurface, HoldsTheImageAsARGBWords) {
  struct Row {
    std::uint8_t r, g, b, a;
    std::uint32_t word;
  };
  const Row rows[] = {
      {0, 0, 0, 0, 0x00000000u},       {255, 255, 255, 255, 0xFFFFFFFFu}, {255, 0, 0, 255, 0xFFFF0000u},
      {0, 128, 0, 128, 0x80008000u},   {10, 20, 30, 40, 0x280A141Eu},     {200, 100, 50, 100, 0x64646432u},
  };
  std::vector<std::uint8_t> pixels;
  for (const Row& row : rows) pixels.insert(pixels.end(), {row.r, row.g, row.b, row.a});
  const int width = static_cast<int>(std::size(rows));
  const gfx::CairoSurfacePtr surface = gfx::makeCairoSurface(gfx::Image::make(width, 1, pixels));
  ASSERT_TRUE(surface);
  EXPECT_EQ(cairo_image_surface_get_format(surface.get()), CAIRO_FORMAT_ARGB32);
  EXPECT_EQ(cairo_image_surface_get_width(surface.get()), width);
  EXPECT_EQ(cairo_image_surface_get_height(surface.get()), 1);
  for (int x = 0; x < width; ++x) EXPECT_EQ(wordAt(surface.get(), x, 0), rows[x].word) << x;
}

TEST(CairoSurface, RowsStayInOrderAndEmptyImagesGiveNone) {
  // Three rows of one pixel each: red, green, blue, top to bottom.
  const gfx::Image image = gfx::Image::make(1, 3, {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255});
  const gfx::CairoSurfacePtr surface = gfx::makeCairoSurface(image);
  ASSERT_TRUE(surface);
  EXPECT_EQ(wordAt(surface.get(), 0, 0), 0xFFFF0000u);
  EXPECT_EQ(wordAt(surface.get(), 0, 1), 0xFF00FF00u);
  EXPECT_EQ(wordAt(surface.get(), 0, 2), 0xFF0000FFu);
  EXPECT_FALSE(gfx::makeCairoSurface(gfx::Image()));
}

}  // namespace
