// The linear and radial gradient fills: settings and JSON, the factory, copies, painting
// (where the gradient's ends fall, clipping, shadows) and the SVG text, which librsvg
// renders back.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "QRCode/core/KvelGradient.hpp"
#include "QRCode/core/QRCodeColor.hpp"
#include "QRCode/core/QRCodeError.hpp"
#include "QRCode/design/QRCodeFillStyleFactory.hpp"
#include "QRCode/design/QRCodeFillStyleLinearGradient.hpp"
#include "QRCode/design/QRCodeFillStyleRadialGradient.hpp"
#include "QRCode/design/QRCodeShadow.hpp"
#include "QRCode/design/QRCodeStyle.hpp"
#include "platform/foundation/Error.hpp"
#include "platform/foundation/Text.hpp"
#include "platform/graphics/Canvas.hpp"
#include "support/Raster.hpp"
#include "support/Expect.hpp"

namespace {

using testsupport::expectError;

using foundation::Settings;
using gfx::Image;

KvelGradient blackToWhite() {
  return KvelGradient({{0.0, qrcolor::sRGB(0, 0, 0, 1)}, {1.0, qrcolor::sRGB(1, 1, 1, 1)}});
}

KvelGradient redToBlue() {
  return KvelGradient({{0.0, qrcolor::sRGB(1, 0, 0, 1)}, {1.0, qrcolor::sRGB(0, 0, 1, 1)}});
}

// A size x size canvas whose y axis points down, as the exports draw.
gfx::Canvas flippedCanvas(int size) {
  gfx::Canvas canvas = gfx::Canvas::bitmap(size, size);
  canvas.scale(1, -1);
  canvas.translate(0, -size);
  return canvas;
}

bool near(Image::RGBA p, int r, int g, int b, int tolerance = 3) {
  return std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance && std::abs(p.b - b) <= tolerance &&
         p.a == 255;
}

std::string svgDocument(int size, const QRCodeFillStyle::SVGDefinition& fill, const std::string& shape) {
  return "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"" +
         std::to_string(size) + "\" height=\"" + std::to_string(size) + "\"><defs>" +
         fill.styleDefinition().value_or("") + "</defs>" + shape.substr(0, shape.size() - 2) + " " +
         fill.styleAttribute() + " /></svg>";
}

}  // namespace

// --- settings ---------------------------------------------------------------------------

TEST(QRCodeFillStyleLinearGradient, SettingsAreWrittenAndReadBack) {
  const auto fill = QRCodeFillStyleLinearGradient::make(KvelGradient::FromRGBAGradientString("0:1,0,0,1|1:0,0,1,0.5"),
                                                        {0.1, 0.25}, {0.9, 1.5});
  const Settings settings = fill->settings();
  EXPECT_EQ(settings, (Settings{{"startX", 0.1}, {"startY", 0.25}, {"endX", 0.9}, {"endY", 1.5},
                                {"gradient", "0.0:1,0,0,1|1.0:0,0,1,0.5"}}));
  EXPECT_TRUE(settings["startX"].is_number_float());

  const auto back = QRCodeFillStyleLinearGradient::CreateWithSettings(settings);
  EXPECT_EQ(back->startPoint(), fill->startPoint());
  EXPECT_EQ(back->endPoint(), fill->endPoint());
  EXPECT_EQ(back->gradient(), fill->gradient());

  // As a record through the factory and through JSON text.
  const auto json = foundation::writeJSON(fill->typeAndSettings());
  ASSERT_TRUE(json.has_value());
  const auto record = foundation::readJSON(*json);
  ASSERT_TRUE(record.has_value());
  EXPECT_EQ((*record)["type"], "lineargradient");
  const auto read = QRCodeFillStyleFactory::shared().CreateWithSettings(*record);
  const auto* linear = dynamic_cast<const QRCodeFillStyleLinearGradient*>(read.get());
  ASSERT_NE(linear, nullptr);
  EXPECT_EQ(linear->endPoint(), (gfx::Point{0.9, 1.5}));
  EXPECT_EQ(linear->gradient(), fill->gradient());
  EXPECT_EQ(read->typeAndSettings(), fill->typeAndSettings());
}

