// The document's drawing, path and image exports: every format decodes back to the
// document's text, resolutions are carried, and the path export keeps its quiet zone.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "QRCode/design/QRCodeFillStyleSolid.hpp"
#include "QRCode/document/QRCodeDocument.hpp"
#include "QRCode/eye/QRCodeEyeShapesRounded.hpp"
#include "QRCode/pixel/CommonPixelShapes.hpp"
#include "QRCode/pixel/QRCodePixelInsetGenerator.hpp"
#include "QRCode/render/QRCodeComponentPaths.hpp"
#include "imageio/ImageExport.hpp"
#include "imageio/ImageReadWriteError.hpp"
#include "imageio/PNG.hpp"
#include "platform/foundation/Output.hpp"
#include "platform/graphics/Canvas.hpp"
#include "support/Raster.hpp"
#include "support/Expect.hpp"

namespace {

using testsupport::expectError;

const std::string kURL = "https://vidlumen.example.com/wallpaper/waves-dp3YBose?utm_source=app";
const double kNaN = std::numeric_limits<double>::quiet_NaN();

class CapturedOutput {
 public:
  CapturedOutput() {
    previous_ = foundation::setOutputSink([this](std::string_view line) { lines.emplace_back(line); });
  }
  ~CapturedOutput() { foundation::setOutputSink(previous_); }
  std::vector<std::string> lines;

 private:
  foundation::OutputSink previous_;
};

std::unique_ptr<QRCodeDocument> defaultDocument() {
  return std::make_unique<QRCodeDocument>(kURL, QRCode::ErrorCorrection::medium);
}

// Rounded-rectangle modules and eyes with the default drop shadow.
std::unique_ptr<QRCodeDocument> styledDocument() {
  auto document = defaultDocument();
  auto& shape = *document->design()->shape();
  shape.setOnPixels(std::make_shared<QRCodePixelShapeRoundedRect>(0.7, std::make_shared<QRCodePixelInsetFixed>(), 0.1,
                                                                  0.0, false));
  shape.setEye(std::make_shared<QRCodeEyeShapeRoundedRect>());
  document->design()->style()->setShadow(std::make_shared<QRCodeShadow>());
  return document;
}

struct Case {
  const char* name;
  std::function<std::unique_ptr<QRCodeDocument>()> make;
};

const Case kCases[] = {{"default", defaultDocument}, {"styled", styledDocument}};

TEST(DocumentDrawing, EveryExportFormatDecodes) {
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    auto document = c.make();
    const gfx::Image bitmap = document->cgImageWithDimension(300);
    testsupport::writeImagePNG(bitmap, std::string("document-") + c.name + ".png");
    EXPECT_TRUE(testsupport::decodeImage(bitmap).bothRead(kURL)) << "bitmap";
    EXPECT_TRUE(testsupport::decodeImage(document->cgImage({320, 240})).bothRead(kURL)) << "bitmap of a size";
    EXPECT_TRUE(testsupport::decodeImage(document->cgImageWithWidth(250, 250)).bothRead(kURL)) << "bitmap w x h";
    EXPECT_TRUE(testsupport::decodeImage(imageio::readPNG(document->pngDataWithDimension(300, 72))).bothRead(kURL)) << "PNG";
    EXPECT_TRUE(testsupport::decodeImage(testsupport::decodeJPEGFile(document->jpegDataWithDimension(300, 72, 0.8)).image)
                    .bothRead(kURL))
        << "JPEG";
    EXPECT_TRUE(testsupport::decodeImage(testsupport::decodeTIFFFile(document->tiffDataWithDimension(300, 72)).image)
                    .bothRead(kURL))
        << "TIFF";
    const foundation::Bytes pdf = document->pdfDataWithDimension(300, 72);
    const gfx::Image page = testsupport::rasterizePDF(pdf, 300, 300, gfx::Image::RGBA{255, 255, 255, 255});
    testsupport::writeImagePNG(page, std::string("document-") + c.name + "-pdf.png");
    EXPECT_TRUE(testsupport::decodeImage(page).bothRead(kURL)) << "PDF";
    EXPECT_TRUE(testsupport::decodeImage(document->nsImageWithDimension(300, 72).cgImage).bothRead(kURL)) << "image";
    // The other formats of the image writer, from the document's bitmap.
    EXPECT_TRUE(testsupport::decodeImage(testsupport::decodeGIFFile(imageio::encodeImageData(bitmap, ImageExportType::gif())).image)
                    .bothRead(kURL))
        << "GIF";
    EXPECT_TRUE(
        testsupport::decodeImage(testsupport::decodeHEICFile(imageio::encodeImageData(bitmap, ImageExportType::heic(1, 0.9))).image)
            .bothRead(kURL))
        << "HEIC";
    const foundation::Bytes svg =
        imageio::encodeImageData(bitmap, ImageExportType::svg(std::nullopt, SVGImageFillStyle::aspectFit, ImageExportType::png(1)));
    EXPECT_TRUE(testsupport::decodeImage(testsupport::rasterizeSVG(svg, 300, 300)).bothRead(kURL)) << "SVG";
  }
}

