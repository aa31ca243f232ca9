// The SVG export: the exact text of small documents, the placement of every element and
// definition, errors, and whole codes rendered by librsvg, compared with the bitmap export
// and decoded with ZXing and zbar.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "QRCode/core/QRCodeColor.hpp"
#include "QRCode/design/QRCodeDesign.hpp"
#include "QRCode/design/QRCodeFillStyleLinearGradient.hpp"
#include "QRCode/design/QRCodeFillStyleSolid.hpp"
#include "QRCode/design/QRCodeLogoTemplate.hpp"
#include "QRCode/eye/QRCodeEyeShapesRounded.hpp"
#include "QRCode/eye/QRCodePupilShapesRounded.hpp"
#include "QRCode/pixel/CommonPixelShapes.hpp"
#include "QRCode/pixel/QRCodePixelInsetGenerator.hpp"
#include "QRCode/render/QRCodeImageExports.hpp"
#include "QRCode/render/QRCodeSVGExport.hpp"
#include "imageio/ImageLoad.hpp"
#include "support/Raster.hpp"
#include "support/Expect.hpp"
#include "support/FixedEngine.hpp"
#include "support/TestData.hpp"

namespace {

using testsupport::expectError;

const std::string kURL = "https://vidlumen.example.com/wallpaper/aurora-Xy12?utm_source=share";

// A code of an n x n matrix with exactly the given modules on.
QRCode fixedCode(std::int64_t n, std::initializer_list<std::pair<int, int>> on) {
  std::vector<bool> cells(static_cast<std::size_t>(n * n), false);
  for (const auto& [r, c] : on) cells[static_cast<std::size_t>(r * n + c)] = true;
  return QRCode("x", QRCode::ErrorCorrection::low, std::make_shared<testsupport::FixedEngine>(QRCodeBoolMatrix(n, std::move(cells))));
}

const QRCode& urlCode() {
  static const QRCode qr(kURL, QRCode::ErrorCorrection::quartile);
  return qr;
}

std::size_t count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
  return n;
}

// The text between the first occurrence of `from` and the next `to` after it.
std::string between(const std::string& text, const std::string& from, const std::string& to) {
  const auto a = text.find(from);
  if (a == std::string::npos) return {};
  const auto b = text.find(to, a + from.size());
  if (b == std::string::npos) return {};
  return text.substr(a + from.size(), b - a - from.size());
}

gfx::Image rasterize(const std::string& svgText, int side) {
  return testsupport::rasterizeSVG(foundation::bytesOf(svgText), side, side);
}

// A logo whose top half is red and bottom half blue.
gfx::Image redTopBlueBottom(int w = 40, int h = 40) {
  std::vector<std::uint8_t> px(static_cast<std::size_t>(w * h * 4));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      auto* p = &px[static_cast<std::size_t>((y * w + x) * 4)];
      p[0] = y < h / 2 ? 255 : 0;
      p[2] = y < h / 2 ? 0 : 255;
      p[3] = 255;
    }
  return gfx::Image::make(w, h, std::move(px));
}

// A fill whose SVG text cannot be made.
class FailingFill final : public QRCodeFillStyleGenerator {
 public:
  std::string_view name() const override { return "failing"; }
  std::shared_ptr<QRCodeFillStyleGenerator> copyStyle() const override { return std::make_shared<FailingFill>(); }
  foundation::Settings settings() const override { return foundation::Settings::object(); }
  void fillWithCtx(gfx::Canvas&, const gfx::Rect&) const override {}
  void fillWithCtx(gfx::Canvas&, const gfx::Rect&, const gfx::Path&, double, const QRCodeShadow*) const override {}
  QRCodeFillStyle::SVGDefinition svgRepresentationWithStyleIdentifier(std::string_view, double,
                                                                      const QRCodeShadow*) const override {
    foundation::raise(RGBAComponentsError::unableToConvertToRGBA, "test fill");
  }
};

// A fill whose SVG text is given: a caller's own fill generator may hand over any bytes.
class TextFill final : public QRCodeFillStyleGenerator {
 public:
  TextFill(std::string attribute, std::optional<std::string> definition)
      : attribute_(std::move(attribute)), definition_(std::move(definition)) {}
  std::string_view name() const override { return "text"; }
  std::shared_ptr<QRCodeFillStyleGenerator> copyStyle() const override {
    return std::make_shared<TextFill>(attribute_, definition_);
  }
  foundation::Settings settings() const override { return foundation::Settings::object(); }
  void fillWithCtx(gfx::Canvas&, const gfx::Rect&) const override {}
  void fillWithCtx(gfx::Canvas&, const gfx::Rect&, const gfx::Path&, double, const QRCodeShadow*) const override {}
  QRCodeFillStyle::SVGDefinition svgRepresentationWithStyleIdentifier(std::string_view, double,
                                                                      const QRCodeShadow*) const override {
    return {attribute_, definition_};
  }