TEST(QRCodeFillStyleRadialGradient, SettingsAreWrittenAndReadBack) {
  const auto fill = QRCodeFillStyleRadialGradient::make(redToBlue(), {0.25, 0.75});
  const Settings settings = fill->settings();
  EXPECT_EQ(settings, (Settings{{"centerX", 0.25}, {"centerY", 0.75}, {"gradient", "0.0:1,0,0,1|1.0:0,0,1,1"}}));
  const auto read = QRCodeFillStyleFactory::shared().CreateWithSettings(fill->typeAndSettings());
  const auto* radial = dynamic_cast<const QRCodeFillStyleRadialGradient*>(read.get());
  ASSERT_NE(radial, nullptr);
  EXPECT_EQ(read->name(), "radialgradient");
  EXPECT_EQ(radial->centerPoint(), (gfx::Point{0.25, 0.75}));
  EXPECT_EQ(radial->gradient(), fill->gradient());
}

TEST(QRCodeFillStyleLinearGradient, ReadingChecksEveryKey) {
  const std::string gradient = "0:0,0,0,1|1:1,1,1,1";
  // Integer coordinates are numbers too.
  const auto ints = QRCodeFillStyleLinearGradient::CreateWithSettings(
      {{"startX", 0}, {"startY", 0}, {"endX", 1}, {"endY", 1}, {"gradient", gradient}});
  EXPECT_EQ(ints->endPoint(), (gfx::Point{1, 1}));
  const struct {
    const char* what;
    Settings settings;
  } refused[] = {
      {"empty", Settings::object()},
      {"not an object", Settings::array({1, 2})},
      {"startX as text", {{"startX", "0"}, {"startY", 0}, {"endX", 1}, {"endY", 1}, {"gradient", gradient}}},
      {"no endY, bad gradient", {{"startX", 0}, {"startY", 0}, {"endX", 1}, {"gradient", "nonsense"}}},
      {"endY null", {{"startX", 0}, {"startY", 0}, {"endX", 1}, {"endY", nullptr}, {"gradient", gradient}}},
      {"no gradient", {{"startX", 0}, {"startY", 0}, {"endX", 1}, {"endY", 1}}},
      {"gradient not text", {{"startX", 0}, {"startY", 0}, {"endX", 1}, {"endY", 1}, {"gradient", 3}}},
  };
  for (const auto& c : refused)
    expectError([&] { QRCodeFillStyleLinearGradient::CreateWithSettings(c.settings); },
                QRCodeError::cannotCreateGenerator, c.what);
  // A malformed gradient text gives the gradient reader's own error.
  expectError([&] {
    QRCodeFillStyleLinearGradient::CreateWithSettings(
        {{"startX", 0}, {"startY", 0}, {"endX", 1}, {"endY", 1}, {"gradient", "0:1,0,0,1"}});
  }, KvelGradient::GradientError::tooFewPins, "one pin");
  expectError([&] {
    QRCodeFillStyleLinearGradient::CreateWithSettings(
        {{"startX", 0}, {"startY", 0}, {"endX", 1}, {"endY", 1}, {"gradient", "0:1,0,1|1:0,0,0,1"}});
  }, KvelGradient::GradientError::invalidColor, "three components");
}

TEST(QRCodeFillStyleRadialGradient, ReadingChecksEveryKey) {
  const std::string gradient = "0:0,0,0,1|1:1,1,1,1";
  const auto ok = QRCodeFillStyleRadialGradient::CreateWithSettings({{"centerX", 1}, {"centerY", 0.5}, {"gradient", gradient}});
  EXPECT_EQ(ok->centerPoint(), (gfx::Point{1, 0.5}));
  const struct {
    const char* what;
    Settings settings;
  } refused[] = {
      {"empty", Settings::object()},
      {"no centerX", {{"centerY", 0.5}, {"gradient", gradient}}},
      {"centerY as text", {{"centerX", 0.5}, {"centerY", "0.5"}, {"gradient", gradient}}},
      {"no gradient", {{"centerX", 0.5}, {"centerY", 0.5}}},
      {"gradient as array", {{"centerX", 0.5}, {"centerY", 0.5}, {"gradient", Settings::array()}}},
  };
  for (const auto& c : refused)
    expectError([&] { QRCodeFillStyleRadialGradient::CreateWithSettings(c.settings); },
                QRCodeError::cannotCreateGenerator, c.what);
  expectError([&] { QRCodeFillStyleRadialGradient::CreateWithSettings({{"centerX", 0}, {"centerY", 0}, {"gradient", "x:1,0,0,1|1:0,0,0,1"}}); },
              KvelGradient::GradientError::invalidPin, "position not a number");
  // A record with settings that are not an object reads as empty settings.
  expectError([&] { QRCodeFillStyleFactory::shared().CreateWithSettings({{"type", "radialgradient"}, {"settings", 5}}); },
              QRCodeError::cannotCreateGenerator, "settings not an object");
}

