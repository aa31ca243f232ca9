#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "QRCode/core/QRCodeColor.hpp"
#include "QRCode/core/QRCodeError.hpp"
#include "QRCode/design/QRCodeFillStyleFactory.hpp"
#include "QRCode/design/QRCodeFillStyleSolid.hpp"
#include "QRCode/design/QRCodeShadow.hpp"
#include "platform/foundation/Error.hpp"
#include "platform/foundation/Text.hpp"
#include "platform/graphics/Canvas.hpp"
#include "support/Raster.hpp"
#include "support/Expect.hpp"

namespace {

using testsupport::expectError;

using foundation::Settings;

TEST(QRCodeFillStyleFactory, KnownTypesInRegistrationOrder) {
  EXPECT_EQ(QRCodeFillStyleFactory::shared().knownTypes(),
            (std::vector<std::string>{"solid", "lineargradient", "radialgradient", "image"}));
  EXPECT_EQ(&QRCodeFillStyleFactory::shared(), &QRCodeFillStyleFactory::shared());
}

TEST(QRCodeFillStyleFactory, ReadsASolidRecord) {
  const Settings record = {{"type", "solid"}, {"settings", {{"color", "1.0,1.0,1.0,1.0"}}}};
  const auto fill = QRCodeFillStyleFactory::shared().CreateWithSettings(record);
  ASSERT_NE(fill, nullptr);
  EXPECT_EQ(fill->name(), "solid");
  const auto* solid = dynamic_cast<const QRCodeFillStyleSolid*>(fill.get());
  ASSERT_NE(solid, nullptr);
  EXPECT_EQ(qrcolor::rgbaComponents(solid->color()), RGBAComponents(1, 1, 1, 1));
  // Writing it gives the record back.
  EXPECT_EQ(fill->typeAndSettings(), record);
}

TEST(QRCodeFillStyleFactory, RefusesBadRecords) {
  const auto& factory = QRCodeFillStyleFactory::shared();
  const struct {
    const char* what;
    Settings record;
  } cases[] = {
      {"empty record", Settings::object()},
      {"not an object", Settings::array({1})},
      {"no type", {{"settings", {{"color", "1.0,1.0,1.0,1.0"}}}}},
      {"type not text", {{"type", 1}, {"settings", {{"color", "1.0,1.0,1.0,1.0"}}}}},
      {"names are case-sensitive", {{"type", "Solid"}, {"settings", {{"color", "1.0,1.0,1.0,1.0"}}}}},
      {"unknown family", {{"type", "plaid"}, {"settings", Settings::object()}}},
      {"solid without settings", {{"type", "solid"}}},
      {"settings not an object", {{"type", "solid"}, {"settings", "color"}}},
      {"color not text", {{"type", "solid"}, {"settings", {{"color", 1}}}}},
      {"family not in this build", {{"type", "lineargradient"}, {"settings", Settings::object()}}},
  };
  for (const auto& c : cases)
    expectError([&] { factory.CreateWithSettings(c.record); }, QRCodeError::cannotCreateGenerator, c.what);
  // A malformed colour text gives the colour reader's own error.
  expectError([&] { factory.CreateWithSettings({{"type", "solid"}, {"settings", {{"color", "1,0,0"}}}}); },
              RGBAComponentsError::unableToUnarchiveColor, "three components");
}

TEST(QRCodeFillStyleSolid, Constructors) {
  EXPECT_EQ(QRCodeFillStyleSolid::withSrgbRed(1, 0, 0.5, 0.25)->color(), gfx::Color::sRGB(1, 0, 0.5, 0.25));
  EXPECT_EQ(QRCodeFillStyleSolid::withGenericRGB(1, 0, 0.5)->color(), gfx::Color::genericRGB(1, 0, 0.5, 1));
  EXPECT_EQ(QRCodeFillStyleSolid::withGray(0.5, 0.5)->color(), gfx::Color::genericGray(0.5, 0.5));
  const auto hex = QRCodeFillStyleSolid::withHexString("#1a2b3c80");
  EXPECT_EQ(hex->color().space(), gfx::ColorSpace::sRGB);
  EXPECT_DOUBLE_EQ(hex->color().alpha(), 128.0 / 255.0);
  expectError([] { QRCodeFillStyleSolid::withHexString("#12345"); }, QRCodeError::invalidHexColorString);
  expectError([] { QRCodeFillStyleSolid::withHexString("0xffffff"); }, QRCodeError::invalidHexColorString);
}

TEST(QRCodeFillStyleSolid, CopyIsDistinctWithEqualColour) {
  const auto fill = QRCodeFillStyleSolid::withSrgbRed(0.2, 0.4, 0.6, 0.8);
  const auto copy = fill->copyStyle();
  ASSERT_NE(copy.get(), fill.get());
  const auto* solid = dynamic_cast<const QRCodeFillStyleSolid*>(copy.get());
  ASSERT_NE(solid, nullptr);
  EXPECT_EQ(solid->color(), fill->color());
}

TEST(QRCodeFillStyleSolid, SVGAttributes) {
  const auto clear = QRCodeFillStyle::clear();
  EXPECT_EQ(clear.get(), QRCodeFillStyle::clear().get());
  const auto clearSVG = clear->svgRepresentationWithStyleIdentifier("fill-a", 10, nullptr);
  EXPECT_EQ(clearSVG.styleAttribute(), "fill=\"#000000\" fill-opacity=\"0.0\" ");
  EXPECT_FALSE(clearSVG.styleDefinition().has_value());

  const auto white = QRCodeFillStyleSolid::withSrgbRed(1, 1, 1, 1)->svgRepresentationWithStyleIdentifier("f", 1, nullptr);
  EXPECT_EQ(white.styleAttribute(), "fill=\"#ffffff\" fill-opacity=\"1.0\" ");
  const auto half = QRCodeFillStyleSolid::withSrgbRed(0.5, 0, 1, 0.5)->svgRepresentationWithStyleIdentifier("f", 1, nullptr);
  EXPECT_EQ(half.styleAttribute(), "fill=\"#7f00ff\" fill-opacity=\"0.5\" ");
  const auto tiny = QRCodeFillStyleSolid::withSrgbRed(0, 0, 0, 0.00001)->svgRepresentationWithStyleIdentifier("f", 1, nullptr);
  EXPECT_EQ(tiny.styleAttribute(), "fill=\"#000000\" fill-opacity=\"1e-05\" ");
}

TEST(QRCodeFillStyleSolid, SVGWithShadow) {
  const auto fill = QRCodeFillStyleSolid::withSrgbRed(1, 0, 0, 1);
  const QRCodeShadow drop;
  const auto a = fill->svgRepresentationWithStyleIdentifier("fill-a", 10, &drop);
  EXPECT_EQ(a.styleAttribute(), "fill=\"#ff0000\" fill-opacity=\"1.0\" style=\"filter:url(#fill-a-shadow)\"");
  ASSERT_TRUE(a.styleDefinition().has_value());
  EXPECT_EQ(*a.styleDefinition(), drop.svgDropShadowFilter("fill-a-shadow", 10));

  const QRCodeShadow inner(QRCodeShadow::ShadowType::innerShadow, 0.1, 0.1, 2, qrcolor::sRGB(0, 0, 1, 1));
  const auto b = fill->svgRepresentationWithStyleIdentifier("p", 5, &inner);
  ASSERT_TRUE(b.styleDefinition().has_value());
  EXPECT_EQ(*b.styleDefinition(), inner.svgInnerShadowFilter("p-shadow", 5));
}

TEST(QRCodeFillStyleSolid, SettingsRoundTrip) {
  const auto fill = QRCodeFillStyleSolid::withSrgbRed(0.5, 0.25, 0.0, 1.0);
  const Settings s = fill->settings();
  EXPECT_EQ(s, (Settings{{"color", "0.5,0.25,0.0,1.0"}}));
  const auto back = QRCodeFillStyleSolid::CreateWithSettings(s);
  EXPECT_EQ(qrcolor::rgbaComponents(back->color()), RGBAComponents(0.5, 0.25, 0.0, 1.0));
  expectError([] { QRCodeFillStyleSolid::CreateWithSettings(Settings::object()); }, QRCodeError::cannotCreateGenerator);
}

TEST(QRCodeFillStyleSolid, ImageOfTheFill) {
  const auto fill = QRCodeFillStyleSolid::withSrgbRed(1, 0, 0, 1);
  for (bool flipped : {false, true}) {
    const gfx::Image image = fill->image(2, flipped);
    ASSERT_EQ(image.width(), 2);
    ASSERT_EQ(image.height(), 2);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 2; ++x) EXPECT_EQ(image.pixelAt(x, y), (gfx::Image::RGBA{255, 0, 0, 255}));
  }
  const gfx::Image wide = fill->image(5, 3, false);
  EXPECT_EQ(wide.width(), 5);
  EXPECT_EQ(wide.height(), 3);
  for (std::int64_t bad : {std::int64_t{0}, std::int64_t{-4}, std::int64_t{1} << 40})
    expectError([&] { fill->image(bad, 2, false); }, QRCodeError::cannotGenerateImage, std::to_string(bad));
}