 private:
  std::string attribute_;
  std::optional<std::string> definition_;
};

// --- exact text ------------------------------------------------------------------------

// A 19-module matrix drawn at 190 units: cell 10, so the 90-unit eye templates land one to
// one in the top-left box, mirrored top to bottom (then moved down 100) at the bottom
// left, and left to right (then moved right 100) at the top right. The one on module at
// row 9, column 9 lies outside the finder areas.
TEST(SVGExport, ExactTextOfTheDefaultDesign) {
  const QRCode qr = fixedCode(19, {{9, 9}, {0, 0}, {2, 3}});
  QRCodeDesign design;
  const std::string expected =
      "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" version=\"1.1\" "
      "height=\"190\" width=\"190\">\n"
      "   <rect id='background-shape' fill=\"#ffffff\" fill-opacity=\"1.0\"  x=\"0\" y=\"0\" width=\"190\" "
      "height=\"190\" />\n"
      // Pupils: the square pupil (30, 30, 30, 30) in each box.
      "   <path id='pupil-shape' fill=\"#000000\" fill-opacity=\"1.0\"  d=\""
      "M30 30 L60 30 L60 60 L30 60 Z "
      "M30 160 L60 160 L60 130 L30 130 Z "
      "M160 30 L130 30 L130 60 L160 60 Z \" />\n"
      // Eyes: the square eye's two rings in each box.
      "   <path id='eye-shape' fill=\"#000000\" fill-opacity=\"1.0\"  d=\""
      "M70 70 L20 70 L20 20 L70 20 L70 70 Z M80 80 C80,80 80,10 80,10 L10 10 L10 80 L80 80 L80 80 Z "
      "M70 120 L20 120 L20 170 L70 170 L70 120 Z M80 110 C80,110 80,180 80,180 L10 180 L10 110 L80 110 L80 110 Z "
      "M120 70 L170 70 L170 20 L120 20 L120 70 Z M110 80 C110,80 110,10 110,10 L180 10 L180 80 L110 80 L110 80 Z "
      "\" />\n"
      // The one module outside the border ring and the finder areas.
      "   <path id='on-pixels-shape' fill=\"#000000\" fill-opacity=\"1.0\"  d=\"M90 90 L100 90 L100 100 L90 100 Z \" />\n"
      "</svg>\n";
  EXPECT_EQ(qrrender::svg(qr, 190, design, nullptr), expected);
  EXPECT_EQ(qrrender::svgData(qr, 190, design, nullptr), foundation::bytesOf(expected));
  EXPECT_EQ(qrrender::svgWithDimension(qr, 190, design, nullptr), expected);
}

TEST(SVGExport, ExactTextWithoutBackgroundWithEyeBackgroundAndCornerRadius) {
  const QRCode qr = fixedCode(19, {{9, 9}});
  QRCodeDesign design;
  auto& style = *design.style();
  style.setBackground(nullptr);
  style.setEyeBackground(gfx::Color::sRGB(1, 0, 0, 0.5));
  style.setOnPixels(QRCodeFillStyleSolid::withSrgbRed(0, 0, 1, 0.25));
  style.setEye(QRCodeFillStyleSolid::withSrgbRed(0, 0.5, 0));
  style.setPupil(QRCodeFillStyleSolid::withSrgbRed(1, 1, 0));
  const std::string text = qrrender::svg(qr, 190, design, nullptr);
  // No background: the header is followed directly by the component elements.
  const std::string header =
      "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" version=\"1.1\" "
      "height=\"190\" width=\"190\">\n";
  ASSERT_EQ(text.substr(0, header.size()), header);
  // The eye background: the square eye's full box in each corner, plain colour attributes.
  const std::string eyeBackground =
      "   <path id='eye-background-shape' fill=\"#ff0000\" fill-opacity=\"0.5\" d=\""
      "M0 90 L90 90 L90 0 L0 0 Z "
      "M0 100 L90 100 L90 190 L0 190 Z "
      "M190 90 L100 90 L100 0 L190 0 Z \" />\n";
  EXPECT_EQ(text.substr(header.size(), eyeBackground.size()), eyeBackground);
  // Each element carries its own fill: green (0.5 x 255 truncated is 127) eyes, yellow
  // pupils, translucent blue modules.
  EXPECT_NE(text.find("<path id='pupil-shape' fill=\"#ffff00\" fill-opacity=\"1.0\"  d=\"M30 30 "), std::string::npos);
  EXPECT_NE(text.find("<path id='eye-shape' fill=\"#007f00\" fill-opacity=\"1.0\"  d=\"M70 70 "), std::string::npos);
  EXPECT_NE(text.find("<path id='on-pixels-shape' fill=\"#0000ff\" fill-opacity=\"0.25\"  d=\"M90 90 "),
            std::string::npos);
  EXPECT_EQ(count(text, "<path"), 4u);
  EXPECT_EQ(text.find("<defs>"), std::string::npos) << "solid fills without shadow define nothing";
}