TEST(QRCodeFillStyleGradients, CopiesAreIndependentWithEqualValues) {
  const auto linear = QRCodeFillStyleLinearGradient::make(blackToWhite(), {0.2, 0.3}, {0.7, 0.8});
  const auto linearCopy = linear->copyStyle();
  ASSERT_NE(linearCopy.get(), linear.get());
  const auto* l = dynamic_cast<const QRCodeFillStyleLinearGradient*>(linearCopy.get());
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(l->gradient(), linear->gradient());
  EXPECT_EQ(l->startPoint(), linear->startPoint());
  EXPECT_EQ(l->endPoint(), linear->endPoint());

  // A gradient built in another colour space is copied into sRGB pins of the same colour.
  const auto radial = QRCodeFillStyleRadialGradient::make(
      KvelGradient({KvelGradientPin(qrcolor::genericGray(0.5, 1), 0), KvelGradientPin(qrcolor::sRGB(1, 0, 0, 1), 1)}, gfx::ColorSpace::sRGB),
      {0.4, 0.6});
  const auto radialCopy = radial->copyStyle();
  auto* r = dynamic_cast<QRCodeFillStyleRadialGradient*>(radialCopy.get());
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->centerPoint(), radial->centerPoint());
  ASSERT_EQ(r->gradient().pins().size(), 2u);
  EXPECT_EQ(qrcolor::rgbaComponents(r->gradient().pins()[0].color()), qrcolor::rgbaComponents(qrcolor::genericGray(0.5, 1)));
  // Moving the copy's centre leaves the source alone.
  r->setCenterPoint({0, 0});
  EXPECT_EQ(radial->centerPoint(), (gfx::Point{0.4, 0.6}));
}

TEST(QRCodeFillStyleGradients, StyleArchiveKeepsGradientFills) {
  auto style = QRCodeStyle::make();
  style->setOnPixels(QRCodeFillStyleLinearGradient::make(redToBlue(), {0, 0}, {1, 0}));
  style->setBackground(QRCodeFillStyleRadialGradient::make(blackToWhite(), {0.5, 0.25}));
  const auto json = foundation::writeJSON(style->settings());
  ASSERT_TRUE(json.has_value());
  const auto read = QRCodeStyle::CreateWithSettings(*foundation::readJSON(*json));
  const auto* onPixels = dynamic_cast<const QRCodeFillStyleLinearGradient*>(read->onPixels().get());
  ASSERT_NE(onPixels, nullptr);
  EXPECT_EQ(onPixels->endPoint(), (gfx::Point{1, 0}));
  const auto* background = dynamic_cast<const QRCodeFillStyleRadialGradient*>(read->background().get());
  ASSERT_NE(background, nullptr);
  EXPECT_EQ(background->centerPoint(), (gfx::Point{0.5, 0.25}));
}

// --- painting ---------------------------------------------------------------------------

