#include "platform/graphics/Canvas.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "platform/graphics/GraphicsError.hpp"
#include "support/ChildRun.hpp"
#include "support/Raster.hpp"

using gfx::Canvas;
using gfx::Color;
using gfx::Image;
using gfx::Path;
using gfx::Rect;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

Path rectPath(double x, double y, double w, double h) {
  Path p;
  p.addRect(Rect(x, y, w, h));
  return p;
}

// Image rows count from the top; base space y from the bottom.
Image::RGBA at(const Image& image, int x, int y) { return image.pixelAt(x, y); }

void save(const Image& image, const std::string& name) {
  testsupport::writeImagePNG(image, "vl_canvas_" + name + ".png");
}

template <class F>
void expectGraphicsError(F&& f, gfx::GraphicsError code) {
  try {
    f();
    ADD_FAILURE() << "no error";
  } catch (const foundation::Error& e) {
    EXPECT_TRUE(e.is(code)) << e.what();
  }
}

long maxRSSKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

// --- sizes -------------------------------------------------------------------------------

struct BadSize {
  double width, height;
  bool badForPDF = true;  // a PDF page may be smaller than one point or larger than a bitmap
};

class CanvasBadSize : public testing::TestWithParam<BadSize> {};

TEST_P(CanvasBadSize, BitmapAndPDFRefuseIt) {
  const BadSize s = GetParam();
  expectGraphicsError([&] { (void)Canvas::bitmap(s.width, s.height); }, gfx::GraphicsError::invalidSize);
  expectGraphicsError([&] { (void)Canvas::bitmap(s.height, s.width); }, gfx::GraphicsError::invalidSize);
  if (s.badForPDF) {
    expectGraphicsError([&] { (void)Canvas::pdf(Rect(0, 0, s.width, s.height)); },
                        gfx::GraphicsError::invalidSize);
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, CanvasBadSize,
                         testing::Values(BadSize{0, 10}, BadSize{-1, 10}, BadSize{0.5, 10, false},
                                         BadSize{kNaN, 10}, BadSize{kInf, 10}, BadSize{-kInf, 10},
                                         BadSize{32768, 10, false}, BadSize{Canvas::maxPDFPageSide + 1, 10},
                                         BadSize{1e300, 10}));

TEST(Canvas, BitmapTruncatesItsSizeAndStartsTransparent) {
  Canvas c = Canvas::bitmap(10.9, 7.2);
  EXPECT_EQ(c.width(), 10);
  EXPECT_EQ(c.height(), 7);
  const Image image = c.makeImage();
  ASSERT_EQ(image.width(), 10);
  ASSERT_EQ(image.height(), 7);
  for (auto b : image.pixels()) ASSERT_EQ(b, 0);
  EXPECT_NO_THROW((void)Canvas::bitmap(32767, 1));
}

TEST(Canvas, WrongKindOfResultIsAnError) {
  Canvas bitmap = Canvas::bitmap(4, 4);
  expectGraphicsError([&] { (void)bitmap.pdfData(); }, gfx::GraphicsError::unsupportedOperation);
  Canvas pdf = Canvas::pdf(Rect(0, 0, 10, 10));
  expectGraphicsError([&] { (void)pdf.makeImage(); }, gfx::GraphicsError::unsupportedOperation);
}

// --- base transform, fills and clips -----------------------------------------------------

TEST(Canvas, BaseSpaceIsYUpFromTheBottomLeft) {
  Canvas c = Canvas::bitmap(100, 100);
  c.setFillColor(Color::sRGB(1, 0, 0, 1));
  c.fillRect(Rect(0, 0, 10, 10));
  const Image image = c.makeImage();
  EXPECT_EQ(at(image, 5, 95), (Image::RGBA{255, 0, 0, 255}));  // bottom-left
  EXPECT_EQ(at(image, 5, 5).a, 0);                              // top-left untouched
}

TEST(Canvas, TransformStepsGoInFrontOfTheCurrentTransform) {
  Canvas c = Canvas::bitmap(100, 100);
  // Flip to y-down as the bitmap exports do: scale (1, -1), then translate (0, -100).
  c.scale(1, -1);
  c.translate(0, -100);
  EXPECT_EQ(c.transform().apply(gfx::Point{0, 0}), (gfx::Point{0, 100}));
  c.setFillColor(Color::sRGB(0, 0, 1, 1));
  c.fillRect(Rect(0, 0, 10, 10));
  const Image image = c.makeImage();
  EXPECT_EQ(at(image, 5, 5), (Image::RGBA{0, 0, 255, 255}));  // now top-left
  EXPECT_EQ(at(image, 5, 95).a, 0);
}

TEST(Canvas, FillColourIsPremultipliedAndConvertedToSRGB) {
  Canvas c = Canvas::bitmap(4, 4);
  c.setFillColor(Color::sRGB(1, 0, 0, 0.5));
  c.fillRect(Rect(0, 0, 2, 4));
  c.setFillColor(Color::genericGray(1, 1));
  c.fillRect(Rect(2, 0, 2, 4));
  const Image image = c.makeImage();
  const auto p = at(image, 0, 0);
  EXPECT_NEAR(p.r, 128, 1);
  EXPECT_EQ(p.g, 0);
  EXPECT_NEAR(p.a, 128, 1);
  EXPECT_EQ(at(image, 3, 0), (Image::RGBA{255, 255, 255, 255}));
}

TEST(Canvas, WindingAndEvenOddRulesDiffer) {
  Path nested = rectPath(10, 10, 80, 80);
  nested.addRect(Rect(30, 30, 40, 40));  // same direction: winding number 2 in the middle
  for (bool evenOdd : {false, true}) {
    Canvas c = Canvas::bitmap(100, 100);
    c.fillPath(nested, evenOdd);
    const Image image = c.makeImage();
    EXPECT_EQ(at(image, 20, 50).a, 255);
    EXPECT_EQ(at(image, 50, 50).a, evenOdd ? 0 : 255) << "evenOdd " << evenOdd;
  }
}

TEST(Canvas, ClipLimitsDrawingAndRestoreRemovesIt) {
  Canvas c = Canvas::bitmap(100, 100);
  c.save();
  c.clipToRect(Rect(0, 0, 50, 100));  // left half
  const Rect box = c.clipBoundingBox();
  EXPECT_DOUBLE_EQ(box.width(), 50);
  c.setFillColor(Color::sRGB(0, 1, 0, 1));
  c.fillRect(Rect(0, 0, 100, 100));
  c.restore();
  Image image = c.makeImage();
  EXPECT_EQ(at(image, 25, 50).a, 255);
  EXPECT_EQ(at(image, 75, 50).a, 0);
  // The fill colour was saved too: after restore it is black again.
  EXPECT_EQ(c.fillColor(), Color());
  c.fillRect(Rect(50, 0, 50, 100));
  image = c.makeImage();
  EXPECT_EQ(at(image, 75, 50), (Image::RGBA{0, 0, 0, 255}));
}

TEST(Canvas, UnbalancedRestoreDoesNothing) {
  Canvas c = Canvas::bitmap(10, 10);
  c.restore();
  EXPECT_EQ(c.saveDepth(), 0);
  c.save();
  c.save();
  EXPECT_EQ(c.saveDepth(), 2);
  c.restore();
  c.restore();
  c.restore();
  EXPECT_EQ(c.saveDepth(), 0);
}

TEST(Canvas, NonFiniteCoordinatesDrawNothing) {
  Canvas c = Canvas::bitmap(20, 20);
  Path p;
  p.moveTo({0, 0});
  p.lineTo({kNaN, 10});
  p.lineTo({10, kInf});
  p.close();
  c.fillPath(p);
  c.concatenate(gfx::AffineTransform{kNaN, 0, 0, 1, 0, 0});
  c.fillRect(Rect(0, 0, 20, 20));
  const Image image = c.makeImage();
  for (auto b : image.pixels()) ASSERT_EQ(b, 0);
}

// --- shadows -----------------------------------------------------------------------------

// A red square (40, 40, 20, 20) in base space with a shadow; rows 40...59 in the image.
Image shadowedSquare(gfx::Size offset, double blur, bool flipped) {
  Canvas c = Canvas::bitmap(100, 100);
  if (flipped) {
    c.scale(1, -1);
    c.translate(0, -100);
  }
  c.setShadow(offset, blur, Color::sRGB(0, 0, 0, 0.8));
  c.setFillColor(Color::sRGB(1, 0, 0, 1));
  c.fillRect(Rect(40, 40, 20, 20));
  return c.makeImage();
}

TEST(CanvasShadow, DefaultOffsetFallsRightAndBelowWhateverTheTransform) {
  // The design's default offset (0.2, -0.2) modules at 20 pixels per module.
  for (bool flipped : {false, true}) {
    const Image image = shadowedSquare({4, -4}, 4, flipped);
    save(image, flipped ? "shadow_flipped" : "shadow");
    // Right of the shape and below it: shadow.
    EXPECT_GT(at(image, 62, 55).a, 60) << flipped;
    EXPECT_GT(at(image, 55, 62).a, 60) << flipped;
    // Above-left: nothing (the blur reaches 3 sigma = 6 pixels around the offset copy,
    // which starts 4 pixels right and below).
    EXPECT_LT(at(image, 37, 37).a, 8) << flipped;
    EXPECT_LT(at(image, 45, 37).a, 30) << flipped;
    EXPECT_LT(at(image, 37, 45).a, 30) << flipped;
    // The shape itself stays opaque red on top of its shadow.
    EXPECT_EQ(at(image, 50, 50), (Image::RGBA{255, 0, 0, 255}));
  }
}

TEST(CanvasShadow, BlurZeroGivesAHardOffsetCopy) {
  const Image image = shadowedSquare({10, -10}, 0, false);
  save(image, "shadow_hard");
  // The copy covers (50...69, 50...69) in image coordinates; the shape covers 40...59.
  EXPECT_EQ(at(image, 65, 65), (Image::RGBA{0, 0, 0, 204}));
  EXPECT_EQ(at(image, 69, 69), (Image::RGBA{0, 0, 0, 204}));
  EXPECT_EQ(at(image, 70, 65).a, 0);
  EXPECT_EQ(at(image, 65, 70).a, 0);
  EXPECT_EQ(at(image, 45, 38).a, 0);
}

TEST(CanvasShadow, PositiveHeightMovesUp) {
  const Image image = shadowedSquare({0, 10}, 0, false);
  EXPECT_GT(at(image, 50, 35).a, 0);  // above the shape (rows 30...39)
  EXPECT_EQ(at(image, 50, 65).a, 0);
}

TEST(CanvasShadow, RestoreRemovesTheShadow) {
  Canvas c = Canvas::bitmap(100, 100);
  c.save();
  c.setShadow({10, -10}, 0, Color::sRGB(0, 0, 0, 1));
  EXPECT_TRUE(c.hasShadow());
  c.restore();
  EXPECT_FALSE(c.hasShadow());
  c.setFillColor(Color::sRGB(1, 0, 0, 1));
  c.fillRect(Rect(40, 40, 20, 20));
  const Image image = c.makeImage();
  EXPECT_EQ(at(image, 65, 65).a, 0);
  c.setShadow({10, -10}, 0, Color::sRGB(0, 0, 0, 1));
  c.clearShadow();
  EXPECT_FALSE(c.hasShadow());
}

TEST(CanvasShadow, ShadowIsMadeFromTheUnclippedShapeAndDrawnThroughTheClip) {
  // Clip to the right half; the shape lies in the left half, its shadow falls right.
  Canvas c = Canvas::bitmap(100, 100);
  c.clipToRect(Rect(50, 0, 50, 100));
  c.setShadow({30, 0}, 0, Color::sRGB(0, 0, 1, 1));
  c.setFillColor(Color::sRGB(1, 0, 0, 1));
  c.fillRect(Rect(20, 40, 20, 20));
  const Image image = c.makeImage();
  EXPECT_EQ(at(image, 30, 50).a, 0);                           // the shape: clipped away
  EXPECT_EQ(at(image, 55, 50), (Image::RGBA{0, 0, 255, 255}));  // its shadow: visible
}

TEST(CanvasShadow, InnerShadowFrameDarkensOnlyInsideAndStaysCheap) {
  // The inner-shadow pattern: clip to a small shape, cast the shadow of a 200000-unit
  // even-odd frame around it. Scaled by 10 the frame spans 2 000 000 pixels.
  const long before = maxRSSKilobytes();
  Canvas c = Canvas::bitmap(100, 100);
  c.setFillColor(Color::sRGB(1, 1, 1, 1));
  c.fillRect(Rect(30, 30, 40, 40));
  c.scale(10, 10);
  const Path shape = rectPath(3, 3, 4, 4);
  c.clipToPath(shape);
  Path frame = rectPath(-100000, -100000, 200000, 200000);
  frame.addPath(shape);
  c.setFillColor(Color::sRGB(0, 0, 0, 1));
  c.setShadow({4, -4}, 4, Color::sRGB(0, 0, 0, 1));
  c.fillShadowOfPath(frame, true);
  const Image image = c.makeImage();
  save(image, "inner_shadow_frame");
  EXPECT_LT(maxRSSKilobytes() - before, 64 * 1024);
  // Outside the shape nothing changed.
  EXPECT_EQ(at(image, 10, 10).a, 0);
  EXPECT_EQ(at(image, 90, 90).a, 0);
  // Inside: the frame's shadow falls right and down, so the top and left edges darken.
  const auto topLeftEdge = at(image, 32, 50), bottomRightEdge = at(image, 67, 50), centre = at(image, 50, 50);
  EXPECT_LT(topLeftEdge.r, 128);
  EXPECT_EQ(topLeftEdge.a, 255);
  EXPECT_GT(bottomRightEdge.r, 250);
  EXPECT_GT(centre.r, 250);
}

// --- gradients ---------------------------------------------------------------------------

gfx::Gradient redToBlue() {
  const Color colors[] = {Color::sRGB(1, 0, 0, 1), Color::sRGB(0, 0, 1, 1)};
  const double locations[] = {0, 1};
  return *gfx::Gradient::make(colors, locations);
}

TEST(CanvasGradient, LinearEndsCarryThePinColours) {
  Canvas c = Canvas::bitmap(100, 10);
  c.drawLinearGradient(redToBlue(), {20, 0}, {80, 0}, gfx::GradientExtend::both);
  const Image image = c.makeImage();
  save(image, "linear");
  EXPECT_EQ(at(image, 2, 5), (Image::RGBA{255, 0, 0, 255}));
  EXPECT_EQ(at(image, 97, 5), (Image::RGBA{0, 0, 255, 255}));
  const auto mid = at(image, 50, 5);
  EXPECT_NEAR(mid.r, 128, 6);
  EXPECT_NEAR(mid.b, 128, 6);
}

TEST(CanvasGradient, ExtensionIsPerSide) {
  struct Case {
    gfx::GradientExtend extend;
    bool before, after;
  };
  for (const Case k : {Case{gfx::GradientExtend::none, false, false}, Case{gfx::GradientExtend::before, true, false},
                       Case{gfx::GradientExtend::after, false, true}, Case{gfx::GradientExtend::both, true, true}}) {
    Canvas c = Canvas::bitmap(100, 10);
    c.drawLinearGradient(redToBlue(), {20, 0}, {80, 0}, k.extend);
    const Image image = c.makeImage();
    EXPECT_EQ(at(image, 5, 5).a, k.before ? 255 : 0);
    EXPECT_EQ(at(image, 95, 5).a, k.after ? 255 : 0);
    EXPECT_EQ(at(image, 22, 5).a, 255);  // between the ends it is always drawn
    EXPECT_EQ(at(image, 78, 5).a, 255);
  }
}

TEST(CanvasGradient, RadialRunsFromTheCentreOutwards) {
  Canvas c = Canvas::bitmap(100, 100);
  c.drawRadialGradient(redToBlue(), {50, 50}, 0, {50, 50}, 40, gfx::GradientExtend::both);
  const Image image = c.makeImage();
  save(image, "radial");
  const auto centre = at(image, 50, 50);
  EXPECT_GT(centre.r, 245);
  EXPECT_LT(centre.b, 10);
  EXPECT_EQ(at(image, 2, 2), (Image::RGBA{0, 0, 255, 255}));
}

TEST(CanvasGradient, GradientFollowsTheTransformAndClip) {
  Canvas c = Canvas::bitmap(100, 100);
  c.scale(1, -1);
  c.translate(0, -100);  // y down
  c.clipToRect(Rect(0, 0, 100, 50));  // top half in the flipped space
  c.drawLinearGradient(redToBlue(), {0, 0}, {0, 100}, gfx::GradientExtend::both);
  const Image image = c.makeImage();
  EXPECT_GT(at(image, 50, 1).r, 245);  // top row: the start colour
  EXPECT_EQ(at(image, 50, 75).a, 0);   // bottom half clipped
}

TEST(CanvasGradient, MakeRefusesBadInput) {
  const Color one[] = {Color::sRGB(1, 0, 0, 1)};
  const double two[] = {0, 1};
  const double nan[] = {kNaN};
  EXPECT_FALSE(gfx::Gradient::make(one, two));
  EXPECT_FALSE(gfx::Gradient::make({}, {}));
  EXPECT_FALSE(gfx::Gradient::make(one, nan));
  const double far[] = {7};
  const auto g = gfx::Gradient::make(one, far);
  ASSERT_TRUE(g);
  EXPECT_EQ(g->stops()[0].location, 1.0);
}

// --- images ------------------------------------------------------------------------------

Image redTopBlueBottom() {
  std::vector<std::uint8_t> px;
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) {
      if (y == 0) px.insert(px.end(), {255, 0, 0, 255});
      else px.insert(px.end(), {0, 0, 255, 255});
    }
  return Image::make(2, 2, std::move(px));
}