TEST(SVGExport, BackgroundCornerRadiusIsTruncatedToWholeUnits) {
  struct Case {
    std::int64_t modules;
    std::int64_t dimension;
    double fraction;
    std::string expected;  // the rest of the rect element after the height
  };
  const Case cases[] = {
      {25, 300, 0.0, " />\n"},                              // cell 12, no radius
      {25, 300, 0.5, " rx=\"6px\" ry=\"6px\" />\n"},        // 12 x 0.5
      {20, 230, 0.5, " rx=\"5px\" ry=\"5px\" />\n"},        // cell 11.5: 5.75 truncated
      {25, 300, 0.01, " rx=\"0px\" ry=\"0px\" />\n"},       // 0.12 truncated, still written
      {25, 300, 1e300, " rx=\"150px\" ry=\"150px\" />\n"},  // limited to half the side
      {25, 300, std::numeric_limits<double>::infinity(), " rx=\"150px\" ry=\"150px\" />\n"},
      {25, 300, std::numeric_limits<double>::quiet_NaN(), " />\n"},
      {25, 300, -1.0, " />\n"},
  };
  for (const auto& c : cases) {
    const QRCode qr = fixedCode(c.modules, {});
    QRCodeDesign design;
    design.style()->setBackgroundFractionalCornerRadius(c.fraction);
    const std::string text = qrrender::svg(qr, c.dimension, design, nullptr);
    const std::string d = std::to_string(c.dimension);
    const std::string rect = "   <rect id='background-shape' fill=\"#ffffff\" fill-opacity=\"1.0\"  x=\"0\" y=\"0\" "
                             "width=\"" + d + "\" height=\"" + d + "\"" + c.expected;
    EXPECT_NE(text.find(rect), std::string::npos) << c.fraction << "\n" << text.substr(0, 400);
  }
}

// --- geometry --------------------------------------------------------------------------

TEST(SVGExport, ModuleSizeAndQuietZone) {
  // 25 modules at 300, no quiet zone: cell 12, seen in the module's square and in the
  // shadow offset (0.25 modules = 3 units; the height's sign is turned for SVG).
  {
    const QRCode qr = fixedCode(25, {{12, 12}});
    QRCodeDesign design;
    design.style()->setShadow(std::make_shared<QRCodeShadow>(QRCodeShadow::ShadowType::dropShadow, 0.25, -0.25, 4.0,
                                                             gfx::Color::sRGB(0, 0, 0, 0.8)));
    const std::string text = qrrender::svg(qr, 300, design, nullptr);
    EXPECT_NE(text.find("height=\"300\" width=\"300\">\n"), std::string::npos);
    EXPECT_NE(text.find("d=\"M144 144 L156 144 L156 156 L144 156 Z \""), std::string::npos);
    EXPECT_EQ(count(text, "      dx='3.0'\n"), 3u);
    EXPECT_EQ(count(text, "      dy='3.0'\n"), 3u);
  }
  // 21 modules at 250 with 2 modules of quiet zone: cell 10, everything moved by 20.
  {
    const QRCode qr = fixedCode(21, {{9, 9}});
    QRCodeDesign design;
    design.setAdditionalQuietZonePixels(2);
    const std::string text = qrrender::svg(qr, 250, design, nullptr);
    EXPECT_NE(text.find("width=\"250\" height=\"250\" />"), std::string::npos) << "the background covers it all";
    EXPECT_NE(text.find("<path id='on-pixels-shape' fill=\"#000000\" fill-opacity=\"1.0\"  "
                        "d=\"M110 110 L120 110 L120 120 L110 120 Z \""),
              std::string::npos);
    // The top-left pupil (30...60 of 90, one unit per module tenth) starts 20 in.
    EXPECT_NE(text.find("<path id='pupil-shape' fill=\"#000000\" fill-opacity=\"1.0\"  d=\"M50 50 L80 50 L80 80 "),
              std::string::npos);
  }
  // Fractional cells: numbers get at most three fraction digits.
  {
    const QRCode qr = fixedCode(21, {{9, 9}});
    QRCodeDesign design;
    const std::string text = qrrender::svg(qr, 100, design, nullptr);  // cell 4.7619...
    EXPECT_NE(text.find("d=\"M42.857 42.857 L47.619 42.857 L47.619 47.619 L42.857 47.619 Z \""),
              std::string::npos)
        << text;
  }
}

