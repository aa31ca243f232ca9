#include "QRCode/core/QRCodeDrawingHelpers.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "QRCode/core/QRCodeColor.hpp"
#include "support/Raster.hpp"

using gfx::Image;

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
}  // namespace

TEST(MakeBitmapImage, RefusedSizesGiveNoImage) {
  for (gfx::Size s : {gfx::Size{0, 10}, gfx::Size{10, 0}, gfx::Size{0.9, 10}, gfx::Size{-5, 10},
                      gfx::Size{kNaN, 10}, gfx::Size{10, kInf}, gfx::Size{1e20, 1e20}, gfx::Size{40000, 1}}) {
    EXPECT_FALSE(qrcore::makeBitmapImage(s, qrcolor::commonWhite())) << s.width << " x " << s.height;
  }
}

TEST(MakeBitmapImage, TruncatesAndTheBackgroundCoversEverything) {
  const auto image = qrcore::makeBitmapImage({10.9, 10.9}, qrcolor::sRGB(0, 0, 1, 1));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width(), 10);
  EXPECT_EQ(image->height(), 10);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) ASSERT_EQ(image->pixelAt(x, y), (Image::RGBA{0, 0, 255, 255}));
}

TEST(MakeBitmapImage, WithoutBackgroundOrDrawingItIsTransparent) {
  const auto image = qrcore::makeBitmapImage({7, 3}, std::nullopt);
  ASSERT_TRUE(image);
  for (auto b : image->pixels()) ASSERT_EQ(b, 0);
}

TEST(MakeBitmapImage, DrawingGetsTheUnroundedSizeInAYUpSpace) {
  double seenW = 0, seenH = 0;
  int depthInside = -1;
  const auto image = qrcore::makeBitmapImage({20.5, 10.25}, qrcolor::commonClear(), [&](gfx::Canvas& c, double w, double h) {
    seenW = w;
    seenH = h;
    depthInside = c.saveDepth();
    c.setFillColor(qrcolor::sRGB(1, 0, 0, 1));
    c.fillRect(gfx::Rect(0, 0, 5, 5));  // bottom-left
  });
  ASSERT_TRUE(image);
  EXPECT_EQ(seenW, 20.5);
  EXPECT_EQ(seenH, 10.25);
  EXPECT_EQ(depthInside, 1);
  EXPECT_EQ(image->pixelAt(2, 8), (Image::RGBA{255, 0, 0, 255}));
  EXPECT_EQ(image->pixelAt(2, 1).a, 0);
}

TEST(DrawImageCentred, UsesTheCentredRectangle) {
  // 40 x 20 in 100 x 100: the rectangle (30, 40, 40, 20), i.e. image rows 40...59.
  const auto image = qrcore::makeBitmapImage({100, 100}, std::nullopt, [](gfx::Canvas& c, double w, double h) {
    qrcore::drawImageCentred(c, Image::filled(4, 2, {0, 255, 0, 255}), {40, 20}, {w, h});
  });
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixelAt(30, 40).a, 255);
  EXPECT_EQ(image->pixelAt(69, 59).a, 255);
  EXPECT_EQ(image->pixelAt(29, 50).a, 0);
  EXPECT_EQ(image->pixelAt(70, 50).a, 0);
  EXPECT_EQ(image->pixelAt(50, 39).a, 0);
  EXPECT_EQ(image->pixelAt(50, 60).a, 0);
}

TEST(DrawImageCentred, OversizedImageIsCutEvenly) {
  // A 2 x 1 image (red | blue) drawn 200 wide in a 100-wide area: the middle shows.
  const auto image = qrcore::makeBitmapImage({100, 10}, std::nullopt, [](gfx::Canvas& c, double w, double h) {
    c.setInterpolationQuality(gfx::InterpolationQuality::none);
    qrcore::drawImageCentred(c, Image::make(2, 1, {255, 0, 0, 255, 0, 0, 255, 255}), {200, h}, {w, h});
  });
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixelAt(10, 5), (Image::RGBA{255, 0, 0, 255}));
  EXPECT_EQ(image->pixelAt(90, 5), (Image::RGBA{0, 0, 255, 255}));
}