TEST(CanvasImage, ImageWithARedTopDrawsRedAtTheTop) {
  Canvas c = Canvas::bitmap(100, 100);
  c.setInterpolationQuality(gfx::InterpolationQuality::none);
  c.drawImage(redTopBlueBottom(), Rect(0, 0, 100, 100));
  const Image image = c.makeImage();
  save(image, "image_upright");
  EXPECT_EQ(at(image, 50, 10), (Image::RGBA{255, 0, 0, 255}));
  EXPECT_EQ(at(image, 50, 90), (Image::RGBA{0, 0, 255, 255}));
}

TEST(CanvasImage, FlippedContextShowsItUpsideDownUnlessFlippedBack) {
  // In a y-down space a plain draw is mirrored; the image fill's flip puts it upright.
  for (bool flipBack : {false, true}) {
    Canvas c = Canvas::bitmap(100, 100);
    c.setInterpolationQuality(gfx::InterpolationQuality::none);
    c.scale(1, -1);
    c.translate(0, -100);
    const Rect r(0, 0, 100, 100);
    if (flipBack) {
      c.scale(1, -1);
      c.translate(0, -r.height());
      c.translate(0, -2 * r.minY());
    }
    c.drawImage(redTopBlueBottom(), r);
    const Image image = c.makeImage();
    EXPECT_EQ(at(image, 50, 10).r, flipBack ? 255 : 0) << flipBack;
  }
}

