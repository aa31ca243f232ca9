#include "platform/graphics/Image.hpp"

#include <gtest/gtest.h>

#include "platform/graphics/GraphicsError.hpp"
#include "support/Expect.hpp"

using gfx::Image;
using gfx::PixelFormat;

namespace {

using testsupport::expectError;
}  // namespace

TEST(Image, MakeChecksSizeAndBuffer) {
  struct Case {
    int w, h;
    std::size_t bytes;
    PixelFormat format;
    gfx::GraphicsError error;
  };
  for (const Case& c : {Case{0, 1, 0, PixelFormat::rgba, gfx::GraphicsError::invalidSize},
                        Case{-2, 1, 8, PixelFormat::rgba, gfx::GraphicsError::invalidSize},
                        Case{32768, 1, 32768 * 4, PixelFormat::rgba, gfx::GraphicsError::invalidSize},
                        Case{2, 2, 15, PixelFormat::rgba, gfx::GraphicsError::invalidImage},
                        Case{2, 2, 16, PixelFormat::gray, gfx::GraphicsError::invalidImage},
                        Case{2, 2, 4, PixelFormat::cmyk, gfx::GraphicsError::invalidImage}}) {
    expectError([&] { (void)Image::make(c.w, c.h, std::vector<std::uint8_t>(c.bytes), c.format); }, c.error);
  }
  const Image ok = Image::make(2, 3, std::vector<std::uint8_t>(24));
  EXPECT_EQ(ok.width(), 2);
  EXPECT_EQ(ok.height(), 3);
  EXPECT_EQ(ok.bytesPerRow(), 8u);
  EXPECT_FALSE(ok.empty());
  EXPECT_TRUE(Image().empty());
}

TEST(Image, CopiesShareTheirPixels) {
  const Image a = Image::filled(3, 3, {10, 20, 30, 40});
  const Image b = a;
  EXPECT_TRUE(a.sharesPixelsWith(b));
  EXPECT_EQ(a, b);
  const Image c = Image::filled(3, 3, {10, 20, 30, 40});
  EXPECT_FALSE(a.sharesPixelsWith(c));
  EXPECT_EQ(a, c);
  EXPECT_NE(a, Image::filled(3, 3, {10, 20, 30, 41}));
  EXPECT_EQ(a.toRGBA().pixels().data(), a.pixels().data());
}

TEST(Image, RowZeroIsTheTopAndOutsideIsTransparent) {
  std::vector<std::uint8_t> px = {255, 0, 0, 255, 0, 0, 255, 255};  // 1 x 2: red over blue
  const Image image = Image::make(1, 2, px);
  EXPECT_EQ(image.pixelAt(0, 0), (Image::RGBA{255, 0, 0, 255}));
  EXPECT_EQ(image.pixelAt(0, 1), (Image::RGBA{0, 0, 255, 255}));
  EXPECT_EQ(image.pixelAt(0, 2), (Image::RGBA{}));
  EXPECT_EQ(image.pixelAt(-1, 0), (Image::RGBA{}));
  EXPECT_EQ(image.row(1)[2], 255);
  EXPECT_TRUE(image.row(2).empty());
}

TEST(Image, ColorAtUnpremultiplies) {
  const Image image = Image::filled(1, 1, {64, 0, 32, 128});
  const auto c = image.colorAt(0, 0).toSRGB();
  EXPECT_NEAR(c[0], 0.5, 0.01);
  EXPECT_NEAR(c[2], 0.25, 0.01);
  EXPECT_NEAR(c[3], 128 / 255.0, 1e-12);
  EXPECT_EQ(Image::filled(1, 1, {}).colorAt(0, 0).alpha(), 0);
}

TEST(Image, GrayAndCMYKConvertToOpaqueRGBA) {
  const Image gray = Image::make(2, 1, {0, 200}, PixelFormat::gray);
  EXPECT_EQ(gray.bytesPerRow(), 2u);
  EXPECT_EQ(gray.pixelAt(1, 0), (Image::RGBA{200, 200, 200, 255}));
  const Image cmyk = Image::make(2, 1, {255, 0, 0, 0, 0, 0, 0, 255}, PixelFormat::cmyk);
  EXPECT_EQ(cmyk.pixelAt(0, 0), (Image::RGBA{0, 255, 255, 255}));  // cyan
  EXPECT_EQ(cmyk.pixelAt(1, 0), (Image::RGBA{0, 0, 0, 255}));      // black
  const Image rgba = cmyk.toRGBA();
  EXPECT_EQ(rgba.format(), PixelFormat::rgba);
  EXPECT_EQ(rgba.pixelAt(0, 0), cmyk.pixelAt(0, 0));
}
