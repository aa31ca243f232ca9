// The document's SVG, export-by-type and text exports: what they hand to the core exports,
// the SVG rendered and compared with the document's bitmap, and the kept regeneration
// error.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "QRCode/core/QRCodeEngineExternal.hpp"
#include "QRCode/design/QRCodeFillStyleSolid.hpp"
#include "QRCode/document/QRCodeDocument.hpp"
#include "QRCode/eye/QRCodeEyeShapesRounded.hpp"
#include "QRCode/pixel/CommonPixelShapes.hpp"
#include "QRCode/pixel/QRCodePixelInsetGenerator.hpp"
#include "QRCode/render/QRCodePasteboardExport.hpp"
#include "QRCode/render/QRCodeSVGExport.hpp"
#include "QRCode/render/QRCodeTextRenderings.hpp"
#include "imageio/ImageReadWriteError.hpp"
#include "imageio/PNG.hpp"
#include "platform/foundation/Output.hpp"
#include "platform/foundation/Pasteboard.hpp"
#include "support/Raster.hpp"
#include "support/Expect.hpp"
#include "support/FixedEngine.hpp"
#include "SwitchableEngine.hpp"

namespace {

using testsupport::expectError;

using Level = QRCode::ErrorCorrection;
using ExportType = QRCodeDocument::ExportType;

const std::string kLink = "https://vidlumen.example.com/wallpaper/aurora-Xy12?utm_source=share";

struct QuietOutput {
  foundation::OutputSink previous = foundation::setOutputSink([](std::string_view) {});
  ~QuietOutput() { foundation::setOutputSink(previous); }
};

// An orange top half over a blue bottom half.
gfx::Image twoToneLogo() {
  std::vector<std::uint8_t> px(32 * 32 * 4);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      auto* p = &px[static_cast<std::size_t>((y * 32 + x) * 4)];
      p[0] = y < 16 ? 250 : 30;
      p[1] = y < 16 ? 150 : 60;
      p[2] = y < 16 ? 20 : 200;
      p[3] = 255;
    }
  return gfx::Image::make(32, 32, std::move(px));
}

// A green and white checkerboard.
gfx::Image checkerLogo() {
  std::vector<std::uint8_t> px(32 * 32 * 4);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      auto* p = &px[static_cast<std::size_t>((y * 32 + x) * 4)];
      const bool dark = ((x / 8) + (y / 8)) % 2 == 0;
      p[0] = dark ? 20 : 250;
      p[1] = dark ? 120 : 250;
      p[2] = dark ? 60 : 250;
      p[3] = 255;
    }
  return gfx::Image::make(32, 32, std::move(px));
}

// A pasteboard with no clipboard behind it, as a headless process has: nothing can be
// cleared or written. Counts the attempts to write.
class NoClipboard final : public foundation::Pasteboard {
 public:
  const std::string& name() const override { return name_; }
  bool clearContents() override { return false; }
  bool setData(foundation::Bytes, std::string_view) override { return ++writes, false; }
  bool setString(std::string_view) override { return ++writes, false; }
  std::vector<std::string> writtenTypes() const override { return {}; }
  std::vector<std::string> types() const override { return {}; }
  std::optional<foundation::Bytes> dataForType(std::string_view) const override { return std::nullopt; }
  std::optional<std::string> string() const override { return std::nullopt; }
  int writes = 0;

 private:
  std::string name_ = "CLIPBOARD";
};

TEST(DocumentTextExports, SVGIsTheCoreExportOfTheDocumentsOwnParts) {
  QRCodeDocument doc(kLink, Level::medium);
  doc.design()->style()->setShadow(std::make_shared<QRCodeShadow>());
  doc.setLogoTemplate(QRCodeLogoTemplate::CircleCenterWithImage(checkerLogo(), 2));
  const std::string text = doc.svgWithDimension(320);
  EXPECT_EQ(text, qrrender::svg(doc.qrcode(), 320, *doc.design(), doc.logoTemplate().get()));
  EXPECT_NE(text.find("<image "), std::string::npos);
  EXPECT_NE(text.find("id='on-pixels-shadow'"), std::string::npos);
  EXPECT_EQ(doc.svgDataWithDimension(320), foundation::bytesOf(text));
  // Nothing in the document changed.
  EXPECT_EQ(*doc.utf8String(), kLink);
  EXPECT_EQ(doc.svgWithDimension(320), text);
}