// A 60 x 60 canvas flipped so that y grows downwards, as the bitmap exports draw.
gfx::Canvas flippedCanvas() {
  gfx::Canvas canvas = gfx::Canvas::bitmap(60, 60);
  canvas.scale(1, -1);
  canvas.translate(0, -60);
  return canvas;
}

gfx::Path centreSquare() {
  gfx::Path p;
  p.addRect(gfx::Rect(20, 20, 20, 20));
  return p;
}

TEST(QRCodeFillStyleSolid, PaintsAPathWithADropShadow) {
  gfx::Canvas canvas = flippedCanvas();
  const auto fill = QRCodeFillStyleSolid::withSrgbRed(1, 0, 0, 1);
  // Offset (0.2, -0.2) modules of 20 units: 4 units right and, with y growing downwards on
  // the page, 4 units below; blur 0 gives a hard copy.
  const QRCodeShadow shadow(QRCodeShadow::ShadowType::dropShadow, 0.2, -0.2, 0, qrcolor::sRGB(0, 0, 0, 1));
  canvas.save();
  fill->fillWithCtx(canvas, gfx::Rect(0, 0, 60, 60), centreSquare(), 20, &shadow);
  canvas.restore();
  const gfx::Image image = canvas.makeImage();
  testsupport::writeImagePNG(image, "design_solid_drop_shadow.png");
  EXPECT_EQ(image.pixelAt(30, 30), (gfx::Image::RGBA{255, 0, 0, 255}));  // the shape
  EXPECT_EQ(image.pixelAt(42, 42).a, 255);                               // shadow, below right
  EXPECT_EQ(image.pixelAt(42, 42).r, 0);
  EXPECT_EQ(image.pixelAt(17, 17).a, 0);                                 // nothing above left
  EXPECT_EQ(image.pixelAt(45, 45).a, 0);                                 // beyond the shadow
}