TEST(CanvasImage, DrawsIntoTheRectangleOnlyAndCastsAShadow) {
  Canvas c = Canvas::bitmap(100, 100);
  c.setShadow({5, -5}, 0, Color::sRGB(0, 0, 0, 1));
  c.drawImage(Image::filled(4, 4, {0, 255, 0, 255}), Rect(20, 20, 40, 40));
  const Image image = c.makeImage();
  EXPECT_EQ(at(image, 40, 60), (Image::RGBA{0, 255, 0, 255}));
  EXPECT_EQ(at(image, 62, 70), (Image::RGBA{0, 0, 0, 255}));  // shadow right-below
  EXPECT_EQ(at(image, 10, 10).a, 0);
}

TEST(CanvasImage, GrayImagesDrawAsGray) {
  Canvas c = Canvas::bitmap(10, 10);
  c.drawImage(Image::make(1, 1, {128}, gfx::PixelFormat::gray), Rect(0, 0, 10, 10));
  EXPECT_EQ(at(c.makeImage(), 5, 5), (Image::RGBA{128, 128, 128, 255}));
}

// --- layers and blend modes --------------------------------------------------------------

TEST(CanvasLayer, LayerIsCompositedAsAWholeWithOneShadow) {
  Canvas c = Canvas::bitmap(100, 100);
  c.setShadow({20, 0}, 0, Color::sRGB(0, 0, 1, 1));
  c.beginTransparencyLayer();
  EXPECT_FALSE(c.hasShadow());
  c.setFillColor(Color::sRGB(1, 0, 0, 1));
  c.fillRect(Rect(10, 40, 20, 20));
  c.save();  // left open on purpose: the end closes it
  c.fillRect(Rect(20, 40, 20, 20));
  c.endTransparencyLayer();
  EXPECT_TRUE(c.hasShadow());
  EXPECT_EQ(c.saveDepth(), 0);
  const Image image = c.makeImage();
  save(image, "layer");
  EXPECT_EQ(at(image, 15, 50), (Image::RGBA{255, 0, 0, 255}));
  EXPECT_EQ(at(image, 55, 50), (Image::RGBA{0, 0, 255, 255}));  // the union's shadow
  EXPECT_EQ(at(image, 65, 50).a, 0);
}