TEST(QRCodeFillStyleLinearGradient, BothAxesAreScaledByTheWidth) {
  const auto fill = QRCodeFillStyleLinearGradient::make(blackToWhite(), {0, 0}, {1, 1});
  const auto [start, end] = fill->placement(gfx::Rect(0, 0, 100, 50));
  EXPECT_EQ(start, (gfx::Point{0, 0}));
  EXPECT_EQ(end, (gfx::Point{100, 100}));
  const auto [s2, e2] = QRCodeFillStyleLinearGradient::make(blackToWhite(), {0.5, 0}, {1, 0.5})->placement(gfx::Rect(10, 20, 40, 80));
  EXPECT_EQ(s2, (gfx::Point{30, 20}));
  EXPECT_EQ(e2, (gfx::Point{50, 40}));

  // Painted over (0, 0, 100, 50), the gradient still runs to (100, 100) and covers the
  // whole canvas: at (0, 50) it is a quarter of the way, not a fifth.
  gfx::Canvas canvas = flippedCanvas(100);
  fill->fillWithCtx(canvas, gfx::Rect(0, 0, 100, 50));
  const Image image = canvas.makeImage();
  testsupport::writeImagePNG(image, "linear_rect.png");
  EXPECT_TRUE(near(image.pixelAt(0, 0), 0, 0, 0, 4)) << "start colour at the top left";
  EXPECT_TRUE(near(image.pixelAt(99, 99), 255, 255, 255, 4)) << "end colour at the bottom right";
  EXPECT_TRUE(near(image.pixelAt(0, 50), 64, 64, 64, 4));
  EXPECT_TRUE(near(image.pixelAt(50, 50), 128, 128, 128, 4));
  EXPECT_TRUE(near(image.pixelAt(99, 0), 128, 128, 128, 4));
}

TEST(QRCodeFillStyleLinearGradient, EndColoursContinueBeyondTheEnds) {
  const auto fill = QRCodeFillStyleLinearGradient::make(redToBlue(), {0.25, 0}, {0.75, 0});
  gfx::Canvas canvas = flippedCanvas(100);
  fill->fillWithCtx(canvas, gfx::Rect(0, 0, 100, 100));
  const Image image = canvas.makeImage();
  for (int y : {0, 50, 99}) {
    EXPECT_EQ(image.pixelAt(5, y), (Image::RGBA{255, 0, 0, 255}));
    EXPECT_EQ(image.pixelAt(20, y), (Image::RGBA{255, 0, 0, 255}));
    EXPECT_TRUE(near(image.pixelAt(50, y), 128, 0, 127, 3));
    EXPECT_EQ(image.pixelAt(80, y), (Image::RGBA{0, 0, 255, 255}));
    EXPECT_EQ(image.pixelAt(99, y), (Image::RGBA{0, 0, 255, 255}));
  }
}

TEST(QRCodeFillStyleRadialGradient, CentreAndRadiusFollowTheRectangle) {
  const auto fill = QRCodeFillStyleRadialGradient::make(redToBlue(), {0.5, 0.5});
  const auto p = fill->placement(gfx::Rect(0, 0, 350, 350));
  EXPECT_EQ(p.center, (gfx::Point{175, 175}));
  EXPECT_DOUBLE_EQ(p.endRadius, 200);

  gfx::Canvas canvas = flippedCanvas(350);
  fill->fillWithCtx(canvas, gfx::Rect(0, 0, 350, 350));
  const Image image = canvas.makeImage();
  testsupport::writeImagePNG(image, "radial.png");
  EXPECT_TRUE(near(image.pixelAt(175, 175), 255, 0, 0, 3)) << "first colour at the centre";
  EXPECT_TRUE(near(image.pixelAt(275, 175), 128, 0, 127, 3)) << "half way at radius 100";
  EXPECT_TRUE(near(image.pixelAt(175, 75), 128, 0, 127, 3));
  EXPECT_EQ(image.pixelAt(0, 0), (Image::RGBA{0, 0, 255, 255})) << "corners take the last colour";
  EXPECT_EQ(image.pixelAt(349, 349), (Image::RGBA{0, 0, 255, 255}));
  // The middle of an edge lies inside the radius (175 of 200).
  EXPECT_GT(image.pixelAt(175, 0).r, 20);
}

