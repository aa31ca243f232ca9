// A document whose eyes and pupils are drawn with its pixel shape: its bitmap and PDF
// exports decode, copies and restored designs draw the same way.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "QRCode/design/QRCodeDesign.hpp"
#include "QRCode/document/QRCodeDocument.hpp"
#include "QRCode/eye/QRCodeEyeShapeUsePixelShape.hpp"
#include "QRCode/eye/QRCodePupilShapesConfigurable.hpp"
#include "QRCode/pixel/CommonPixelShapes.hpp"
#include "QRCode/pixel/QRCodePixelShapeFactory.hpp"
#include "support/Raster.hpp"

namespace {

const std::string kURL = "https://vidlumen.example.com/wallpaper/dunes-K2p9wQ?utm_source=app";

std::unique_ptr<QRCodeDocument> pixelShapeDocument(const char* pixelShape) {
  auto document = std::make_unique<QRCodeDocument>(kURL, QRCode::ErrorCorrection::quartile);
  document->modifyDesign([&](QRCodeDesignPtr& design) {
    design->shape()->setOnPixels(QRCodePixelShapeFactory::shared().named(pixelShape));
    design->shape()->setEye(std::make_shared<QRCodeEyeShapeUsePixelShape>());
    design->shape()->setPupil(std::make_shared<QRCodePupilShapeUsePixelShape>());
  });
  return document;
}

TEST(UsePixelShapeDocument, BitmapAndPDFDecode) {
  for (const char* pixelShape : {"square", "blob", "roundedPath", "roundedEndIndent"}) {
    SCOPED_TRACE(pixelShape);
    auto document = pixelShapeDocument(pixelShape);
    const gfx::Image bitmap = document->cgImageWithDimension(360);
    testsupport::writeImagePNG(bitmap, std::string("document-use-pixel-shape-") + pixelShape + ".png");
    EXPECT_TRUE(testsupport::decodeImage(bitmap).bothRead(kURL)) << "bitmap";
    // The document's eye now draws with the document's pixel shape.
    const auto& shape = *document->design()->shape();
    const auto* eye = dynamic_cast<const QRCodeEyeShapeUsePixelShape*>(shape.eye().get());
    ASSERT_NE(eye, nullptr);
    EXPECT_EQ(eye->pixelShape(), shape.onPixels());
    const foundation::Bytes pdf = document->pdfDataWithDimension(360, 72);
    const gfx::Image page = testsupport::rasterizePDF(pdf, 360, 360, gfx::Image::RGBA{255, 255, 255, 255});
    EXPECT_TRUE(testsupport::decodeImage(page).bothRead(kURL)) << "PDF";
  }
}

TEST(UsePixelShapeDocument, CopiesAndRestoredDesignsDrawTheSame) {
  auto document = pixelShapeDocument("blob");
  const gfx::Image original = document->cgImageWithDimension(300);
  // A copied document's eye starts unlinked and is linked again when drawn.
  const auto copy = document->copyDocument();
  const auto* copiedEye = dynamic_cast<const QRCodeEyeShapeUsePixelShape*>(copy->design()->shape()->eye().get());
  ASSERT_NE(copiedEye, nullptr);
  EXPECT_EQ(copiedEye->pixelShape(), nullptr);
  EXPECT_EQ(copy->cgImageWithDimension(300), original);
  // A design restored from its settings.
  auto restored = std::make_unique<QRCodeDocument>(kURL, QRCode::ErrorCorrection::quartile);
  restored->setDesign(QRCodeDesign::CreateWithSettings(document->design()->settings()));
  const gfx::Image image = restored->cgImageWithDimension(300);
  EXPECT_EQ(image, original);
  EXPECT_TRUE(testsupport::decodeImage(image).bothRead(kURL));
}

}  // namespace