TEST(DocumentDrawing, EncodedFormatsCarryTheResolution) {
  auto document = styledDocument();
  const PNGInfo png = imageio::readPNGInfo(document->pngDataWithDimension(200, 300));
  ASSERT_TRUE(png.dpiX.has_value());
  EXPECT_NEAR(*png.dpiX, 300, 0.02);
  EXPECT_NEAR(*png.dpiY, 300, 0.02);
  const auto jpeg = testsupport::decodeJPEGFile(document->jpegDataWithDimension(200, 300, 0.5));
  EXPECT_EQ(jpeg.dpiX, 300);
  EXPECT_EQ(jpeg.image.width(), 200);
  const auto tiff = testsupport::decodeTIFFFile(document->tiffDataWithDimension(200, 300));
  EXPECT_FLOAT_EQ(static_cast<float>(tiff.dpiX), 300.0f);
  EXPECT_FLOAT_EQ(static_cast<float>(tiff.dpiY), 300.0f);
  expectError([&] { document->pngDataWithDimension(200, 0); }, ImageReadWriteError::invalidDPI);
  expectError([&] { document->tiffDataWithDimension(200, kNaN); }, ImageReadWriteError::invalidDPI);
}

TEST(DocumentDrawing, JPEGCompressionIsClamped) {
  auto document = defaultDocument();
  const gfx::Image bitmap = document->cgImageWithDimension(150);
  EXPECT_EQ(document->jpegDataWithDimension(150, 72, -1), imageio::encodeImageData(bitmap, ImageExportType::jpg(1, 0.0)));
  EXPECT_EQ(document->jpegDataWithDimension(150, 72, 5), imageio::encodeImageData(bitmap, ImageExportType::jpg(1, 1.0)));
  EXPECT_EQ(document->jpegDataWithDimension(150, 72, kNaN), imageio::encodeImageData(bitmap, ImageExportType::jpg(1, 0.0)));
}

TEST(DocumentDrawing, PlatformImagesAndPDFPages) {
  auto document = defaultDocument();
  const PlatformImage at72 = document->nsImageWithDimension(300, 72);
  EXPECT_EQ(at72.cgImage.width(), 300);
  EXPECT_DOUBLE_EQ(at72.size.width, 300);
  const PlatformImage at144 = document->platformImageWithDimension(300, 144);
  EXPECT_EQ(at144.cgImage.width(), 300);
  EXPECT_DOUBLE_EQ(at144.size.width, 150);
  EXPECT_DOUBLE_EQ(testsupport::pdfInfo(document->pdfDataWithDimension(512, 72)).pageSize.width, 512);
  EXPECT_DOUBLE_EQ(testsupport::pdfInfo(document->pdfDataWithDimension(512, 144)).pageSize.height, 256);
  const auto wide = testsupport::pdfInfo(document->pdfDataWithWidth(400, 100, 72));
  EXPECT_DOUBLE_EQ(wide.pageSize.width, 400);
  EXPECT_DOUBLE_EQ(wide.pageSize.height, 100);
  for (double resolution : {0.0, -1.0, kNaN, std::numeric_limits<double>::infinity()})
    expectError([&] { document->pdfDataWithDimension(512, resolution); }, QRCodeError::cannotGenerateImage);
}

TEST(DocumentDrawing, TheViewImageIsThePNGExportsBitmapAtTheScaleOfItsDpi) {
  auto document = styledDocument();
  document->setLogoTemplate(QRCodeLogoTemplate::SquareCenterWithImage(gfx::Image::filled(32, 32, {200, 0, 0, 255}), 0));
  const ViewImage image = document->swiftUIImage({300, 300}, 216, "QR code of the link");
  EXPECT_EQ(image.cgImage.width() * image.cgImage.height(), 300 * 300);
  EXPECT_TRUE(image.scale == 3.0 && image.orientation == ViewImage::Orientation::up);
  EXPECT_EQ(image.label, "QR code of the link");
  EXPECT_EQ(testsupport::imageDifference(image.cgImage, testsupport::decodePNGFile(document->pngDataWithDimension(300, 216)))
                .largest, 0);
}

