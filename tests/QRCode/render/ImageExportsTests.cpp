// Bitmap, PNG, JPEG, TIFF, PDF and platform-image exports of a QR code model.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>

#include "QRCode/design/QRCodeDesign.hpp"
#include "QRCode/render/QRCodeImageExports.hpp"
#include "imageio/ImageExport.hpp"
#include "imageio/ImageReadWriteError.hpp"
#include "imageio/ImageRepresentation.hpp"
#include "imageio/PlatformImageCodable.hpp"
#include "imageio/PNG.hpp"
#include "platform/graphics/Canvas.hpp"
#include "support/ChildRun.hpp"
#include "support/Raster.hpp"
#include "support/Expect.hpp"

namespace {

using testsupport::expectError;

const std::string kText = "https://vidlumen.example.com/wallpaper/aurora-Xy12";
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

const QRCode& code() {
  static const QRCode qr(kText, QRCode::ErrorCorrection::quartile);
  return qr;
}

TEST(ImageExports, BitmapSizesAreTruncatedPixels) {
  QRCodeDesign design;
  EXPECT_EQ(qrrender::cgImageWithDimension(code(), 300, design, nullptr).width(), 300);
  const gfx::Image odd = qrrender::cgImage(code(), {100.7, 100.2}, design, nullptr);
  EXPECT_EQ(odd.width(), 100);
  EXPECT_EQ(odd.height(), 100);
  const gfx::Image wide = qrrender::cgImage(code(), {400, 200}, design, nullptr);
  EXPECT_EQ(wide.width(), 400);
  EXPECT_EQ(wide.height(), 200);
  EXPECT_TRUE(testsupport::decodeImage(wide).bothRead(kText));
}

TEST(ImageExports, UnusableSizesFailWithCannotGenerateImage) {
  QRCodeDesign design;
  const gfx::Size sizes[] = {{0, 100}, {100, -3}, {0.5, 100}, {kNaN, 100}, {100, kInf}, {40000, 10}, {1e300, 1e300}};
  for (const auto& size : sizes) {
    expectError([&] { qrrender::cgImage(code(), size, design, nullptr); }, QRCodeError::cannotGenerateImage);
    expectError([&] { qrrender::pngData(code(), size, 72, design, nullptr); }, QRCodeError::cannotGenerateImage);
    expectError([&] { qrrender::nsImage(code(), size, 72, design, nullptr); }, QRCodeError::cannotGenerateImage);
  }
  for (std::int64_t dimension : {std::int64_t(0), std::int64_t(-5), std::int64_t(1) << 40})
    expectError([&] { qrrender::cgImageWithDimension(code(), dimension, design, nullptr); }, QRCodeError::cannotGenerateImage);
}

TEST(ImageExports, PNGRecordsTheResolutionAndDecodes) {
  QRCodeDesign design;
  for (double dpi : {72.0, 144.0, 300.0}) {
    const foundation::Bytes png = qrrender::pngDataWithDimension(code(), 300, dpi, design, nullptr);
    const PNGInfo info = imageio::readPNGInfo(png);
    EXPECT_EQ(info.width, 300);
    ASSERT_TRUE(info.dpiX.has_value());
    EXPECT_NEAR(*info.dpiX, dpi, 0.02);
    EXPECT_NEAR(*info.dpiY, dpi, 0.02);
    EXPECT_TRUE(testsupport::decodeImage(imageio::readPNG(png)).bothRead(kText));
  }
  for (double dpi : {0.0, -72.0, kNaN})
    expectError([&] { qrrender::pngDataWithDimension(code(), 64, dpi, design, nullptr); }, ImageReadWriteError::invalidDPI);
}

TEST(ImageExports, JPEGAndTIFFRecordTheResolutionAndDecode) {
  QRCodeDesign design;
  const auto jpeg = testsupport::decodeJPEGFile(qrrender::jpegData(code(), {300, 300}, 300, design, nullptr, 0.9));
  EXPECT_EQ(jpeg.dpiX, 300);
  EXPECT_EQ(jpeg.dpiY, 300);
  EXPECT_TRUE(testsupport::decodeImage(jpeg.image).bothRead(kText));
  const auto tiff = testsupport::decodeTIFFFile(qrrender::tiffDataWithDimension(code(), 300, 150, design, nullptr, kInf));
  EXPECT_FLOAT_EQ(static_cast<float>(tiff.dpiX), 150.0f);
  EXPECT_TRUE(testsupport::decodeImage(tiff.image).bothRead(kText));
  expectError([&] { qrrender::jpegDataWithDimension(code(), 64, 0, design, nullptr, 0.5); }, ImageReadWriteError::invalidDPI);
  expectError([&] { qrrender::tiffData(code(), {64, 64}, -1, design, nullptr, 0.5); }, ImageReadWriteError::invalidDPI);
}

TEST(ImageExports, JPEGCompressionInfinityMeansNoQuality) {
  QRCodeDesign design;
  const gfx::Image image = qrrender::cgImageWithDimension(code(), 200, design, nullptr);
  EXPECT_EQ(qrrender::jpegDataWithDimension(code(), 200, 72, design, nullptr, kInf), imageio::encodeImageData(image, ImageExportType::jpg(1)));
  EXPECT_EQ(qrrender::jpegDataWithDimension(code(), 200, 72, design, nullptr, 1.5),
            imageio::encodeImageData(image, ImageExportType::jpg(1, 1.0)));
  EXPECT_EQ(qrrender::jpegDataWithDimension(code(), 200, 72, design, nullptr, -0.5),
            imageio::encodeImageData(image, ImageExportType::jpg(1, 0.0)));
  // The dimension and size forms of TIFF pass the compression alike.
  EXPECT_EQ(qrrender::tiffDataWithDimension(code(), 200, 72, design, nullptr, 0.3),
            qrrender::tiffData(code(), {200, 200}, 72, design, nullptr, 0.3));
}

TEST(ImageExports, PDFPageIsTheSizeAtTheResolution) {
  QRCodeDesign design;
  const auto at72 = testsupport::pdfInfo(qrrender::pdfDataWithDimension(code(), 512, 72, design, nullptr));
  EXPECT_EQ(at72.pageCount, 1);
  EXPECT_DOUBLE_EQ(at72.pageSize.width, 512);
  EXPECT_DOUBLE_EQ(at72.pageSize.height, 512);
  const auto at144 = testsupport::pdfInfo(qrrender::pdfDataWithDimension(code(), 512, 144, design, nullptr));
  EXPECT_DOUBLE_EQ(at144.pageSize.width, 256);
  const foundation::Bytes pdf = qrrender::pdfData(code(), {300, 200}, 72, design, nullptr);
  const auto wide = testsupport::pdfInfo(pdf);
  EXPECT_DOUBLE_EQ(wide.pageSize.width, 300);
  EXPECT_DOUBLE_EQ(wide.pageSize.height, 200);
  const gfx::Image page = testsupport::rasterizePDF(pdf, 600, 400, gfx::Image::RGBA{255, 255, 255, 255});
  testsupport::writeImagePNG(page, "render-pdf-wide.png");
  EXPECT_TRUE(testsupport::decodeImage(page).bothRead(kText));
  // The largest page (512 x 8192 points a side) is drawn whole.
  const foundation::Bytes largest = qrrender::pdfDataWithDimension(code(), 512, 72.0 / 8192, design, nullptr);
  EXPECT_DOUBLE_EQ(testsupport::pdfInfo(largest).pageSize.width, gfx::Canvas::maxPDFPageSide);
  EXPECT_TRUE(testsupport::decodeImage(testsupport::rasterizePDF(largest, 512, 512, gfx::Image::RGBA{255, 255, 255, 255}))
                  .bothRead(kText));
}

TEST(ImageExports, PDFResolutionMustBeFiniteAndPositive) {
  QRCodeDesign design;
  for (double resolution : {0.0, -72.0, kNaN, kInf})
    expectError([&] { qrrender::pdfDataWithDimension(code(), 100, resolution, design, nullptr); }, QRCodeError::cannotGenerateImage);
  expectError([&] { qrrender::pdfDataWithDimension(code(), 0, 72, design, nullptr); }, QRCodeError::cannotGenerateImage);
  expectError([&] { qrrender::pdfData(code(), {gfx::Canvas::maxPDFPageSide + 1, 10}, 72, design, nullptr); },
              QRCodeError::cannotGenerateImage);
}

TEST(ImageExports, PlatformImageSizeIsInPoints) {
  QRCodeDesign design;
  const PlatformImage at72 = qrrender::nsImage(code(), {300, 300}, 72, design, nullptr);
  EXPECT_EQ(at72.cgImage.width(), 300);
  EXPECT_DOUBLE_EQ(at72.size.width, 300);
  const PlatformImage at144 = qrrender::nsImage(code(), {300, 300}, 144, design, nullptr);
  EXPECT_EQ(at144.cgImage.width(), 300);
  EXPECT_DOUBLE_EQ(at144.size.width, 150);
  EXPECT_DOUBLE_EQ(at144.size.height, 150);
  for (double dpi : {0.0, -1.0, kNaN})
    expectError([&] { qrrender::nsImage(code(), {300, 300}, dpi, design, nullptr); }, QRCodeError::cannotGenerateImage);
}

// Sizes that are positive yet degenerate: a page that would be written as a media box of
// zeros, a resolution so small that the point size is infinite, an archive of no pixels.
// Each is refused with the error its operation documents, never written as a success.
TEST(ImageExports, DegenerateSizesAreRefusedWithTheirErrors) {
  QRCodeDesign design;
  const gfx::Image bitmap = gfx::Image::filled(8, 8, {0, 0, 0, 255});
  struct Row {
    const char* name;
    std::function<void()> expectation;
  };
  const Row rows[] = {
      {"image PDF page of 1e-300 points",
       [&] {
         expectError([&] { imageio::encodeImageData(bitmap, ImageExportType::pdf({1e-300, 1e-300})); },
                     ImageReadWriteError::cannotCreatePDFContext);
       }},
      {"image PDF page 0.99 points wide",
       [&] {
         expectError([&] { imageio::encodeImageData(bitmap, ImageExportType::pdf({0.99, 200})); },
                     ImageReadWriteError::cannotCreatePDFContext);
       }},
      {"image PDF page of one point is written",
       [&] {
         const auto info = testsupport::pdfInfo(imageio::encodeImageData(bitmap, ImageExportType::pdf({1, 1})));
         EXPECT_DOUBLE_EQ(info.pageSize.width, 1);
         EXPECT_DOUBLE_EQ(info.pageSize.height, 1);
       }},
      {"QR PDF page of 1e-300 points",
       [&] {
         expectError([&] { qrrender::pdfData(code(), {300, 300}, 72 * 300 / 1e-300, design, nullptr); },
                     QRCodeError::cannotGenerateImage);
       }},
      {"QR PDF page 0.5 points high",
       [&] {
         expectError([&] { qrrender::pdfData(code(), {300, 100}, 14400, design, nullptr); },
                     QRCodeError::cannotGenerateImage);
       }},
      {"QR PDF page of one point is written",
       [&] {
         const auto info = testsupport::pdfInfo(qrrender::pdfData(code(), {100, 100}, 7200, design, nullptr));
         EXPECT_DOUBLE_EQ(info.pageSize.width, 1);
       }},
      {"platform image of a bitmap at 1e-320 dpi",
       [&] {
         expectError([&] { (void)ImageRepresentation(bitmap).platformImage(ImageResolution::dpi(1e-320)); },
                     ImageReadWriteError::invalidDPI);
       }},
      {"QR platform image at 1e-320 dpi",
       [&] {
         expectError([&] { qrrender::nsImage(code(), {300, 300}, 1e-320, design, nullptr); },
                     QRCodeError::cannotGenerateImage);
       }},
      {"QR view image of 12000 pixels at dpi 0, refused before it is drawn",
       [&] {
         const auto run = testsupport::runInChild([&] {
           try {
             (void)qrrender::swiftUIImage(code(), {12000, 12000}, 0, design, nullptr, "x");
           } catch (const foundation::Error& e) {
             return e.caseName();
           }
           return std::string("drawn");
         });
         EXPECT_EQ(run.answer, "invalidDPI");
         EXPECT_LT(run.peakBytes, 20u << 20);
       }},
      {"archive of a platform image without pixels",
       [&] {
         try {
           (void)PlatformImageCodable(PlatformImage{gfx::Image(), {10, 10}}).encode();
           ADD_FAILURE() << "no error";
         } catch (const foundation::Error& e) {
           EXPECT_TRUE(e.is(ImageReadWriteError::cannotCreateImageOfType)) << e.what();
           EXPECT_EQ(e.text(), "public.png");
         }
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    row.expectation();
  }
}

}  // namespace