TEST(CanvasLayer, EndWithoutBeginDoesNothingAndRestoreStopsAtTheLayer) {
  Canvas c = Canvas::bitmap(10, 10);
  c.endTransparencyLayer();
  c.beginTransparencyLayer();
  c.restore();  // cannot pop the layer
  EXPECT_EQ(c.saveDepth(), 1);
  c.endTransparencyLayer();
  EXPECT_EQ(c.saveDepth(), 0);
}

TEST(CanvasBlend, MultiplyAndCopy) {
  Canvas c = Canvas::bitmap(10, 10);
  c.setFillColor(Color::sRGB(1, 1, 0, 1));
  c.fillRect(Rect(0, 0, 10, 10));
  c.setBlendMode(gfx::BlendMode::multiply);
  c.setFillColor(Color::sRGB(0, 1, 1, 1));
  c.fillRect(Rect(0, 0, 5, 10));
  c.setBlendMode(gfx::BlendMode::copy);
  c.setFillColor(Color::sRGB(0, 0, 0, 0));
  c.fillRect(Rect(5, 0, 5, 10));
  const Image image = c.makeImage();
  EXPECT_EQ(at(image, 2, 5), (Image::RGBA{0, 255, 0, 255}));
  EXPECT_EQ(at(image, 7, 5).a, 0);
}

