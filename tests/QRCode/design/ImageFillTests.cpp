// The image fill: painting (stretching, orientation in the exports' y-down canvases,
// clipping, shadows, no picture), the SVG pattern as written and as librsvg draws it, and
// the settings with their PNG text.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "QRCode/core/QRCodeColor.hpp"
#include "QRCode/core/QRCodeError.hpp"
#include "QRCode/design/QRCodeFillStyleFactory.hpp"
#include "QRCode/design/QRCodeFillStyleImage.hpp"
#include "QRCode/design/QRCodeShadow.hpp"
#include "QRCode/design/QRCodeStyle.hpp"
#include "imageio/ImageExport.hpp"
#include "imageio/ImageLoad.hpp"
#include "platform/foundation/Error.hpp"
#include "platform/foundation/Text.hpp"
#include "platform/graphics/Canvas.hpp"
#include "support/Raster.hpp"
#include "support/Expect.hpp"

namespace {

using testsupport::expectError;

using foundation::Settings;
using gfx::Image;

constexpr Image::RGBA kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255}, kBlue{0, 0, 255, 255};

// 4 x 2: the top row green, red, red, red; the bottom row blue.
Image picture() {
  std::vector<std::uint8_t> px;
  for (const Image::RGBA p : {kGreen, kRed, kRed, kRed, kBlue, kBlue, kBlue, kBlue})
    px.insert(px.end(), {p.r, p.g, p.b, p.a});
  return Image::make(4, 2, std::move(px));
}

// A larger picture whose JPEG is well over 48 bytes: red top half, blue bottom half.
Image photo(int w = 64, int h = 48) {
  std::vector<std::uint8_t> px;
  px.reserve(static_cast<std::size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const Image::RGBA p = y < h / 2 ? kRed : kBlue;
      px.insert(px.end(), {p.r, p.g, p.b, static_cast<std::uint8_t>(x < 4 ? 255 : p.a)});
    }
  return Image::make(w, h, std::move(px));
}

gfx::Canvas flippedCanvas(int size) {
  gfx::Canvas canvas = gfx::Canvas::bitmap(size, size);
  canvas.scale(1, -1);
  canvas.translate(0, -size);
  return canvas;
}

std::string withoutLineFeeds(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '\n'), text.end());
  return text;
}

}  // namespace

// --- painting ---------------------------------------------------------------------------

TEST(QRCodeFillStyleImage, StretchedUprightOverTheRectangleInAYDownCanvas) {
  const auto fill = QRCodeFillStyleImage::make(picture());
  gfx::Canvas canvas = flippedCanvas(100);
  fill->fillWithCtx(canvas, gfx::Rect(0, 0, 100, 100));
  EXPECT_EQ(canvas.saveDepth(), 0);
  const Image image = canvas.makeImage();
  testsupport::writeImagePNG(image, "image_fill.png");
  // The red top stays at the top, the green pixel at the top left; 4 x 2 becomes 100 x 100.
  EXPECT_EQ(image.pixelAt(10, 10), kGreen);
  EXPECT_EQ(image.pixelAt(60, 10), kRed);
  EXPECT_EQ(image.pixelAt(90, 15), kRed);
  EXPECT_EQ(image.pixelAt(10, 90), kBlue);
  EXPECT_EQ(image.pixelAt(90, 85), kBlue);
  // In between the two rows are interpolated.
  EXPECT_GT(image.pixelAt(90, 50).r, 60);
  EXPECT_GT(image.pixelAt(90, 50).b, 60);
}

TEST(QRCodeFillStyleImage, MirroredAgainstAPlainDrawInAYUpCanvas) {
  gfx::Canvas canvas = gfx::Canvas::bitmap(80, 80);
  QRCodeFillStyleImage::make(picture())->fillWithCtx(canvas, gfx::Rect(0, 0, 80, 80));
  const Image image = canvas.makeImage();
  EXPECT_EQ(image.pixelAt(40, 5), kBlue);
  EXPECT_EQ(image.pixelAt(5, 75), kGreen);
  // The fill-to-image operation shows the same: upright only when flipped.
  const auto fill = QRCodeFillStyleImage::make(picture());
  EXPECT_EQ(fill->image(8, true).pixelAt(0, 0), kGreen);
  EXPECT_EQ(fill->image(8, true).pixelAt(7, 7), kBlue);
  EXPECT_EQ(fill->image(8, false).pixelAt(0, 7), kGreen);
}