TEST(QRCodeFillStyleRadialGradient, MovedCentrePaintsAndWritesThere) {
  const auto fill = QRCodeFillStyleRadialGradient::make(redToBlue(), {0.5, 0.5});
  fill->setCenterPoint({0, 1});
  EXPECT_EQ(fill->placement(gfx::Rect(10, 20, 100, 200)).center, (gfx::Point{10, 220}));
  gfx::Canvas canvas = flippedCanvas(100);
  fill->fillWithCtx(canvas, gfx::Rect(0, 0, 100, 100));
  const Image image = canvas.makeImage();
  // Minimum x and maximum y: the bottom-left corner of a y-down canvas.
  EXPECT_TRUE(near(image.pixelAt(0, 99), 255, 0, 0, 4));
  EXPECT_EQ(image.pixelAt(99, 0), (Image::RGBA{0, 0, 255, 255}));
  EXPECT_EQ(fill->settings()["centerY"], 1.0);
  const auto svg = fill->svgRepresentationWithStyleIdentifier("r", 1, nullptr);
  EXPECT_EQ(svg.styleDefinition()->substr(0, 50), "<radialGradient id=\"r\" cx=\"0.0\" cy=\"1.0\" r=\"0.5\">\n");
}

TEST(QRCodeFillStyleGradients, PathsAreClippedAndOneGradientSpansAllShapes) {
  // Two squares painted separately with the rectangle of the whole area: the gradient
  // continues from one to the other; outside the squares nothing is painted.
  const auto fill = QRCodeFillStyleLinearGradient::make(blackToWhite(), {0, 0}, {1, 0});
  gfx::Canvas canvas = flippedCanvas(100);
  gfx::Path left, right;
  left.addRect(gfx::Rect(0, 40, 20, 20));
  right.addRect(gfx::Rect(80, 40, 20, 20));
  for (const gfx::Path* path : {&left, &right}) {
    canvas.save();
    fill->fillWithCtx(canvas, gfx::Rect(0, 0, 100, 100), *path, 10, nullptr);
    canvas.restore();
  }
  EXPECT_EQ(canvas.saveDepth(), 0);
  const Image image = canvas.makeImage();
  testsupport::writeImagePNG(image, "linear_paths.png");
  EXPECT_TRUE(near(image.pixelAt(1, 50), 3, 3, 3, 4));
  EXPECT_TRUE(near(image.pixelAt(98, 50), 252, 252, 252, 4));
  EXPECT_TRUE(near(image.pixelAt(85, 50), 217, 217, 217, 4));
  EXPECT_EQ(image.pixelAt(50, 50).a, 0);
  EXPECT_EQ(image.pixelAt(10, 30).a, 0);
  EXPECT_EQ(image.pixelAt(90, 70).a, 0);
}

TEST(QRCodeFillStyleGradients, ShadowsAreDrawnAfterTheGradient) {
  gfx::Path square;
  square.addRect(gfx::Rect(20, 20, 20, 20));
  const auto fill = QRCodeFillStyleRadialGradient::make(redToBlue(), {0.5, 0.5});
  const QRCodeShadow drop(QRCodeShadow::ShadowType::dropShadow, 0.2, -0.2, 0, qrcolor::sRGB(0, 1, 0, 1));
  const QRCodeShadow inner(QRCodeShadow::ShadowType::innerShadow, 0.2, -0.2, 0, qrcolor::sRGB(0, 1, 0, 1));

  auto paint = [&](const QRCodeShadow* shadow) {
    gfx::Canvas canvas = flippedCanvas(60);
    canvas.save();
    fill->fillWithCtx(canvas, gfx::Rect(0, 0, 60, 60), square, 20, shadow);
    canvas.restore();
    EXPECT_EQ(canvas.saveDepth(), 0);
    EXPECT_FALSE(canvas.hasShadow());
    return canvas.makeImage();
  };
  const Image plain = paint(nullptr), dropped = paint(&drop), inside = paint(&inner);
  testsupport::writeImagePNG(dropped, "gradient_drop.png");
  testsupport::writeImagePNG(inside, "gradient_inner.png");
  // Drop: 4 units right and down, outside the shape only; the gradient is unchanged.
  EXPECT_EQ(dropped.pixelAt(42, 42), (Image::RGBA{0, 255, 0, 255}));
  EXPECT_EQ(dropped.pixelAt(17, 17).a, 0);
  EXPECT_EQ(dropped.pixelAt(30, 30), plain.pixelAt(30, 30));
  EXPECT_EQ(dropped.pixelAt(38, 38), plain.pixelAt(38, 38));
  // Inner: a band inside the top and left edges, the rest of the gradient unchanged,
  // nothing outside.
  EXPECT_EQ(inside.pixelAt(21, 30), (Image::RGBA{0, 255, 0, 255}));
  EXPECT_EQ(inside.pixelAt(30, 21), (Image::RGBA{0, 255, 0, 255}));
  EXPECT_EQ(inside.pixelAt(35, 35), plain.pixelAt(35, 35));
  EXPECT_EQ(inside.pixelAt(42, 42).a, 0);
}