TEST(SVGExport, ZeroDimensionIsAnEmptyPictureNotAnError) {
  const QRCode qr = fixedCode(19, {{9, 9}});
  QRCodeDesign design;
  const std::string text = qrrender::svg(qr, 0, design, nullptr);
  EXPECT_NE(text.find("height=\"0\" width=\"0\">\n"), std::string::npos);
  EXPECT_NE(text.find("<rect id='background-shape' fill=\"#ffffff\" fill-opacity=\"1.0\"  x=\"0\" y=\"0\" "
                      "width=\"0\" height=\"0\" />"),
            std::string::npos);
  EXPECT_NE(text.find("<path id='pupil-shape' fill=\"#000000\" fill-opacity=\"1.0\"  d=\"M0 0 L0 0 L0 0 L0 0 Z M0 0 "),
            std::string::npos);
}

// --- layers ----------------------------------------------------------------------------

TEST(SVGExport, NegatedOnPixelsOnlyWritesOnlyTheNegatedLayers) {
  QRCodeDesign design;
  design.shape()->setNegatedOnPixelsOnly(true);
  design.style()->setOnPixelsBackground(gfx::Color::sRGB(0, 0, 1, 1));
  design.style()->setEyeBackground(gfx::Color::sRGB(1, 0, 0, 1));
  design.style()->setOffPixels(QRCodeFillStyleSolid::withSrgbRed(0, 1, 0));
  design.style()->setOffPixelsBackground(gfx::Color::sRGB(0, 1, 0, 1));
  design.style()->setBackground(QRCodeFillStyleSolid::withGray(0.0));
  design.style()->setOnPixels(QRCodeFillStyleSolid::withGray(1.0));
  const std::string text = qrrender::svg(urlCode(), 400, design, nullptr);
  EXPECT_EQ(count(text, "<path"), 2u);
  const auto background = text.find("<path id='on-pixels-background-shape' fill=\"#0000ff\"");
  const auto onPixels = text.find("<path id='on-pixels-shape' fill=\"#ffffff\"");
  ASSERT_NE(background, std::string::npos);
  ASSERT_NE(onPixels, std::string::npos);
  EXPECT_LT(background, onPixels);
  for (const char* absent : {"eye-shape", "pupil-shape", "eye-background", "off-pixels"})
    EXPECT_EQ(text.find(absent), std::string::npos) << absent;
  // White modules on black: the light parts are the off modules, which decoders read as
  // an inverted code.
  design.style()->setOnPixelsBackground(std::nullopt);
  const gfx::Image image = rasterize(qrrender::svg(urlCode(), 400, design, nullptr), 400);
  testsupport::writeImagePNG(image, "svg-negated.png");
  EXPECT_TRUE(testsupport::decodeImage(image).bothRead(kURL));
}

TEST(SVGExport, LayerOrderAndWhichBackgroundsAreWritten) {
  QRCodeDesign design;
  auto& style = *design.style();
  style.setEyeBackground(gfx::Color::sRGB(1, 1, 0, 1));
  style.setOffPixelsBackground(gfx::Color::sRGB(0, 1, 1, 1));
  style.setOnPixelsBackground(gfx::Color::sRGB(1, 0, 1, 1));
  // Without an off-pixel shape neither the off-pixels nor their background are drawn (the
  // fill alone is not enough), as in the bitmap.
  style.setOffPixels(QRCodeFillStyleSolid::withSrgbRed(0.8, 0.8, 0.8));
  std::string text = qrrender::svg(urlCode(), 300, design, nullptr);
  std::vector<std::string> ids;
  for (auto at = text.find("<path id='"); at != std::string::npos; at = text.find("<path id='", at + 1))
    ids.push_back(text.substr(at + 10, text.find('\'', at + 10) - at - 10));
  EXPECT_EQ(ids, (std::vector<std::string>{"eye-background-shape", "pupil-shape", "eye-shape",
                                           "on-pixels-background-shape", "on-pixels-shape"}));

  // With an off-pixel shape and fill, the off-pixels come after their background.
  design.shape()->setOffPixels(QRCodePixelShapeCircle::Create());
  text = qrrender::svg(urlCode(), 300, design, nullptr);
  const auto offBackground = text.find("<path id='off-pixels-background-shape' fill=\"#00ffff\"");
  ASSERT_NE(offBackground, std::string::npos);
  const auto off = text.find("<path id='off-pixels-shape' fill=\"#cccccc\"");
  ASSERT_NE(off, std::string::npos);
  EXPECT_LT(offBackground, off);
  EXPECT_LT(off, text.find("on-pixels-background-shape"));

  // A shape without the fill writes no off-pixels and no off-pixel background.
  style.setOffPixels(nullptr);
  text = qrrender::svg(urlCode(), 300, design, nullptr);
  EXPECT_EQ(text.find("off-pixels"), std::string::npos);
}