TEST(QRCodeFillStyleImage, ARectangleAwayFromTheOriginIsCoveredExactly) {
  const auto fill = QRCodeFillStyleImage::make(picture());
  gfx::Canvas canvas = flippedCanvas(100);
  fill->fillWithCtx(canvas, gfx::Rect(20, 10, 60, 40));
  const Image image = canvas.makeImage();
  EXPECT_EQ(image.pixelAt(19, 30).a, 0);
  EXPECT_EQ(image.pixelAt(80, 30).a, 0);
  EXPECT_EQ(image.pixelAt(50, 9).a, 0);
  EXPECT_EQ(image.pixelAt(50, 50).a, 0);
  EXPECT_EQ(image.pixelAt(22, 12), kGreen);
  EXPECT_EQ(image.pixelAt(70, 12), kRed);
  EXPECT_EQ(image.pixelAt(50, 48), kBlue);
}

TEST(QRCodeFillStyleImage, PathsShowThePartOfThePictureUnderThem) {
  const auto fill = QRCodeFillStyleImage::make(picture());
  gfx::Canvas canvas = flippedCanvas(100);
  gfx::Path topRight, bottomLeft;
  topRight.addRect(gfx::Rect(60, 0, 40, 40));
  bottomLeft.addEllipse(gfx::Rect(0, 60, 40, 40));
  for (const gfx::Path* path : {&topRight, &bottomLeft}) {
    canvas.save();
    fill->fillWithCtx(canvas, gfx::Rect(0, 0, 100, 100), *path, 10, nullptr);
    canvas.restore();
  }
  const Image image = canvas.makeImage();
  testsupport::writeImagePNG(image, "image_paths.png");
  EXPECT_EQ(image.pixelAt(80, 20), kRed);
  EXPECT_EQ(image.pixelAt(20, 80), kBlue);
  EXPECT_EQ(image.pixelAt(10, 10).a, 0) << "the green corner lies under no shape";
  EXPECT_EQ(image.pixelAt(50, 50).a, 0);
  EXPECT_EQ(image.pixelAt(2, 62).a, 0) << "outside the circle";
}

TEST(QRCodeFillStyleImage, ShadowsAroundAndInsideTheShape) {
  gfx::Path square;
  square.addRect(gfx::Rect(20, 20, 20, 20));
  const auto fill = QRCodeFillStyleImage::make(photo());
  const QRCodeShadow drop(QRCodeShadow::ShadowType::dropShadow, 0.2, -0.2, 0, qrcolor::sRGB(0, 0, 0, 1));
  const QRCodeShadow inner(QRCodeShadow::ShadowType::innerShadow, 0.2, -0.2, 0, qrcolor::sRGB(0, 0, 0, 1));
  auto paint = [&](const QRCodeShadow* shadow) {
    gfx::Canvas canvas = flippedCanvas(60);
    canvas.save();
    fill->fillWithCtx(canvas, gfx::Rect(0, 0, 60, 60), square, 20, shadow);
    canvas.restore();
    return canvas.makeImage();
  };
  const Image dropped = paint(&drop), inside = paint(&inner);
  testsupport::writeImagePNG(dropped, "image_drop.png");
  EXPECT_EQ(dropped.pixelAt(30, 25), kRed);
  EXPECT_EQ(dropped.pixelAt(30, 35), kBlue);
  EXPECT_EQ(dropped.pixelAt(42, 42), (Image::RGBA{0, 0, 0, 255}));
  EXPECT_EQ(dropped.pixelAt(17, 17).a, 0);
  EXPECT_EQ(inside.pixelAt(21, 30), (Image::RGBA{0, 0, 0, 255}));
  EXPECT_EQ(inside.pixelAt(35, 35), kBlue);
  EXPECT_EQ(inside.pixelAt(42, 42).a, 0);
}