TEST(QRCodeFillStyleSolid, PaintsAPathWithAnInnerShadow) {
  gfx::Canvas canvas = flippedCanvas();
  const auto fill = QRCodeFillStyleSolid::withSrgbRed(1, 1, 1, 1);
  const QRCodeShadow shadow(QRCodeShadow::ShadowType::innerShadow, 0.2, -0.2, 0, qrcolor::sRGB(0, 0, 0, 1));
  canvas.save();
  fill->fillWithCtx(canvas, gfx::Rect(0, 0, 60, 60), centreSquare(), 20, &shadow);
  canvas.restore();
  const gfx::Image image = canvas.makeImage();
  testsupport::writeImagePNG(image, "design_solid_inner_shadow.png");
  // The frame's shadow falls 4 units right and down over the shape: a dark band inside the
  // top and left edges, white elsewhere inside, nothing outside.
  EXPECT_EQ(image.pixelAt(22, 30), (gfx::Image::RGBA{0, 0, 0, 255}));
  EXPECT_EQ(image.pixelAt(30, 22), (gfx::Image::RGBA{0, 0, 0, 255}));
  EXPECT_EQ(image.pixelAt(35, 35), (gfx::Image::RGBA{255, 255, 255, 255}));
  EXPECT_EQ(image.pixelAt(10, 10).a, 0);
  EXPECT_EQ(image.pixelAt(50, 50).a, 0);
  EXPECT_EQ(canvas.saveDepth(), 0);
}