// --- PDF ---------------------------------------------------------------------------------

TEST(CanvasPDF, DrawsYUpOnOnePageAndCarriesShadows) {
  Canvas c = Canvas::pdf(Rect(0, 0, 200, 100));
  c.setFillColor(Color::sRGB(1, 0, 0, 1));
  c.fillRect(Rect(0, 0, 20, 20));  // bottom-left
  c.setShadow({10, -10}, 2, Color::sRGB(0, 0, 1, 1));
  c.fillRect(Rect(100, 50, 20, 20));
  const foundation::Bytes pdf = c.pdfData();
  EXPECT_EQ(c.pdfData(), pdf);  // finished once; the same bytes again
  const auto info = testsupport::pdfInfo(pdf);
  EXPECT_EQ(info.pageCount, 1);
  EXPECT_DOUBLE_EQ(info.pageSize.width, 200);
  EXPECT_DOUBLE_EQ(info.pageSize.height, 100);
  const Image page = testsupport::rasterizePDF(pdf, 200, 100, Image::RGBA{255, 255, 255, 255});
  save(page, "pdf_page");
  const auto bottomLeft = page.pixelAt(10, 90);
  EXPECT_GT(bottomLeft.r, 240);
  EXPECT_LT(bottomLeft.b, 15);
  // Shape at rows 30...49 (x 100...119); its shadow 10 right and 10 below.
  const auto shadow = page.pixelAt(125, 55);
  EXPECT_GT(shadow.b, 150);
  EXPECT_LT(shadow.r, 60);
}