TEST(QRCodeFillStyleImage, WithoutAPicture) {
  const auto fill = QRCodeFillStyleImage::make(std::nullopt);
  EXPECT_FALSE(fill->image().has_value());
  EXPECT_FALSE(QRCodeFillStyleImage::make(Image())->image().has_value()) << "an empty image is no picture";
  gfx::Path square;
  square.addRect(gfx::Rect(5, 5, 20, 20));
  const QRCodeShadow drop, inner(QRCodeShadow::ShadowType::innerShadow, 0.2, 0.2, 1, qrcolor::sRGB(0, 0, 0, 1));
  gfx::Canvas canvas = flippedCanvas(30);
  canvas.setFillColor(qrcolor::sRGB(0, 1, 0, 1));
  canvas.fillRect(gfx::Rect(0, 0, 30, 15));
  const Image before = canvas.makeImage();
  fill->fillWithCtx(canvas, gfx::Rect(0, 0, 30, 30));
  fill->fillWithCtx(canvas, gfx::Rect(0, 0, 30, 30), square, 10, nullptr);
  fill->fillWithCtx(canvas, gfx::Rect(0, 0, 30, 30), square, 10, &drop);
  fill->fillWithCtx(canvas, gfx::Rect(0, 0, 30, 30), square, 10, &inner);
  EXPECT_EQ(canvas.makeImage(), before);
  EXPECT_EQ(canvas.saveDepth(), 0);
  EXPECT_FALSE(canvas.hasShadow());

  expectError([&] { fill->svgRepresentationWithStyleIdentifier("a", 1, nullptr); }, QRCodeError::cannotGenerateImage);
  expectError([&] { fill->settings(); }, QRCodeError::cannotGenerateImageBase64);
  expectError([&] { fill->typeAndSettings(); }, QRCodeError::cannotGenerateImageBase64);
  const auto copy = fill->copyStyle();
  ASSERT_NE(copy.get(), fill.get());
  EXPECT_FALSE(dynamic_cast<const QRCodeFillStyleImage&>(*copy).image().has_value());
}

TEST(QRCodeFillStyleImage, PictureCanBeReplacedAndCopiesAreIndependent) {
  const auto fill = QRCodeFillStyleImage::make(picture());
  const auto copy = fill->copyStyle();
  fill->setImage(photo());
  EXPECT_EQ(fill->image()->width(), 64);
  const auto& copied = dynamic_cast<const QRCodeFillStyleImage&>(*copy);
  ASSERT_TRUE(copied.image().has_value());
  EXPECT_EQ(*copied.image(), picture());
  fill->setImage(std::nullopt);
  EXPECT_TRUE(copied.image().has_value());
  EXPECT_EQ(fill->image(8, true).pixelAt(4, 4).a, 0);
}

// --- SVG --------------------------------------------------------------------------------

TEST(QRCodeFillStyleImage, SVGPatternAsWritten) {
  const auto fill = QRCodeFillStyleImage::make(picture());
  const auto svg = fill->svgRepresentationWithStyleIdentifier("fill-a", 10, nullptr);
  EXPECT_EQ(svg.styleAttribute(), "fill=\"url(#fill-a)\" fill-opacity=\"1\" ");
  ASSERT_TRUE(svg.styleDefinition().has_value());
  const std::string& d = *svg.styleDefinition();
  const std::string head =
      "<pattern id=\"fill-a\" x=\"0\" y=\"0\" width=\"1\" height=\"1\"  viewBox=\"0 0 4 2\"  "
      "preserveAspectRatio=\"xMidYMid slice\">\n<image width=\"4\" height=\"2\"  xlink:href=\"data:image/jpeg;base64,";
  const std::string tail = "\" x=\"0\" y=\"0\" /></pattern>";
  ASSERT_EQ(d.substr(0, head.size()), head);
  ASSERT_GE(d.size(), head.size() + tail.size());
  EXPECT_EQ(d.substr(d.size() - tail.size()), tail);
  // The embedded data is the picture as JPEG.
  const std::string base64 = d.substr(head.size(), d.size() - head.size() - tail.size());
  const auto jpeg = foundation::base64Decode(withoutLineFeeds(base64));
  ASSERT_TRUE(jpeg.has_value());
  EXPECT_EQ(*jpeg, imageio::encodeImageData(picture(), ImageExportType::jpg(1)));
  const Image decoded = imageio::loadImageFromData(*jpeg);
  EXPECT_EQ(decoded.width(), 4);
  EXPECT_EQ(decoded.height(), 2);
}