TEST(QRCodeFillStyle, OuterShadowPassShowsOnlyTheShadow) {
  // A shape painted without a shadow (as a gradient is), then the outer pass: the shadow
  // appears around the shape while the shape keeps its own colour (the white fill that
  // casts the shadow lies outside the clip).
  gfx::Canvas canvas = flippedCanvas();
  canvas.setFillColor(qrcolor::sRGB(0, 0, 1, 1));
  canvas.fillPath(centreSquare());
  const QRCodeShadow shadow(QRCodeShadow::ShadowType::dropShadow, 0.2, -0.2, 0, qrcolor::sRGB(1, 0, 0, 1));
  QRCodeFillStyle::outerShadowPass(canvas, gfx::Rect(0, 0, 60, 60), centreSquare(), shadow, 20);
  EXPECT_EQ(canvas.saveDepth(), 0);
  EXPECT_FALSE(canvas.hasShadow());
  const gfx::Image image = canvas.makeImage();
  testsupport::writeImagePNG(image, "design_outer_shadow.png");
  EXPECT_EQ(image.pixelAt(30, 30), (gfx::Image::RGBA{0, 0, 255, 255}));
  EXPECT_EQ(image.pixelAt(42, 42), (gfx::Image::RGBA{255, 0, 0, 255}));
  EXPECT_EQ(image.pixelAt(17, 17).a, 0);
}

TEST(QRCodeFillStyleSolid, SVGShadowFilterRendersWithLibrsvg) {
  const auto fill = QRCodeFillStyleSolid::withSrgbRed(1, 0, 0, 1);
  const QRCodeShadow shadow(QRCodeShadow::ShadowType::dropShadow, 0.2, -0.2, 0.5, qrcolor::sRGB(0, 0, 0, 1));
  const auto svg = fill->svgRepresentationWithStyleIdentifier("fill-a", 20, &shadow);
  ASSERT_TRUE(svg.styleDefinition().has_value());
  const std::string doc =
      "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"60\" height=\"60\" "
      "viewBox=\"0 0 60 60\"><defs>" + *svg.styleDefinition() + "</defs><rect x=\"20\" y=\"20\" width=\"20\" "
      "height=\"20\" " + svg.styleAttribute() + " /></svg>";
  const gfx::Image image = testsupport::rasterizeSVG(foundation::bytesOf(doc), 60, 60);
  testsupport::writeImagePNG(image, "design_solid_svg_shadow.png");
  const auto shape = testsupport::meanColor(image, 25, 25, 35, 35);
  EXPECT_GT(shape.r, 200);
  EXPECT_LT(shape.g, 60);
  // The shadow shows below right of the shape and not above left.
  const auto belowRight = testsupport::meanColor(image, 41, 41, 43, 43);
  EXPECT_LT(belowRight.r, 128);
  const auto aboveLeft = testsupport::meanColor(image, 16, 16, 18, 18);
  EXPECT_GT(aboveLeft.r, 240);
  EXPECT_GT(aboveLeft.g, 240);
}

}  // namespace