TEST(QRCodeFillStyleGradients, FillToImage) {
  const auto fill = QRCodeFillStyleLinearGradient::make(redToBlue(), {0, 0}, {0, 1});
  const Image down = fill->image(20, true);
  EXPECT_EQ(down.width(), 20);
  EXPECT_TRUE(near(down.pixelAt(10, 0), 255, 0, 0, 16));
  EXPECT_TRUE(near(down.pixelAt(10, 19), 0, 0, 255, 16));
  const Image up = fill->image(20, 10, false);
  EXPECT_EQ(up.height(), 10);
  EXPECT_TRUE(near(up.pixelAt(10, 9), 255, 0, 0, 16));
}

// --- SVG --------------------------------------------------------------------------------

TEST(QRCodeFillStyleLinearGradient, SVGDefinitionAsWritten) {
  const auto fill = QRCodeFillStyleLinearGradient::make(blackToWhite(), {0, 0}, {1, 1});
  const auto svg = fill->svgRepresentationWithStyleIdentifier("fill-a", 10, nullptr);
  EXPECT_EQ(svg.styleAttribute(), "fill=\"url(#fill-a)\" ");
  ASSERT_TRUE(svg.styleDefinition().has_value());
  EXPECT_EQ(*svg.styleDefinition(),
            "<linearGradient id=\"fill-a\" x1=\"0.0\" y1=\"0.0\" x2=\"1.0\" y2=\"1.0\">\n"
            "<stop offset=\"0.0\" stop-color=\"#000000\" stop-opacity=\"1.0\" />\n"
            "<stop offset=\"1.0\" stop-color=\"#ffffff\" stop-opacity=\"1.0\" />\n"
            "</linearGradient>\n");

  // Pins given white first: the same stops in ascending order, the pins unchanged.
  const KvelGradient reversed({KvelGradientPin(qrcolor::sRGB(1, 1, 1, 1), 1), KvelGradientPin(qrcolor::sRGB(0, 0, 0, 1), 0)},
                              gfx::ColorSpace::sRGB);
  const auto pinsBefore = reversed.pins();
  const auto fromReversed = QRCodeFillStyleLinearGradient::make(reversed, {0, 0}, {1, 1});
  EXPECT_EQ(fromReversed->svgRepresentationWithStyleIdentifier("fill-a", 10, nullptr).styleDefinition(),
            svg.styleDefinition());
  EXPECT_EQ(fromReversed->gradient().pins(), pinsBefore);
}

TEST(QRCodeFillStyleGradients, SVGStopsCarryPositionColourAndOpacity) {
  const auto fill = QRCodeFillStyleRadialGradient::make(
      KvelGradient::FromRGBAGradientString("0:1,0,0,1|0.25:0,0.5,1,0.5|0.25:0,0,0,0|1:1,1,1,0.125"), {0.3, 0.7});
  const auto svg = fill->svgRepresentationWithStyleIdentifier("on-pixels", 12, nullptr);
  EXPECT_EQ(svg.styleAttribute(), "fill=\"url(#on-pixels)\" ");
  EXPECT_EQ(*svg.styleDefinition(),
            "<radialGradient id=\"on-pixels\" cx=\"0.3\" cy=\"0.7\" r=\"0.5\">\n"
            "   <stop offset=\"0.0\" stop-color=\"#ff0000\" stop-opacity=\"1.0\" />\n"
            "   <stop offset=\"0.25\" stop-color=\"#007fff\" stop-opacity=\"0.5\" />\n"
            "   <stop offset=\"0.25\" stop-color=\"#000000\" stop-opacity=\"0.0\" />\n"
            "   <stop offset=\"1.0\" stop-color=\"#ffffff\" stop-opacity=\"0.125\" />\n"
            "</radialGradient>\n");
}