TEST(DocumentTextExports, ImageDataDispatchesByType) {
  QRCodeDocument doc(kLink, Level::quartile);
  EXPECT_EQ(doc.imageData(ExportType::svg(), 300), doc.svgDataWithDimension(300));
  EXPECT_EQ(doc.imageData(ExportType::png(144), 300), doc.pngDataWithDimension(300, 144));
  EXPECT_EQ(doc.imageData(ExportType::jpg(72, 0.4), 300), doc.jpegDataWithDimension(300, 72, 0.4));
  EXPECT_EQ(doc.imageData(ExportType::tiff(300), 300), doc.tiffDataWithDimension(300, 300));

  const PNGInfo png = imageio::readPNGInfo(doc.imageData(ExportType::png(144), 200));
  EXPECT_EQ(png.width, 200);
  ASSERT_TRUE(png.dpiX.has_value());
  EXPECT_NEAR(*png.dpiX, 144, 0.02);
  const auto jpeg = testsupport::decodeJPEGFile(doc.imageData(ExportType::jpg(300, 0.9), 200));
  EXPECT_EQ(jpeg.dpiX, 300);
  EXPECT_TRUE(testsupport::decodeImage(jpeg.image).bothRead(kLink));
  const auto tiff = testsupport::decodeTIFFFile(doc.imageData(ExportType::tiff(96), 200));
  EXPECT_EQ(tiff.dpiX, 96);
  EXPECT_TRUE(testsupport::decodeImage(tiff.image).bothRead(kLink));

  const foundation::Bytes pdf = doc.imageData(ExportType::pdf(144), 512);
  const auto info = testsupport::pdfInfo(pdf);
  EXPECT_EQ(info.pageCount, 1);
  EXPECT_NEAR(info.pageSize.width, 256, 0.01);
  EXPECT_TRUE(testsupport::decodeImage(testsupport::rasterizePDF(pdf, 400, 400)).bothRead(kLink));

  const auto svgText = doc.imageData(ExportType::svg(), 300);
  EXPECT_TRUE(testsupport::decodeImage(testsupport::rasterizeSVG(svgText, 300, 300)).bothRead(kLink));

  // The chosen export's error is raised.
  expectError([&] { doc.imageData(ExportType::png(0), 300); }, ImageReadWriteError::invalidDPI);
  expectError([&] { doc.imageData(ExportType::tiff(-1), 300); }, ImageReadWriteError::invalidDPI);
  expectError([&] { doc.imageData(ExportType::jpg(72, 0.5), 0); }, QRCodeError::cannotGenerateImage);
  expectError([&] { doc.imageData(ExportType::pdf(0), 300); }, QRCodeError::cannotGenerateImage);
  expectError([&] { doc.imageData(ExportType::svg(), -5); }, QRCodeError::cannotGenerateImage);
}

TEST(DocumentTextExports, ExportTypeKeepsItsPayloads) {
  const ExportType jpg = ExportType::jpg(150, 0.3);
  EXPECT_EQ(jpg.kind(), ExportType::Kind::jpg);
  EXPECT_EQ(jpg.dpi(), 150);
  EXPECT_EQ(jpg.compression(), 0.3);
  EXPECT_EQ(ExportType::pdf(36).pdfResolution(), 36);
  EXPECT_EQ(ExportType::png(72).kind(), ExportType::Kind::png);
  EXPECT_EQ(ExportType::tiff(72).kind(), ExportType::Kind::tiff);
  EXPECT_EQ(ExportType::svg().kind(), ExportType::Kind::svg);
}

TEST(DocumentTextExports, AsciiOfA21ModuleSymbol) {
  // A 21 x 21 matrix with a diagonal of on modules.
  QRCodeBoolMatrix diagonal(21);
  for (int i = 0; i < 21; ++i) diagonal.setValue(i, i, true);
  QRCodeDocument doc(std::make_shared<testsupport::FixedEngine>(std::move(diagonal)));
  ASSERT_EQ(doc.cellDimension(), 21);
  const std::string text = doc.asciiRepresentation();
  // 21 lines of 42 characters (21 pairs), each ending with a line feed; the diagonal's
  // pair moves right by one pair per line.
  std::size_t start = 0;
  for (int r = 0; r < 21; ++r) {
    const auto lf = text.find('\n', start);
    ASSERT_NE(lf, std::string::npos);
    const std::string line = text.substr(start, lf - start);
    const std::string expected =
        std::string(static_cast<std::size_t>(2 * r), ' ') + "\u2588\u2588" + std::string(static_cast<std::size_t>(40 - 2 * r), ' ');
    EXPECT_EQ(line, expected) << r;
    start = lf + 1;
  }
  EXPECT_EQ(start, text.size());
  EXPECT_EQ(text, qrrender::asciiRepresentation(doc.qrcode()));
  EXPECT_EQ(doc.smallAsciiRepresentation(), qrrender::smallAsciiRepresentation(doc.qrcode()));
  // The first compact line: upper half at column 0, lower half at column 1.
  EXPECT_EQ(doc.smallAsciiRepresentation().substr(0, 6), "\u2580\u2584");
}

TEST(DocumentTextExports, TextRenderingsFollowTheContent) {
  QRCodeDocument doc("short", Level::low);
  const std::string before = doc.asciiRepresentation();
  doc.setUtf8String(kLink);
  const std::string after = doc.asciiRepresentation();
  EXPECT_NE(before, after);
  EXPECT_EQ(after, qrrender::asciiRepresentation(*doc.boolMatrix()));
  EXPECT_EQ(doc.smallAsciiRepresentation(), qrrender::smallAsciiRepresentation(*doc.boolMatrix()));
}