TEST(WithSavedGState, RestoresAlsoWhenTheBodyFails) {
  gfx::Canvas c = gfx::Canvas::bitmap(10, 10);
  c.setFillColor(qrcolor::sRGB(1, 0, 0, 1));
  EXPECT_THROW(withSavedGState(c,
                               [](gfx::Canvas& inner) {
                                 inner.setFillColor(qrcolor::sRGB(0, 1, 0, 1));
                                 inner.setShadow({1, 1}, 1, qrcolor::commonBlack());
                                 inner.clipToRect(gfx::Rect(0, 0, 1, 1));
                                 inner.translate(5, 5);
                                 throw std::runtime_error("body failed");
                               }),
               std::runtime_error);
  EXPECT_EQ(c.saveDepth(), 0);
  EXPECT_EQ(c.fillColor(), qrcolor::sRGB(1, 0, 0, 1));
  EXPECT_FALSE(c.hasShadow());
  EXPECT_TRUE(c.transform().isIdentity());
  EXPECT_DOUBLE_EQ(c.clipBoundingBox().width(), 10);
  int calls = 0;
  withSavedGState(c, [&](gfx::Canvas& inner) {
    ++calls;
    EXPECT_EQ(inner.saveDepth(), 1);
  });
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(c.saveDepth(), 0);
}

TEST(WithTransparencyLayer, RunsTheBodyInALayer) {
  gfx::Canvas c = gfx::Canvas::bitmap(10, 10);
  withTransparencyLayer(c, [&] {
    EXPECT_EQ(c.saveDepth(), 1);
    c.fillRect(gfx::Rect(0, 0, 10, 10));
  });
  EXPECT_EQ(c.saveDepth(), 0);
  const Image image = c.makeImage();
  EXPECT_EQ(image.pixelAt(5, 5), (Image::RGBA{0, 0, 0, 255}));
  EXPECT_THROW(withTransparencyLayer(c, [] { throw std::runtime_error("x"); }), std::runtime_error);
  EXPECT_EQ(c.saveDepth(), 0);
}

TEST(DrawInnerShadow, WithoutColourDrawsNothing) {
  const auto image = qrcore::makeBitmapImage({50, 50}, qrcolor::commonWhite(), [](gfx::Canvas& c, double, double) {
    gfx::Path p;
    p.addRect(gfx::Rect(10, 10, 30, 30));
    qrcore::drawInnerShadow(c, p, std::nullopt, {3, -3}, 4);
    EXPECT_EQ(c.saveDepth(), 1);
  });
  ASSERT_TRUE(image);
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 50; ++x) ASSERT_EQ(image->pixelAt(x, y), (Image::RGBA{255, 255, 255, 255}));
}

TEST(DrawInnerShadow, DarkensOnlyInsideOnTheSideThatFacesAwayFromTheOffset) {
  const auto image = qrcore::makeBitmapImage({100, 100}, qrcolor::commonWhite(), [](gfx::Canvas& c, double, double) {
    gfx::Path p;
    p.addEllipse(gfx::Rect(20, 20, 60, 60));
    qrcore::drawInnerShadow(c, p, qrcolor::sRGB(0, 0, 0, 0.8), {4, -4}, 6);
    EXPECT_FALSE(c.hasShadow());
  });
  ASSERT_TRUE(image);
  testsupport::writeImagePNG(*image, "vl_inner_shadow.png");
  // Outside the circle: untouched white.
  for (auto [x, y] : {std::pair{5, 5}, std::pair{95, 95}, std::pair{21, 21}, std::pair{79, 79}})
    EXPECT_EQ(image->pixelAt(x, y), (Image::RGBA{255, 255, 255, 255})) << x << "," << y;
  // Inside: the shadow falls right and down from the outside, so the upper-left rim is
  // dark and the lower-right rim and centre stay light.
  EXPECT_LT(image->pixelAt(30, 30).r, 140);
  EXPECT_GT(image->pixelAt(50, 50).r, 240);
  EXPECT_GT(image->pixelAt(72, 72).r, 200);
}