TEST(CanvasPDF, MediaBoxOriginIsHonoured) {
  Canvas c = Canvas::pdf(Rect(100, 100, 50, 50));
  c.setFillColor(Color::sRGB(0, 1, 0, 1));
  c.fillRect(Rect(100, 100, 10, 10));  // the box's bottom-left corner
  const Image page = testsupport::rasterizePDF(c.pdfData(), 50, 50, Image::RGBA{255, 255, 255, 255});
  EXPECT_LT(page.pixelAt(5, 45).r, 15);
  EXPECT_GT(page.pixelAt(5, 45).g, 240);
  EXPECT_GT(page.pixelAt(45, 5).r, 240);
}

TEST(CanvasShadow, ShapeDrawnWithAShadowMatchesAPlainFill) {
  // An antialiased circle; the shadow falls well away from it, so the circle's own pixels
  // must be those of a plain fill.
  Path circle;
  circle.addEllipse(Rect(10.3, 10.7, 40.5, 40.2));
  Canvas plain = Canvas::bitmap(120, 120);
  plain.setFillColor(Color::sRGB(0.2, 0.4, 0.6, 0.9));
  plain.fillPath(circle);
  Canvas shadowed = Canvas::bitmap(120, 120);
  shadowed.setFillColor(Color::sRGB(0.2, 0.4, 0.6, 0.9));
  shadowed.setShadow({60, 60}, 2, Color::sRGB(0, 0, 0, 1));
  shadowed.fillPath(circle);
  const Image a = plain.makeImage(), b = shadowed.makeImage();
  for (int y = 60; y < 120; ++y)
    for (int x = 0; x < 60; ++x) {
      const auto p = a.pixelAt(x, y), q = b.pixelAt(x, y);
      ASSERT_NEAR(p.r, q.r, 1) << x << "," << y;
      ASSERT_NEAR(p.a, q.a, 1) << x << "," << y;
    }
  // The shadow is there (up and right), with the fill's alpha: 0.9 of full strength.
  EXPECT_NEAR(b.pixelAt(90, 30).a, 0.9 * 255, 2);
}