TEST(DocumentDrawing, BadSizesFailCleanly) {
  auto document = defaultDocument();
  const gfx::Image odd = document->cgImage({100.7, 100.2});
  EXPECT_EQ(odd.width(), 100);
  EXPECT_EQ(odd.height(), 100);
  for (std::int64_t dimension : {std::int64_t(0), std::int64_t(-1), std::int64_t(40000)}) {
    expectError([&] { document->cgImageWithDimension(dimension); }, QRCodeError::cannotGenerateImage);
    expectError([&] { document->pngDataWithDimension(dimension, 72); }, QRCodeError::cannotGenerateImage);
  }
  expectError([&] { document->cgImageWithWidth(kNaN, 10); }, QRCodeError::cannotGenerateImage);
  expectError([&] { document->nsImage({300, 300}, 0); }, QRCodeError::cannotGenerateImage);
}

TEST(DocumentDrawing, PathKeepsTheExtraQuietZone) {
  auto document = std::make_unique<QRCodeDocument>("hi", QRCode::ErrorCorrection::low);
  ASSERT_EQ(document->cellDimension(), 23);  // a 21-module symbol and its one-module border
  document->design()->setAdditionalQuietZonePixels(2);
  const gfx::Path p = document->pathWithDimension(250, QRCodeComponents::foreground());
  // m = 250 / (4 + 23) x 2 on each side.
  const double m = 250.0 / 27 * 2;
  const gfx::Path expected = qrrender::path(document->qrcode(), {250 - 2 * m, 250 - 2 * m},
                                            QRCodeComponents::foreground(), *document->design()->shape(), nullptr, m);
  EXPECT_EQ(p, expected);
  const gfx::Rect bounds = p.bounds();
  const double cell = (250 - 2 * m) / 23;
  EXPECT_NEAR(bounds.minX(), m + cell, 1e-9);  // the border ring is empty
  EXPECT_NEAR(bounds.maxY(), 250 - m - cell, 1e-9);
}

TEST(DocumentDrawing, PathWithoutRoomPrintsAndIsEmpty) {
  auto document = defaultDocument();
  document->design()->setAdditionalQuietZonePixels(2);
  // m = 250 / (4 + n) x 2 is about 11.6 for this code: a height of 20 leaves no room.
  for (gfx::Size size : {gfx::Size{0, 250}, gfx::Size{250, 20}, gfx::Size{250, 0}, gfx::Size{kNaN, 250}}) {
    CapturedOutput out;
    EXPECT_TRUE(document->path(size, QRCodeComponents::foreground()).empty());
    EXPECT_EQ(out.lines, std::vector<std::string>{"additionalQuietSpace too large"});
  }
}

TEST(DocumentDrawing, NegatedShapeAddsTheNegatedPart) {
  auto document = defaultDocument();
  document->design()->shape()->setNegatedOnPixelsOnly(true);
  const gfx::Path p = document->pathWithDimension(300, QRCodeComponents::eye());
  EXPECT_EQ(p, document->pathWithDimension(300, QRCodeComponents::negatedOnPixels()));
  EXPECT_NE(p, qrrender::path(document->qrcode(), {300, 300}, QRCodeComponents::eye(), *document->design()->shape(),
                              nullptr, 0));
}

TEST(DocumentDrawing, DrawsIntoACanvasInTheRenderersOrder) {
  auto document = styledDocument();
  document->design()->style()->setEyeBackground(gfx::Color::sRGB(1, 0, 0, 1));
  gfx::Canvas canvas = gfx::Canvas::bitmap(300, 300);
  canvas.scale(1, -1);
  canvas.translate(0, -300);
  document->drawWithCtx(canvas, {0, 0, 300, 300});
  const gfx::Image drawn = canvas.makeImage();
  EXPECT_EQ(drawn, document->cgImageWithDimension(300));
}