TEST(DocumentTextExports, KeptRegenerationErrorStopsTheSVGButNotTheText) {
  QuietOutput quiet;
  auto engine = std::make_shared<SwitchableEngine>();
  QRCodeDocument doc(kLink, Level::medium, engine);
  const std::string ascii = doc.asciiRepresentation();
  engine->fail = true;
  doc.setUtf8String("something else");
  ASSERT_TRUE(doc.regenerationError().has_value());
  expectError([&] { doc.svgWithDimension(300); }, QRCodeError::cannotGenerateQRCode);
  expectError([&] { doc.svgDataWithDimension(300); }, QRCodeError::cannotGenerateQRCode);
  expectError([&] { doc.imageData(ExportType::svg(), 300); }, QRCodeError::cannotGenerateQRCode);
  expectError([&] { doc.imageData(ExportType::png(72), 300); }, QRCodeError::cannotGenerateQRCode);
  // The text renderings never fail: they show the matrix the document still holds.
  EXPECT_EQ(doc.asciiRepresentation(), ascii);
  engine->fail = false;
  doc.setUtf8String(kLink);
  EXPECT_NO_THROW(doc.svgWithDimension(300));
}

TEST(DocumentTextExports, PasteboardWithoutAClipboardRaisesBeforeAnyFormIsMade) {
  QuietOutput quiet;
  auto engine = std::make_shared<SwitchableEngine>();
  QRCodeDocument doc(kLink, Level::medium, engine);
  QRCodeDocument failed(kLink, Level::medium, engine);
  engine->fail = true;
  failed.setUtf8String("something else");
  ASSERT_TRUE(failed.regenerationError().has_value());
  QRCodeDesign design;
  const std::pair<const char*, std::function<void(foundation::Pasteboard&)>> calls[] = {
      {"core, dimension", [&](auto& p) { qrrender::addToPasteboardWithDimension(doc.qrcode(), 300, 72, design, nullptr, p); }},
      {"core, size", [&](auto& p) { qrrender::addToPasteboard(doc.qrcode(), gfx::Size{300, 200}, 72, design, nullptr, p); }},
      {"document, dimension", [&](auto& p) { doc.addToPasteboardWithDimension(300, 72, p); }},
      {"document, size", [&](auto& p) { doc.addToPasteboard(gfx::Size{300, 200}, 72, p); }},
      {"document with a kept error", [&](auto& p) { failed.addToPasteboardWithDimension(300, 72, p); }},
  };
  for (const auto& [what, call] : calls) {
    NoClipboard pasteboard;
    expectError([&, &call = call] { call(pasteboard); }, foundation::PasteboardError::unavailable, what);
    EXPECT_EQ(pasteboard.writes, 0) << what;
  }
}

TEST(DocumentTextExports, SVGRendersLikeTheBitmapForDefaultAndStyledDesigns) {
  // The default design.
  {
    QRCodeDocument doc(kLink, Level::quartile);
    const gfx::Image fromSVG = testsupport::rasterizeSVG(doc.svgDataWithDimension(360), 360, 360);
    EXPECT_LT(testsupport::imageDifference(fromSVG, doc.cgImageWithDimension(360)).mean, 2.0);
    EXPECT_TRUE(testsupport::decodeImage(fromSVG).bothRead(kLink));
  }
  // Rounded modules and eyes, an inner shadow, an extra quiet zone and a square logo.
  {
    QRCodeDocument doc(kLink, Level::high);
    auto& design = *doc.design();
    design.setAdditionalQuietZonePixels(2);
    design.shape()->setOnPixels(std::make_shared<QRCodePixelShapeRoundedRect>(
        0.6, std::make_shared<QRCodePixelInsetFixed>(), 0.05, 0.0, false));
    design.shape()->setEye(std::make_shared<QRCodeEyeShapeRoundedOuter>());
    design.style()->setOnPixels(QRCodeFillStyleSolid::withSrgbRed(0.2, 0.1, 0.4));
    design.style()->setShadow(std::make_shared<QRCodeShadow>(QRCodeShadow::ShadowType::innerShadow, 0.1, -0.1, 1.5,
                                                             gfx::Color::sRGB(0, 0, 0, 0.6)));
    doc.setLogoTemplate(QRCodeLogoTemplate::SquareCenterWithImage(twoToneLogo(), 3));
    const gfx::Image fromSVG = testsupport::rasterizeSVG(doc.svgDataWithDimension(420), 420, 420);
    const gfx::Image bitmap = doc.cgImageWithDimension(420);
    testsupport::writeImagePNG(fromSVG, "doc-svg-styled.png");
    testsupport::writeImagePNG(bitmap, "doc-bitmap-styled.png");
    EXPECT_LT(testsupport::imageDifference(fromSVG, bitmap).mean, 4.0);
    EXPECT_TRUE(testsupport::decodeImage(fromSVG).bothRead(kLink));
  }
}

}  // namespace