TEST(SVGExport, ShadowFiltersAreDefinedInDocumentOrder) {
  QRCodeDesign design;
  design.style()->setShadow(std::make_shared<QRCodeShadow>());
  design.style()->setOnPixelsBackground(gfx::Color::sRGB(1, 0, 1, 1));
  design.style()->setEyeBackground(gfx::Color::sRGB(1, 1, 0, 1));
  design.shape()->setOffPixels(QRCodePixelShapeCircle::Create());
  design.style()->setOffPixels(QRCodeFillStyleSolid::withSrgbRed(0.8, 0.8, 0.8));
  design.style()->setOffPixelsBackground(gfx::Color::sRGB(0, 1, 1, 1));
  const std::string text = qrrender::svg(urlCode(), 300, design, nullptr);
  const auto defs = text.find("<defs>\n");
  ASSERT_NE(defs, std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 15), "</defs>\n</svg>\n");
  // The shadowed layers (eyes, pupils, on-pixel background, on-pixels) refer to their own
  // filters; the background, the eye background and the off-pixel layers cast none.
  EXPECT_NE(text.find("<path id='pupil-shape' fill=\"#000000\" fill-opacity=\"1.0\" "
                      "style=\"filter:url(#pupil-fill-shadow)\" d=\""),
            std::string::npos);
  EXPECT_NE(text.find("style=\"filter:url(#eye-outer-fill-shadow)\""), std::string::npos);
  EXPECT_NE(text.find("style=\"filter:url(#on-pixels-shadow)\""), std::string::npos);
  EXPECT_NE(text.find("style=\"filter:url(#on-pixels-background-color-shadow)\""), std::string::npos);
  EXPECT_EQ(count(text, "<filter"), 4u);
  const auto pupil = text.find("id='pupil-fill-shadow'");
  const auto eye = text.find("id='eye-outer-fill-shadow'");
  const auto onBackground = text.find("id='on-pixels-background-color-shadow'");
  const auto on = text.find("id='on-pixels-shadow'");
  EXPECT_LT(defs, pupil);
  EXPECT_LT(pupil, eye);
  EXPECT_LT(eye, onBackground);
  EXPECT_LT(onBackground, on);
  for (const char* unshadowed : {"<rect id='background-shape' ", "<path id='eye-background-shape' ",
                                 "<path id='off-pixels-background-shape' ", "<path id='off-pixels-shape' "}) {
    const std::string attributes = between(text, unshadowed, "/>\n");
    EXPECT_FALSE(attributes.empty()) << unshadowed;
    EXPECT_EQ(attributes.find("filter"), std::string::npos) << unshadowed;
  }
  // The definitions follow one another directly.
  EXPECT_NE(text.find("<defs>\n<filter\n"), std::string::npos);
  EXPECT_NE(text.find("   </filter>\n<filter\n"), std::string::npos);
}

TEST(SVGExport, GradientDefinitionStandsInsideDefsAfterTheLogo) {
  QRCodeDesign design;
  design.style()->setOnPixels(QRCodeFillStyleLinearGradient::make(
      KvelGradient(std::vector<std::pair<double, gfx::Color>>{{0.0, gfx::Color::sRGB(0, 0, 0.6, 1)},
                                                              {1.0, gfx::Color::sRGB(0.5, 0, 0, 1)}})));
  const auto logo = QRCodeLogoTemplate::SquareCenterWithImage(redTopBlueBottom(), 0);
  const std::string text = qrrender::svg(urlCode(), 400, design, logo.get());
  const auto image = text.find(" <image ");
  const auto defs = text.find("<defs>\n");
  const auto gradient = text.find("<linearGradient");
  const auto clip = text.find("   <clipPath id=\"logo-mask\">");
  ASSERT_NE(image, std::string::npos);
  ASSERT_NE(gradient, std::string::npos);
  EXPECT_LT(image, defs);
  EXPECT_LT(defs, gradient);
  EXPECT_LT(gradient, clip) << "the logo's clip path is the last definition";
  EXPECT_LT(clip, text.find("</defs>\n</svg>\n"));
  const gfx::Image picture = rasterize(text, 400);
  testsupport::writeImagePNG(picture, "svg-gradient-logo.png");
  EXPECT_TRUE(testsupport::decodeImage(picture).bothRead(kURL));
}

// --- logo ------------------------------------------------------------------------------