TEST(DocumentDrawing, AFailedRegenerationStopsEveryExport) {
  auto document = defaultDocument();
  CapturedOutput out;
  document->setUtf8String(std::string(5000, 'x'));  // too long for any symbol
  ASSERT_EQ(out.lines.size(), 1u);
  gfx::Canvas canvas = gfx::Canvas::bitmap(50, 50);
  const std::vector<std::function<void()>> exports = {
      [&] { document->cgImageWithDimension(100); },
      [&] { document->pngDataWithDimension(100, 72); },
      [&] { document->jpegDataWithDimension(100, 72, 0.5); },
      [&] { document->tiffDataWithDimension(100, 72); },
      [&] { document->pdfDataWithDimension(100, 72); },
      [&] { document->nsImageWithDimension(100, 72); },
      [&] { document->swiftUIImage({100, 100}, 72, "x"); },
      [&] { document->pathWithDimension(100, QRCodeComponents::foreground()); },
      [&] { document->drawWithCtx(canvas, {0, 0, 50, 50}); },
  };
  for (const auto& e : exports) EXPECT_THROW(e(), foundation::Error);
  document->setUtf8String(kURL);
  EXPECT_TRUE(testsupport::decodeImage(document->cgImageWithDimension(300)).bothRead(kURL));
}

// A logo whose top half is red stays red at the top in PNG and PDF.
TEST(DocumentDrawing, LogoRedTopIsOnTopInPNGAndPDF) {
  std::vector<std::uint8_t> px(32 * 32 * 4);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      std::uint8_t* p = px.data() + (y * 32 + x) * 4;
      p[0] = y < 16 ? 255 : 0;
      p[2] = y < 16 ? 0 : 255;
      p[3] = 255;
    }
  auto document = defaultDocument();
  document->setLogoTemplate(QRCodeLogoTemplate::SquareCenterWithImage(gfx::Image::make(32, 32, std::move(px)), 0));
  const double side = 400;
  const int x0 = 150 + 4, x1 = 250 - 4, mid = 200;
  auto check = [&](const gfx::Image& image, const char* what) {
    const auto top = testsupport::meanColor(image, x0, x0, x1, mid - 4);
    const auto bottom = testsupport::meanColor(image, x0, mid + 4, x1, x1);
    EXPECT_GT(top.r, 230) << what;
    EXPECT_LT(top.b, 25) << what;
    EXPECT_GT(bottom.b, 230) << what;
    EXPECT_LT(bottom.r, 25) << what;
    EXPECT_TRUE(testsupport::decodeImage(image).bothRead(kURL)) << what;
  };
  const gfx::Image png = imageio::readPNG(document->pngDataWithDimension(static_cast<std::int64_t>(side), 72));
  testsupport::writeImagePNG(png, "document-logo.png");
  check(png, "PNG");
  const gfx::Image page = testsupport::rasterizePDF(document->pdfDataWithDimension(static_cast<std::int64_t>(side), 72),
                                                    400, 400, gfx::Image::RGBA{255, 255, 255, 255});
  testsupport::writeImagePNG(page, "document-logo-pdf.png");
  check(page, "PDF");
}

TEST(DocumentDrawing, OneShotExports) {
  const gfx::Image coloured = QRCodeDocument::generateImage(kURL, 300, gfx::Color::sRGB(0, 0, 0.5, 1),
                                                            gfx::Color::sRGB(1, 1, 0.8, 1), QRCode::ErrorCorrection::high);
  EXPECT_EQ(coloured.width(), 300);
  EXPECT_TRUE(testsupport::decodeImage(coloured).bothRead(kURL));
  const auto centre = coloured.pixelAt(2, 2);
  EXPECT_EQ(centre.b, 204);  // the background colour

  auto shape = QRCodeShape::create();
  shape->setEye(std::make_shared<QRCodeEyeShapeRoundedRect>());
  const gfx::Image styled = QRCodeDocument::generateImage(kURL, 300, QRCode::ErrorCorrection::low, shape, nullptr);
  EXPECT_TRUE(testsupport::decodeImage(styled).bothRead(kURL));

  const gfx::Path p = QRCodeDocument::generatePath(kURL, 200, QRCodeComponents::foreground(), QRCode::ErrorCorrection::low,
                                                   nullptr);
  EXPECT_FALSE(p.empty());
  EXPECT_LE(p.bounds().maxX(), 200);
  EXPECT_THROW(QRCodeDocument::generateImage(std::string(5000, 'x'), 100, QRCode::ErrorCorrection::low, nullptr, nullptr),
               foundation::Error);
}

}  // namespace