TEST(QRCodeFillStyleGradients, SVGWithShadowHoldsTheFilterInsideTheElement) {
  const auto linear = QRCodeFillStyleLinearGradient::make(blackToWhite(), {0, 0}, {1, 1});
  const QRCodeShadow drop;
  const auto a = linear->svgRepresentationWithStyleIdentifier("fill-a", 10, &drop);
  EXPECT_EQ(a.styleAttribute(), "fill=\"url(#fill-a)\" style=\"filter:url(#fill-a-shadow)\"");
  EXPECT_EQ(*a.styleDefinition(),
            "<linearGradient id=\"fill-a\" x1=\"0.0\" y1=\"0.0\" x2=\"1.0\" y2=\"1.0\">\n" +
                drop.svgDropShadowFilter("fill-a-shadow", 10) +
                "<stop offset=\"0.0\" stop-color=\"#000000\" stop-opacity=\"1.0\" />\n"
                "<stop offset=\"1.0\" stop-color=\"#ffffff\" stop-opacity=\"1.0\" />\n"
                "</linearGradient>\n");

  const auto radial = QRCodeFillStyleRadialGradient::make(redToBlue(), {0.5, 0.5});
  const QRCodeShadow inner(QRCodeShadow::ShadowType::innerShadow, 0.1, 0.3, 2, qrcolor::sRGB(0, 0, 1, 0.5));
  const auto b = radial->svgRepresentationWithStyleIdentifier("eye", 7.5, &inner);
  EXPECT_EQ(b.styleAttribute(), "fill=\"url(#eye)\" style=\"filter:url(#eye-shadow)\"");
  EXPECT_EQ(*b.styleDefinition(),
            "<radialGradient id=\"eye\" cx=\"0.5\" cy=\"0.5\" r=\"0.5\">\n" + inner.svgInnerShadowFilter("eye-shadow", 7.5) +
                "   <stop offset=\"0.0\" stop-color=\"#ff0000\" stop-opacity=\"1.0\" />\n"
                "   <stop offset=\"1.0\" stop-color=\"#0000ff\" stop-opacity=\"1.0\" />\n"
                "</radialGradient>\n");
}

TEST(QRCodeFillStyleGradients, SVGRendersWithLibrsvgLikeThePaint) {
  const auto linear = QRCodeFillStyleLinearGradient::make(redToBlue(), {0, 0}, {1, 0});
  const std::string doc = svgDocument(100, linear->svgRepresentationWithStyleIdentifier("g", 1, nullptr),
                                      "<rect x=\"0\" y=\"0\" width=\"100\" height=\"100\" />");
  const Image image = testsupport::rasterizeSVG(foundation::bytesOf(doc), 100, 100);
  testsupport::writeImagePNG(image, "linear_svg.png");
  EXPECT_TRUE(near(image.pixelAt(0, 50), 255, 0, 0, 5));
  EXPECT_TRUE(near(image.pixelAt(99, 50), 0, 0, 255, 5));
  EXPECT_TRUE(near(image.pixelAt(50, 10), 128, 0, 127, 6));

  // The radial definition is in the element's bounding box: centre in the middle of the
  // circle, last colour at half the box.
  const auto radial = QRCodeFillStyleRadialGradient::make(redToBlue(), {0.5, 0.5});
  const std::string rdoc = svgDocument(100, radial->svgRepresentationWithStyleIdentifier("r", 1, nullptr),
                                       "<rect x=\"20\" y=\"20\" width=\"60\" height=\"60\" />");
  const Image rimage = testsupport::rasterizeSVG(foundation::bytesOf(rdoc), 100, 100);
  testsupport::writeImagePNG(rimage, "radial_svg.png");
  EXPECT_TRUE(near(rimage.pixelAt(50, 50), 255, 0, 0, 8));
  EXPECT_TRUE(near(rimage.pixelAt(21, 21), 0, 0, 255, 5));
  EXPECT_EQ(rimage.pixelAt(10, 10).a, 0);
}