TEST(QRCodeFillStyleImage, SVGBreaksBase64LinesButSettingsDoNot) {
  const auto fill = QRCodeFillStyleImage::make(photo());
  const std::string d = *fill->svgRepresentationWithStyleIdentifier("p", 1, nullptr).styleDefinition();
  const std::string marker = "base64,";
  const std::size_t start = d.find(marker) + marker.size();
  const std::size_t end = d.find('"', start);
  const std::string base64 = d.substr(start, end - start);
  const auto jpeg = foundation::base64Decode(withoutLineFeeds(base64));
  ASSERT_TRUE(jpeg.has_value());
  ASSERT_GT(jpeg->size(), 48u);
  // Every line but the last holds exactly 64 characters.
  std::size_t lines = 0, from = 0;
  for (;;) {
    const std::size_t lf = base64.find('\n', from);
    if (lf == std::string::npos) {
      EXPECT_LE(base64.size() - from, 64u);
      break;
    }
    EXPECT_EQ(lf - from, 64u);
    from = lf + 1;
    ++lines;
  }
  EXPECT_EQ(lines, (withoutLineFeeds(base64).size() - 1) / 64);
  EXPECT_EQ(base64.find('\r'), std::string::npos);

  const auto text = foundation::stringValue(fill->settings(), "imagePNGbase64");
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(text->find('\n'), std::string::npos);
}

TEST(QRCodeFillStyleImage, SVGWithShadowAppendsTheFilter) {
  const auto fill = QRCodeFillStyleImage::make(picture());
  const auto plain = fill->svgRepresentationWithStyleIdentifier("fill-a", 10, nullptr);
  const QRCodeShadow drop;
  const auto a = fill->svgRepresentationWithStyleIdentifier("fill-a", 10, &drop);
  EXPECT_EQ(a.styleAttribute(), "fill=\"url(#fill-a)\" fill-opacity=\"1\" style=\"filter:url(#fill-a-shadow)\"");
  EXPECT_EQ(*a.styleDefinition(), *plain.styleDefinition() + drop.svgDropShadowFilter("fill-a-shadow", 10));
  const QRCodeShadow inner(QRCodeShadow::ShadowType::innerShadow, 0.5, 0.5, 1, qrcolor::sRGB(1, 0, 0, 1));
  const auto b = fill->svgRepresentationWithStyleIdentifier("eye", 4, &inner);
  EXPECT_EQ(*b.styleDefinition(),
            *fill->svgRepresentationWithStyleIdentifier("eye", 4, nullptr).styleDefinition() +
                inner.svgInnerShadowFilter("eye-shadow", 4));
}

TEST(QRCodeFillStyleImage, SVGPatternRendersUprightWithLibrsvg) {
  const auto fill = QRCodeFillStyleImage::make(photo());
  const auto svg = fill->svgRepresentationWithStyleIdentifier("on-pixels", 10, nullptr);
  const std::string doc =
      "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"120\" "
      "height=\"90\"><defs>" + *svg.styleDefinition() + "</defs><rect x=\"0\" y=\"0\" width=\"120\" height=\"90\" " +
      svg.styleAttribute() + " /></svg>";
  const Image image = testsupport::rasterizeSVG(foundation::bytesOf(doc), 120, 90);
  testsupport::writeImagePNG(image, "image_svg.png");
  const auto top = testsupport::meanColor(image, 20, 5, 100, 35);
  const auto bottom = testsupport::meanColor(image, 20, 55, 100, 85);
  EXPECT_GT(top.r, 230);
  EXPECT_LT(top.b, 25);
  EXPECT_GT(bottom.b, 230);
  EXPECT_LT(bottom.r, 25);
}