TEST(SVGExport, LogoImageAndClipPath) {
  // 21 modules at 250 with 2 modules of quiet zone: code area (20, 20, 210, 210).
  const QRCode qr = fixedCode(21, {{9, 9}});
  QRCodeDesign design;
  design.setAdditionalQuietZonePixels(2);
  const gfx::Image logoImage = redTopBlueBottom(40, 30);
  const auto logo = QRCodeLogoTemplate::SquareCenterWithImage(logoImage, 3);
  const std::string text = qrrender::svg(qr, 250, design, logo.get());

  // The square (0.375 ... 0.625) of 210 is 78.75 ... 131.25, less 3 on each side, moved by
  // 20: x = y = 101.75, side 46.5.
  const std::string start =
      " <image x=\"101.75\" y=\"101.75\" width=\"46.5\" height=\"46.5\"  preserveAspectRatio=\"none\" "
      "clip-path=\"url(#logo-mask)\" xlink:href=\"data:image/png;base64,";
  const auto at = text.find(start);
  ASSERT_NE(at, std::string::npos) << text;
  // The image element is the last element and no line feed follows it.
  const auto end = text.find("\" />", at);
  ASSERT_NE(end, std::string::npos);
  EXPECT_EQ(text.substr(end, 11), "\" /><defs>\n");
  // Base64 in lines of 64 characters, no line ending after the last; it reads back as the
  // logo.
  const std::string b64 = text.substr(at + start.size(), end - at - start.size());
  std::string joined;
  std::size_t lineStart = 0;
  while (true) {
    const auto lf = b64.find('\n', lineStart);
    const std::string line = b64.substr(lineStart, lf == std::string::npos ? std::string::npos : lf - lineStart);
    if (lf == std::string::npos) {
      EXPECT_GT(line.size(), 0u);
      EXPECT_LE(line.size(), 64u);
      joined += line;
      break;
    }
    EXPECT_EQ(line.size(), 64u);
    joined += line;
    lineStart = lf + 1;
  }
  EXPECT_GT(joined.size(), 64u);
  const auto png = foundation::base64Decode(joined);
  ASSERT_TRUE(png.has_value());
  const gfx::Image decoded = imageio::loadImageFromData(*png);
  EXPECT_EQ(decoded.width(), 40);
  EXPECT_EQ(decoded.height(), 30);
  EXPECT_EQ(decoded.pixelAt(5, 2), logoImage.pixelAt(5, 2));
  EXPECT_EQ(decoded.pixelAt(5, 28), logoImage.pixelAt(5, 28));

  // The clip path: the region scaled to the code area and moved by the quiet zone, where
  // the image stands; the image is the one element that refers to it.
  EXPECT_NE(text.find("<defs>\n   <clipPath id=\"logo-mask\">\n      <path d=\"M98.75 98.75 L151.25 98.75 "
                      "L151.25 151.25 L98.75 151.25 Z \" />\n   </clipPath>\n</defs>\n</svg>\n"),
            std::string::npos);
  EXPECT_EQ(count(text, "url(#logo-mask)"), 1u);
}

TEST(SVGExport, LogoThatCannotBeShownIsLeftOut) {
  // The module at row 5, column 10 lies outside the centre square; the one at row 9,
  // column 9 under it.
  const QRCode qr = fixedCode(21, {{9, 9}, {5, 10}});
  QRCodeDesign design;
  const std::string plain = qrrender::svg(qr, 210, design, nullptr);
  EXPECT_NE(plain.find("d=\"M100 50 L110 50 L110 60 L100 60 Z M90 90 L100 90 L100 100 L90 100 Z \""),
            std::string::npos);
  // An image without pixels cannot be encoded; an inset larger than the region leaves no
  // rectangle. Neither is an error: the modules under the logo are still removed, but
  // there is neither image nor clip path.
  std::string masked = plain;
  masked.replace(masked.find("M90 90 L100 90 L100 100 L90 100 Z "), 34, "");
  const auto empty = QRCodeLogoTemplate::SquareCenterWithImage(gfx::Image(), 0);
  EXPECT_EQ(qrrender::svg(qr, 210, design, empty.get()), masked);
  const auto tooInset = QRCodeLogoTemplate::SquareCenterWithImage(redTopBlueBottom(), 1000);
  EXPECT_EQ(qrrender::svg(qr, 210, design, tooInset.get()), masked);
}

TEST(SVGExport, LogoRemovesTheModulesUnderItButNotTheEyes) {
  QRCodeDesign design;
  const auto logo = QRCodeLogoTemplate::SquareCenterWithImage(redTopBlueBottom(), 0);
  const std::string with = qrrender::svg(urlCode(), 300, design, logo.get());
  const std::string without = qrrender::svg(urlCode(), 300, design, nullptr);
  EXPECT_EQ(between(with, "<path id='eye-shape'", "/>"), between(without, "<path id='eye-shape'", "/>"));
  EXPECT_LT(between(with, "<path id='on-pixels-shape'", "/>").size(),
            between(without, "<path id='on-pixels-shape'", "/>").size());
}

// --- errors ----------------------------------------------------------------------------