TEST(CanvasShadow, ShadowOfAPathLeavesThePathItselfUntouched) {
  // A square on the left casts its shadow 50 to the right; only the shadow is drawn, in
  // bitmaps and in PDF (read by poppler) alike, and nothing at all without a shadow.
  for (const bool pdf : {false, true})
    for (const bool shadow : {true, false}) {
      Canvas c = pdf ? Canvas::pdf(Rect(0, 0, 100, 100)) : Canvas::bitmap(100, 100);
      c.setFillColor(Color::sRGB(1, 0, 0, 0.5));
      if (shadow) c.setShadow({50, 0}, 0, Color::sRGB(0, 0, 1, 1));
      c.fillShadowOfPath(rectPath(10, 40, 20, 20));
      const Image page = pdf ? testsupport::rasterizePDF(c.pdfData(), 100, 100) : c.makeImage();
      SCOPED_TRACE(std::string(pdf ? "PDF" : "bitmap") + (shadow ? " with a shadow" : " without"));
      const auto square = testsupport::meanColor(page, 15, 45, 25, 55);  // not filled: white
      EXPECT_GT(std::min({square.r, square.g, square.b}), 252);
      const auto cast = testsupport::meanColor(page, 65, 45, 75, 55);  // its shadow: half blue
      EXPECT_NEAR(cast.r, shadow ? 127.5 : 255, 3);
      EXPECT_GT(cast.b, 252);
    }
}

TEST(CanvasShadow, ShadowAroundAPathLeavesOutWhatThePathCovers) {
  // Two squares overlap in (30...40, 40...50); their shadow falls 15 to the right. Only
  // the shadow outside both squares is drawn, the overlap included, in bitmaps and PDF.
  for (const bool pdf : {false, true}) {
    SCOPED_TRACE(pdf ? "PDF" : "bitmap");
    Canvas c = pdf ? Canvas::pdf(Rect(0, 0, 100, 100)) : Canvas::bitmap(100, 100);
    Path squares = rectPath(10, 30, 30, 30);
    squares.addPath(rectPath(30, 40, 30, 30));
    c.setFillColor(Color::sRGB(1, 1, 1, 1));
    c.setShadow({15, 0}, 0, Color::sRGB(0, 0, 1, 1));
    c.fillShadowAroundPath(squares);
    const Image page = pdf ? testsupport::rasterizePDF(c.pdfData(), 100, 100) : c.makeImage();
    // Red, on white paper, at (x, y) with y counted upwards as the canvas draws: 255 where
    // nothing is drawn, 0 under the blue shadow.
    auto red = [&](int x, int yUp) {
      const auto p = page.pixelAt(x, 99 - yUp);
      return p.r + 255 - p.a;
    };
    EXPECT_GT(red(35, 45), 252) << "the overlap";
    EXPECT_GT(red(50, 45), 252) << "the second square over the first one's shadow";
    EXPECT_LT(red(68, 55), 3) << "beside the second square";
    EXPECT_GT(red(15, 35), 252) << "inside the first square";
    EXPECT_LT(red(45, 35), 3) << "below the second square, right of the first";
  }
}

TEST(CanvasPDF, LayersAndImagesCastShadowsToo) {
  Canvas c = Canvas::pdf(Rect(0, 0, 100, 100));
  c.setShadow({20, 0}, 0, Color::sRGB(0, 0, 1, 1));
  c.beginTransparencyLayer();
  c.setFillColor(Color::sRGB(1, 0, 0, 1));
  c.fillRect(Rect(10, 60, 20, 20));  // top-left area
  c.endTransparencyLayer();
  c.drawImage(Image::filled(2, 2, {0, 255, 0, 255}), Rect(10, 10, 20, 20));  // bottom-left
  const Image page = testsupport::rasterizePDF(c.pdfData(), 100, 100, Image::RGBA{255, 255, 255, 255});
  save(page, "pdf_layer_image");
  EXPECT_GT(page.pixelAt(20, 30).r, 240);  // the layer's square
  EXPECT_LT(page.pixelAt(20, 30).b, 15);
  EXPECT_GT(page.pixelAt(45, 30).b, 240);  // its shadow, 20 to the right
  EXPECT_LT(page.pixelAt(45, 30).r, 15);
  EXPECT_GT(page.pixelAt(20, 80).g, 240);  // the image
  EXPECT_GT(page.pixelAt(45, 80).b, 240);  // its shadow
  EXPECT_LT(page.pixelAt(45, 80).g, 15);
  EXPECT_GT(page.pixelAt(80, 50).r, 240);  // untouched white
}