// --- settings ---------------------------------------------------------------------------

TEST(QRCodeFillStyleImage, SettingsHoldThePictureAsPNG) {
  const Image source = photo();
  const auto fill = QRCodeFillStyleImage::make(source);
  const Settings settings = fill->settings();
  ASSERT_EQ(settings.size(), 1u);
  const auto text = foundation::stringValue(settings, "imagePNGbase64");
  ASSERT_TRUE(text.has_value());
  const auto png = foundation::base64Decode(*text);
  ASSERT_TRUE(png.has_value());
  EXPECT_TRUE(imageio::isPNGData(*png));
  EXPECT_EQ(imageio::loadImageFromData(*png), source);

  const auto back = QRCodeFillStyleImage::CreateWithSettings(settings);
  ASSERT_TRUE(back->image().has_value());
  EXPECT_EQ(*back->image(), source);

  // As a record through JSON text and the factory, and inside a style.
  const auto json = foundation::writeJSON(fill->typeAndSettings());
  ASSERT_TRUE(json.has_value());
  const auto read = QRCodeFillStyleFactory::shared().CreateWithSettings(*foundation::readJSON(*json));
  EXPECT_EQ(read->name(), "image");
  EXPECT_EQ(*dynamic_cast<const QRCodeFillStyleImage&>(*read).image(), source);
  auto style = QRCodeStyle::make();
  style->setOnPixels(fill);
  const auto restored = QRCodeStyle::CreateWithSettings(*foundation::readJSON(*foundation::writeJSON(style->settings())));
  const auto* onPixels = dynamic_cast<const QRCodeFillStyleImage*>(restored->onPixels().get());
  ASSERT_NE(onPixels, nullptr);
  EXPECT_EQ(onPixels->image()->width(), 64);
}

TEST(QRCodeFillStyleImage, SettingsReaderAcceptsOtherFormatsAndRefusesTheRest) {
  const Image source = photo();
  for (const auto& type : {ImageExportType::jpg(1, 0.9), ImageExportType::gif(), ImageExportType::tiff(1)}) {
    const std::string text = foundation::base64Encode(imageio::encodeImageData(source, type));
    const auto fill = QRCodeFillStyleImage::CreateWithSettings({{"imagePNGbase64", text}});
    ASSERT_TRUE(fill->image().has_value());
    EXPECT_EQ(fill->image()->width(), 64);
    EXPECT_EQ(fill->image()->height(), 48);
  }
  const std::string png = foundation::base64Encode(imageio::encodeImageData(source, ImageExportType::png(1)));
  const struct {
    const char* what;
    Settings settings;
  } refused[] = {
      {"empty", Settings::object()},
      {"not an object", Settings("abc")},
      {"missing", {{"image", png}}},
      {"not text", {{"imagePNGbase64", 12}}},
      {"line feed", {{"imagePNGbase64", png.substr(0, 64) + "\n" + png.substr(64)}}},
      {"line breaks as written with them", {{"imagePNGbase64", foundation::base64Encode(imageio::encodeImageData(source, ImageExportType::png(1)), true)}}},
      {"not base64", {{"imagePNGbase64", "%%%%"}}},
      {"not an image", {{"imagePNGbase64", foundation::base64Encode(foundation::bytesOf("hello there"))}}},
      {"truncated image", {{"imagePNGbase64", foundation::base64Encode(foundation::bytesOf(foundation::stringOf(*foundation::base64Decode(png)).substr(0, 100)))}}},
  };
  for (const auto& c : refused)
    expectError([&] { QRCodeFillStyleImage::CreateWithSettings(c.settings); }, QRCodeError::cannotCreateGenerator, c.what);
  expectError([&] { QRCodeFillStyleFactory::shared().CreateWithSettings({{"type", "image"}}); },
              QRCodeError::cannotCreateGenerator, "record without settings");
}