TEST(SVGExport, FillErrorsEndTheExport) {
  auto failing = std::make_shared<FailingFill>();
  const auto setters = std::vector<std::function<void(QRCodeStyle&)>>{
      [&](QRCodeStyle& s) { s.setBackground(failing); }, [&](QRCodeStyle& s) { s.setOnPixels(failing); },
      [&](QRCodeStyle& s) { s.setEye(failing); }, [&](QRCodeStyle& s) { s.setPupil(failing); }};
  for (const auto& set : setters) {
    QRCodeDesign design;
    set(*design.style());
    expectError([&] { qrrender::svg(urlCode(), 300, design, nullptr); }, RGBAComponentsError::unableToConvertToRGBA);
    expectError([&] { qrrender::svgData(urlCode(), 300, design, nullptr); }, RGBAComponentsError::unableToConvertToRGBA);
    std::optional<foundation::Error> error;
    EXPECT_FALSE(foundation::attempt([&] { return qrrender::svgWithDimension(urlCode(), 300, design, nullptr); }, &error));
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->is(RGBAComponentsError::unableToConvertToRGBA));
  }
  // The off-pixel fill is asked only when the shape has off-pixels.
  QRCodeDesign design;
  design.style()->setOffPixels(failing);
  EXPECT_NO_THROW(qrrender::svg(urlCode(), 300, design, nullptr));
  design.shape()->setOffPixels(QRCodePixelShapeCircle::Create());
  expectError([&] { qrrender::svg(urlCode(), 300, design, nullptr); }, RGBAComponentsError::unableToConvertToRGBA);
}

