// Eyes and pupils drawn with the design's pixel shape: the path builder and the renderer
// link them to the on-pixel generator, and the rendered codes still decode.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "QRCode/design/QRCodeDesign.hpp"
#include "QRCode/design/QRCodeShape.hpp"
#include "QRCode/eye/QRCodeEyeShapeUsePixelShape.hpp"
#include "QRCode/eye/QRCodeEyeShapesRounded.hpp"
#include "QRCode/eye/QRCodePupilShapesConfigurable.hpp"
#include "QRCode/pixel/CommonPixelShapes.hpp"
#include "QRCode/pixel/QRCodePixelInsetGenerator.hpp"
#include "QRCode/pixel/QRCodePixelShapeFactory.hpp"
#include "QRCode/render/QRCodeComponentPaths.hpp"
#include "QRCode/render/QRCodeImageExports.hpp"
#include "platform/graphics/AffineTransform.hpp"
#include "support/Raster.hpp"

namespace {

const std::string kURL = "https://vidlumen.example.com/wallpaper/lagoon-7Qm2Xr?utm_source=share";

const QRCode& urlCode() {
  static const QRCode qr(kURL, QRCode::ErrorCorrection::medium);
  return qr;
}

// A design drawn with the given pixel shape and the use-pixel-shape eye and pupil.
std::shared_ptr<QRCodeDesign> pixelShapeDesign(QRCodePixelShapeGeneratorPtr pixels) {
  auto design = std::make_shared<QRCodeDesign>();
  design->shape()->setOnPixels(std::move(pixels));
  design->shape()->setEye(std::make_shared<QRCodeEyeShapeUsePixelShape>());
  design->shape()->setPupil(std::make_shared<QRCodePupilShapeUsePixelShape>());
  return design;
}

QRCodeEyeShapeUsePixelShape& eyeOf(QRCodeShape& shape) {
  return dynamic_cast<QRCodeEyeShapeUsePixelShape&>(*shape.eye());
}
QRCodePupilShapeUsePixelShape& pupilOf(QRCodeShape& shape) {
  return dynamic_cast<QRCodePupilShapeUsePixelShape&>(*shape.pupil());
}

TEST(UsePixelShapeLink, LinksTheEyeAndThePupilToTheOnPixels) {
  auto design = pixelShapeDesign(QRCodePixelShapeCircle::Create());
  QRCodeShape& shape = *design->shape();
  EXPECT_EQ(eyeOf(shape).pixelShape(), nullptr);
  EXPECT_EQ(pupilOf(shape).pixelShape(), nullptr);
  qrrender::linkPixelShapeEyes(shape);
  EXPECT_EQ(eyeOf(shape).pixelShape(), shape.onPixels());
  EXPECT_EQ(pupilOf(shape).pixelShape(), shape.onPixels());
  // A new on-pixel shape is linked at the next drawing; the link stays afterwards.
  shape.setOnPixels(QRCodePixelShapeFactory::shared().named("blob"));
  EXPECT_EQ(eyeOf(shape).pixelShape(), nullptr);  // the circles have gone
  qrrender::pathWithDimension(urlCode(), 250, QRCodeComponents::allDesignShapes(), shape, nullptr, 0);
  EXPECT_EQ(eyeOf(shape).pixelShape(), shape.onPixels());
  EXPECT_EQ(pupilOf(shape).pixelShape(), shape.onPixels());
}

TEST(UsePixelShapeLink, OnlyTheShapesOwnPupilIsLinked) {
  auto created = QRCodeShape::create();
  QRCodeShape& shape = *created;
  shape.setOnPixels(QRCodePixelShapeCircle::Create());
  shape.setEye(std::make_shared<QRCodeEyeShapeUsePixelShape>());
  ASSERT_EQ(shape.pupil(), nullptr);
  qrrender::linkPixelShapeEyes(shape);
  EXPECT_EQ(eyeOf(shape).pixelShape(), shape.onPixels());
  // The eye's default pupil is a new, unlinked pupil: plain squares.
  const auto pupil = std::dynamic_pointer_cast<QRCodePupilShapeUsePixelShape>(shape.actualPupilShape());
  ASSERT_NE(pupil, nullptr);
  EXPECT_EQ(pupil->pixelShape(), nullptr);
  // Other eyes and pupils are left alone.
  auto otherShape = QRCodeShape::create();
  QRCodeShape& other = *otherShape;
  other.setEye(std::make_shared<QRCodeEyeShapeRoundedRect>());
  other.setPupil(std::make_shared<QRCodePupilShapeEdges>(0.5));
  qrrender::linkPixelShapeEyes(other);
  EXPECT_EQ(other.pupil()->settings(), (foundation::Settings{{"cornerRadiusFraction", 0.5}}));
}

TEST(UsePixelShapeLink, EyeAndPupilPartsAreDrawnWithThePixelShape) {
  auto circles = QRCodePixelShapeCircle::Create();
  auto design = pixelShapeDesign(circles);
  QRCodeShape& shape = *design->shape();
  const std::int64_t n = urlCode().cellDimension();
  const double cell = 10;  // size n * 10: the eye scale is 1
  const double side = static_cast<double>(n) * cell;
  const gfx::Path eyes = qrrender::pathWithDimension(urlCode(), side, QRCodeComponents::eye(), shape, nullptr, 0);
  const gfx::Path ring = circles->generatePathFrom(QRCodeEyeShapeUsePixelShape::eyeTemplate(), {90, 90});
  // The top-left eye is the circle ring as built; the bottom-left one mirrored.
  gfx::Path expected;
  expected.addPath(ring);
  expected.addPath(ring, gfx::AffineTransform{1, 0, 0, -1, 0, 90 + side - 90});
  expected.addPath(ring, gfx::AffineTransform{-1, 0, 0, 1, 90 + side - 90, 0});
  EXPECT_EQ(eyes, expected);
  const gfx::Path pupils = qrrender::pathWithDimension(urlCode(), side, QRCodeComponents::pupil(), shape, nullptr, 0);
  const gfx::Path centre = circles->generatePathFrom(QRCodePupilShapeUsePixelShape::pupilTemplate(), {60, 60});
  ASSERT_EQ(pupils.size(), 3 * centre.size());
  for (std::size_t i = 0; i < centre.size(); ++i) EXPECT_EQ(pupils.elements()[i], centre.elements()[i]) << i;
}

// Pixel shapes that join neighbouring modules keep the finder patterns solid: the codes
// decode with both decoders.
TEST(UsePixelShapeRender, CodesWithJoinedModulesDecode) {
  for (const char* name : {"square", "roundedPath", "blob", "roundedEndIndent", "razor", "pointy"}) {
    SCOPED_TRACE(name);
    auto design = pixelShapeDesign(QRCodePixelShapeFactory::shared().named(name));
    const gfx::Image image = qrrender::cgImageWithDimension(urlCode(), 400, *design, nullptr);
    testsupport::writeImagePNG(image, std::string("render-use-pixel-shape-") + name + ".png");
    EXPECT_TRUE(testsupport::decodeImage(image).bothRead(kURL));
  }
}

// The drawn finder patterns follow the pixel shape: circles leave the ring's outer corner
// and the gaps between the pupil modules light, squares fill them. (Finder patterns of
// separate dots are beyond the decoders' finder detection, so these are checked by pixel.)
TEST(UsePixelShapeRender, FinderPatternsFollowThePixelShape) {
  const int side = 800;
  const double cell = static_cast<double>(side) / static_cast<double>(urlCode().cellDimension());
  auto at = [&](const gfx::Image& image, double col, double row) {
    return image.pixelAt(static_cast<int>(cell * col), static_cast<int>(cell * row));
  };
  auto circles = pixelShapeDesign(QRCodePixelShapeCircle::Create());
  const gfx::Image dots = qrrender::cgImageWithDimension(urlCode(), side, *circles, nullptr);
  testsupport::writeImagePNG(dots, "render-use-pixel-shape-circle.png");
  auto squares = pixelShapeDesign(QRCodePixelShapeSquare::Create());
  const gfx::Image solid = qrrender::cgImageWithDimension(urlCode(), side, *squares, nullptr);
  const double n = static_cast<double>(urlCode().cellDimension());
  // Ring corners of the three finder patterns, and a corner between pupil modules.
  const double probes[][2] = {{1.1, 1.1}, {n - 1.1, 1.1}, {1.1, n - 1.1}, {4.0, 4.0}, {n - 4.0, 4.0}};
  for (const auto& p : probes) {
    SCOPED_TRACE(testing::Message() << p[0] << "," << p[1]);
    EXPECT_GT(at(dots, p[0], p[1]).r, 200);
    EXPECT_LT(at(solid, p[0], p[1]).r, 60);
  }
  // Module centres on the ring and in the pupil are dark in both.
  for (const auto& p : {std::pair{1.5, 1.5}, std::pair{4.5, 1.5}, std::pair{n - 1.5, 4.5}, std::pair{4.5, 4.5}}) {
    EXPECT_LT(at(dots, p.first, p.second).r, 60);
    EXPECT_LT(at(solid, p.first, p.second).r, 60);
  }
  // The square eye with the same circles fills the ring corner.
  circles->shape()->setEye(std::make_shared<QRCodeEyeShapeRoundedRect>());
  circles->shape()->setPupil(nullptr);
  const gfx::Image rounded = qrrender::cgImageWithDimension(urlCode(), side, *circles, nullptr);
  EXPECT_LT(at(rounded, 2.0, 1.2).r, 60);
  EXPECT_TRUE(testsupport::decodeImage(rounded).bothRead(kURL));
}

TEST(UsePixelShapeRender, SettingsRoundTripKeepsTheLookAndDecodes) {
  auto design = pixelShapeDesign(QRCodePixelShapeFactory::shared().named("roundedPath"));
  const gfx::Image before = qrrender::cgImageWithDimension(urlCode(), 300, *design, nullptr);
  const auto restored = QRCodeDesign::CreateWithSettings(design->settings());
  ASSERT_NE(restored, nullptr);
  EXPECT_EQ(restored->shape()->eye()->name(), "usePixelShape");
  ASSERT_NE(restored->shape()->pupil(), nullptr);
  EXPECT_EQ(restored->shape()->pupil()->name(), "usePixelShape");
  const gfx::Image after = qrrender::cgImageWithDimension(urlCode(), 300, *restored, nullptr);
  EXPECT_EQ(after, before);
  EXPECT_TRUE(testsupport::decodeImage(after).bothRead(kURL));
}

}  // namespace