// --- large images ------------------------------------------------------------------------

// A PDF keeps a picture's own pixels up to 300 an inch at the size it is drawn, across and
// down, and embeds it once for each size: poppler sees each drawing's image at these sizes.
TEST(CanvasImage, PDFKeepsPicturesAtPrintResolutionOncePerSize) {
  const Image picture = Image::filled(2000, 1000, {20, 40, 60, 255});
  Canvas canvas = Canvas::pdf(Rect(0, 0, 500, 400));
  const Rect drawn[] = {{0, 0, 300, 150}, {0, 200, 96, 48}, {100, 200, 96, 48}, {0, 300, 480, 24}};
  for (const Rect& r : drawn) canvas.drawImage(picture, r);
  const foundation::Bytes pdf = canvas.pdfData();
  const std::vector<gfx::Size> expected = {{1250, 625}, {400, 200}, {400, 200}, {2000, 100}};
  EXPECT_EQ(testsupport::pdfInfo(pdf).imagePixels, expected);
  const std::string text(pdf.begin(), pdf.end());
  std::size_t images = 0;
  for (std::size_t at = 0; (at = text.find("/Subtype /Image", at)) != std::string::npos; ++at) ++images;
  EXPECT_EQ(images, 3u);
}

TEST(CanvasImage, LargeImagesAreReducedToWhatTheDrawingShows) {
  // 4096 x 4096 (64 MB): the left half alternates red and blue columns, the right half is
  // green. Drawn at 64 x 64 the left half shows their mean, (127.5, 0, 127.5).
  std::vector<std::uint8_t> pixels(4096u * 4096u * 4u);
  for (std::size_t y = 0; y < 4096; ++y)
    for (std::size_t x = 0; x < 4096; ++x) {
      std::uint8_t* p = &pixels[(y * 4096 + x) * 4];
      p[0] = x < 2048 && x % 2 == 0 ? 255 : 0;
      p[1] = x >= 2048 ? 255 : 0;
      p[2] = x < 2048 && x % 2 == 1 ? 255 : 0;
      p[3] = 255;
    }
  const Image image = Image::make(4096, 4096, std::move(pixels));
  const struct {
    const char* name;
    bool pdf;
  } cases[] = {{"bitmap", false}, {"PDF, the image drawn five times", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // Neither canvas copies the image whole (64 MB), nor does the PDF embed it whole,
    // let alone once per drawing.
    const testsupport::ChildRun run = testsupport::runInChild([&] {
      Canvas canvas = c.pdf ? Canvas::pdf(Rect(0, 0, 64, 64)) : Canvas::bitmap(64, 64);
      for (int i = 0; i < (c.pdf ? 5 : 1); ++i) canvas.drawImage(image, Rect(0, 0, 64, 64));
      const Image drawn = c.pdf ? testsupport::rasterizePDF(canvas.pdfData(), 64, 64) : canvas.makeImage();
      std::string colours;
      for (const int x : {16, 48}) {
        const Image::RGBA p = drawn.pixelAt(x, 32);
        colours += std::to_string(p.r) + "," + std::to_string(p.g) + "," + std::to_string(p.b) + " ";
      }
      return colours;
    });
    ASSERT_TRUE(run.finished);
    EXPECT_LT(run.peakBytes, 32u * 1024u * 1024u);
    int left[3] = {}, right[3] = {};
    ASSERT_EQ(std::sscanf(run.answer.c_str(), "%d,%d,%d %d,%d,%d", &left[0], &left[1], &left[2], &right[0], &right[1],
                          &right[2]),
              6)
        << run.answer;
    EXPECT_NEAR(left[0], 128, 3);
    EXPECT_NEAR(left[1], 0, 3);
    EXPECT_NEAR(left[2], 128, 3);
    EXPECT_EQ(right[0], 0);
    EXPECT_EQ(right[1], 255);
    EXPECT_EQ(right[2], 0);
  }
}