// svgData refuses text that is not UTF-8, which only a fill can bring; svg hands it over.
// The pupil's definition stands right before the eye's, so a character may span the two.
TEST(SVGExport, FillTextThatIsNotUTF8FailsOnlyAsBytes) {
  const struct {
    const char* name;
    std::string pupilAttribute;
    std::optional<std::string> pupilDefinition, eyeDefinition;
    bool utf8;
  } cases[] = {
      {"UTF-8 everywhere", "fill=\"caf\xc3\xa9\"", "<g id='\xe2\x82\xac'/>", "<g/>", true},
      {"a character across two definitions", "fill=\"red\"", "<g id='\xc3", "\xa9'/>", true},
      {"a stray byte in an attribute", "fill=\"\xff\"", std::nullopt, std::nullopt, false},
      {"a truncated character in an attribute", "fill=\"\xc3\"", std::nullopt, std::nullopt, false},
      {"a truncated character ending the definitions", "fill=\"red\"", "<g/>", "<g id='\xe2\x82", false},
      {"an overlong form in a definition", "fill=\"red\"", "<g id='\xc0\xaf'/>", "<g/>", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QRCodeDesign design;
    design.style()->setPupil(std::make_shared<TextFill>(c.pupilAttribute, c.pupilDefinition));
    design.style()->setEye(std::make_shared<TextFill>("fill=\"blue\"", c.eyeDefinition));
    const std::string text = qrrender::svg(urlCode(), 300, design, nullptr);
    EXPECT_NE(text.find(c.pupilAttribute), std::string::npos);
    if (c.utf8) {
      EXPECT_EQ(qrrender::svgData(urlCode(), 300, design, nullptr), foundation::bytesOf(text));
    } else {
      expectError([&] { qrrender::svgData(urlCode(), 300, design, nullptr); },
                  QRCodeError::unableToConvertTextToRequestedEncoding);
    }
  }
}

TEST(SVGExport, NegativeDimensionAndEmptyMatrixAreErrors) {
  QRCodeDesign design;
  expectError([&] { qrrender::svg(urlCode(), -1, design, nullptr); }, QRCodeError::cannotGenerateImage);
  const QRCode empty;  // no matrix generated
  expectError([&] { qrrender::svg(empty, 300, design, nullptr); }, QRCodeError::cannotGenerateImage);
  design.setAdditionalQuietZonePixels(3);
  expectError([&] { qrrender::svg(empty, 300, design, nullptr); }, QRCodeError::cannotGenerateImage);
}

TEST(SVGExport, HugeValuesStayFinite) {
  QRCodeDesign design;
  design.setAdditionalQuietZonePixels(std::numeric_limits<std::uint64_t>::max());
  const std::string tiny = qrrender::svg(urlCode(), 300, design, nullptr);
  EXPECT_EQ(tiny.find("nan"), std::string::npos);
  EXPECT_EQ(tiny.find("inf"), std::string::npos);
  QRCodeDesign plain;
  const std::string huge = qrrender::svg(urlCode(), std::numeric_limits<std::int64_t>::max(), plain, nullptr);
  EXPECT_NE(huge.find("height=\"9223372036854775807\""), std::string::npos);
  EXPECT_EQ(huge.find("nan"), std::string::npos);
}

TEST(SVGExport, ExtremeValuesReadFromSettingsStayFinite) {
  // Each design reads, saves and draws; its SVG must hold no "inf", no "nan" and no number
  // of hundreds of digits.
  const std::string designs[] = {
      foundation::stringOf(testsupport::testData("repro/design-svg-inf-nan.json")),
      R"({"shape": {"onPixels": {"type": "square", "settings": {"insetFraction": 1.7e308, "insetGeneratorName": "random"}}}})",
      R"({"shape": {"onPixels": {"type": "circle", "settings": {"insetFraction": -1e300, "insetGeneratorName": "horizontalWave"}}}})",
      R"({"shape": {"onPixels": {"type": "roundedRect", "settings": {"insetFraction": -1e308, "cornerRadiusFraction": 1e308}}}})",
      R"({"shape": {"offPixels": {"type": "flower", "settings": {"insetFraction": -1e308, "insetGeneratorName": "punch"}}}})",
  };
  for (const std::string& text : designs) {
    SCOPED_TRACE(text);
    const auto design = QRCodeDesign::CreateWithSettings(foundation::Settings::parse(text));
    const std::string out = qrrender::svg(urlCode(), 300, *design, nullptr);
    EXPECT_EQ(out.find("nan"), std::string::npos);
    EXPECT_EQ(out.find("inf"), std::string::npos);
    std::size_t run = 0, longest = 0;
    for (const char ch : out) longest = std::max(longest, run = (ch >= '0' && ch <= '9') ? run + 1 : 0);
    EXPECT_LE(longest, 12u);
  }
}

// --- rendered ---------------------------------------------------------------------------

TEST(SVGExport, DefaultDesignRendersLikeTheBitmapAndDecodes) {
  QRCodeDesign design;
  for (int side : {300, 451}) {
    const std::string text = qrrender::svg(urlCode(), side, design, nullptr);
    const gfx::Image fromSVG = rasterize(text, side);
    const gfx::Image bitmap = qrrender::cgImageWithDimension(urlCode(), side, design, nullptr);
    testsupport::writeImagePNG(fromSVG, "svg-default-" + std::to_string(side) + ".png");
    const testsupport::ImageDifference d = testsupport::imageDifference(fromSVG, bitmap);
    EXPECT_LT(d.mean, 2.0) << side;
    EXPECT_LT(d.farShare, 0.01) << side;
    EXPECT_TRUE(testsupport::decodeImage(fromSVG).bothRead(kURL)) << side;
  }
}

TEST(SVGExport, StyledDesignWithShadowAndLogoRendersLikeTheBitmapAndDecodes) {
  QRCodeDesign design;
  design.setAdditionalQuietZonePixels(3);
  auto& shape = *design.shape();
  shape.setOnPixels(std::make_shared<QRCodePixelShapeRoundedRect>(0.8, std::make_shared<QRCodePixelInsetFixed>(), 0.1,
                                                                   0.0, false));
  shape.setEye(std::make_shared<QRCodeEyeShapeRoundedRect>());
  shape.setPupil(std::make_shared<QRCodePupilShapeCircle>());
  auto& style = *design.style();
  style.setOnPixels(QRCodeFillStyleSolid::withSrgbRed(0.1, 0.15, 0.45));
  style.setEye(QRCodeFillStyleSolid::withSrgbRed(0.55, 0.05, 0.1));
  style.setBackground(QRCodeFillStyleSolid::withSrgbRed(1, 0.97, 0.88));
  style.setBackgroundFractionalCornerRadius(2.0);
  style.setEyeBackground(gfx::Color::sRGB(0.85, 0.9, 1.0, 1));
  style.setShadow(std::make_shared<QRCodeShadow>(QRCodeShadow::ShadowType::dropShadow, 0.15, -0.15, 2.0,
                                                 gfx::Color::sRGB(0, 0, 0, 0.6)));
  const auto logo = QRCodeLogoTemplate::SquareCenterWithImage(redTopBlueBottom(), 4);
  const int side = 480;
  const std::string text = qrrender::svg(urlCode(), side, design, logo.get());
  const gfx::Image fromSVG = rasterize(text, side);
  const gfx::Image bitmap = qrrender::cgImageWithDimension(urlCode(), side, design, logo.get());
  testsupport::writeImagePNG(fromSVG, "svg-styled.png");
  testsupport::writeImagePNG(bitmap, "bitmap-styled.png");
  const testsupport::ImageDifference d = testsupport::imageDifference(fromSVG, bitmap);
  EXPECT_LT(d.mean, 4.0);
  EXPECT_LT(d.farShare, 0.03);
  EXPECT_TRUE(testsupport::decodeImage(fromSVG).bothRead(kURL));
  // The logo shows upright: red above blue, at the centre.
  const auto top = testsupport::meanColor(fromSVG, 230, 205, 250, 230);
  const auto bottom = testsupport::meanColor(fromSVG, 230, 250, 250, 275);
  EXPECT_GT(top.r, 230);
  EXPECT_LT(top.b, 30);
  EXPECT_GT(bottom.b, 230);
  EXPECT_LT(bottom.r, 30);
}

}  // namespace
