// The component path builder: which modules each part covers and where the eyes go.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "QRCode/design/QRCodeLogoTemplate.hpp"
#include "QRCode/design/QRCodeShape.hpp"
#include "QRCode/eye/QRCodeEyeShapesRounded.hpp"
#include "QRCode/pixel/CommonPixelShapes.hpp"
#include "QRCode/pixel/QRCodePixelInsetGenerator.hpp"
#include "QRCode/render/QRCodeComponentPaths.hpp"

namespace {

using C = QRCodeComponents;

// An eye whose templates are small asymmetric squares, to see each corner's mirroring:
// the eye is the module box (10, 10)-(20, 20) of the template, its background (10, 10)-
// (20, 20) as authored (so drawn at (10, 70) at the top-left after the vertical flip).
class MarkerEye final : public QRCodeEyeShapeGenerator {
 public:
  std::string_view name() const override { return "marker"; }
  std::string_view title() const override { return "Marker"; }
  std::shared_ptr<QRCodeEyeShapeGenerator> copyShape() const override { return std::make_shared<MarkerEye>(); }
  gfx::Path eyePath() const override {
    gfx::Path p;
    p.addRect(gfx::Rect(10, 10, 10, 10));
    return p;
  }
  gfx::Path eyeBackgroundPath() const override {
    gfx::Path p;
    p.addRect(gfx::Rect(10, 10, 10, 10));
    return p;
  }
  std::shared_ptr<QRCodePupilShapeGenerator> defaultPupil() const override {
    return std::make_shared<QRCodePupilShapeSquare>();
  }
  foundation::Settings settings() const override { return foundation::Settings::object(); }
  bool supportsSettingValueForKey(std::string_view) const override { return false; }
  bool setSettingValue(const foundation::Settings&, std::string_view) override { return false; }
};

std::shared_ptr<QRCodePixelShapeSquare> plainSquares() {
  return std::make_shared<QRCodePixelShapeSquare>(std::make_shared<QRCodePixelInsetFixed>(), 0.0, 0.0, false);
}

QRCodeShapePtr squareShape() {
  return std::make_shared<QRCodeShape>(plainSquares(), nullptr, false, std::make_shared<QRCodeEyeShapeSquare>(), nullptr);
}

// Module (row, col) centre in a drawing of `cell`-sized modules with an offset.
gfx::Point centre(int row, int col, double cell, gfx::Point offset = {}) {
  return {offset.x + (col + 0.5) * cell, offset.y + (row + 0.5) * cell};
}

bool inFinderOrBorder(int r, int c, int n) {
  return r == 0 || c == 0 || r == n - 1 || c == n - 1 || (r <= 8 && c <= 8) || (c <= 8 && r >= n - 9) ||
         (r <= 8 && c >= n - 9);
}

const QRCode& sampleCode() {
  static const QRCode qr("https://example.com/component-paths", QRCode::ErrorCorrection::quartile);
  return qr;
}

TEST(ComponentPaths, EmptyMatrixGivesTheEmptyRectangle) {
  const QRCode empty;
  auto shape = squareShape();
  const gfx::Path p = qrrender::path(empty, {100, 100}, C::foreground(), *shape, nullptr, 0);
  gfx::Path expected;
  expected.addRect(gfx::Rect(0, 0, 0, 0));
  EXPECT_EQ(p, expected);
}

TEST(ComponentPaths, EmptySetGivesEmptyPath) {
  auto shape = squareShape();
  EXPECT_TRUE(qrrender::path(sampleCode(), {100, 100}, C{}, *shape, nullptr, 0).empty());
}

TEST(ComponentPaths, PixelPartsCoverExactlyTheirModules) {
  const QRCode& qr = sampleCode();
  const auto& m = *qr.boolMatrix();
  const int n = static_cast<int>(m.dimension());
  const double cell = 10;
  auto shape = squareShape();  // no off-pixel generator: plain squares
  const gfx::Path on = qrrender::path(qr, {n * cell, n * cell}, C::onPixels(), *shape, nullptr, 0);
  const gfx::Path off = qrrender::path(qr, {n * cell, n * cell}, C::offPixels(), *shape, nullptr, 0);
  const gfx::Path onBack = qrrender::path(qr, {n * cell, n * cell}, C::onPixelsBackground(), *shape, nullptr, 0);
  const gfx::Path offBack = qrrender::path(qr, {n * cell, n * cell}, C::offPixelsBackground(), *shape, nullptr, 0);
  int bottomRightOn = 0;
  for (int r = 0; r < n; ++r)
    for (int c = 0; c < n; ++c) {
      const gfx::Point p = centre(r, c, cell);
      const bool drawn = !inFinderOrBorder(r, c, n);
      ASSERT_EQ(on.contains(p), drawn && m.value(r, c)) << r << "," << c;
      ASSERT_EQ(off.contains(p), drawn && !m.value(r, c)) << r << "," << c;
      ASSERT_EQ(onBack.contains(p), drawn && m.value(r, c)) << r << "," << c;
      ASSERT_EQ(offBack.contains(p), drawn && !m.value(r, c)) << r << "," << c;
      if (r >= n - 9 && c >= n - 9 && on.contains(p)) ++bottomRightOn;
    }
  EXPECT_GT(bottomRightOn, 0) << "the bottom-right corner keeps its modules";
}

TEST(ComponentPaths, NegatedOnPixelsIsTheWholeInvertedMatrixAndAlone) {
  const QRCode& qr = sampleCode();
  const auto& m = *qr.boolMatrix();
  const int n = static_cast<int>(m.dimension());
  auto shape = squareShape();
  const gfx::Path negated = qrrender::path(qr, {n * 4.0, n * 4.0}, C::negatedOnPixels(), *shape, nullptr, 0);
  EXPECT_EQ(qrrender::path(qr, {n * 4.0, n * 4.0}, C(static_cast<std::uint8_t>(32 | 1 | 16)), *shape, nullptr, 0),
            negated);
  for (int r = 0; r < n; ++r)
    for (int c = 0; c < n; ++c) ASSERT_EQ(negated.contains(centre(r, c, 4)), !m.value(r, c)) << r << "," << c;
}

TEST(ComponentPaths, EyesGoToThreeCornersMirrored) {
  const QRCode& qr = sampleCode();
  const int n = static_cast<int>(qr.cellDimension());
  const double cell = 10;
  auto shape = squareShape();
  shape->setEye(std::make_shared<MarkerEye>());
  const gfx::Path eyes = qrrender::path(qr, {n * cell, n * cell}, C::eye(), *shape, nullptr, 0);
  // The marker sits in module (1, 1) of the template box.
  EXPECT_TRUE(eyes.contains(centre(1, 1, cell)));          // top-left, as drawn
  EXPECT_TRUE(eyes.contains(centre(n - 2, 1, cell)));      // bottom-left, mirrored top to bottom
  EXPECT_TRUE(eyes.contains(centre(1, n - 2, cell)));      // top-right, mirrored left to right
  EXPECT_FALSE(eyes.contains(centre(n - 2, n - 2, cell)));  // no eye at the bottom right
  EXPECT_FALSE(eyes.contains(centre(7, 1, cell)));
  EXPECT_EQ(eyes.bounds().width(), (n - 2) * cell);

  // The background template is flipped vertically first: top-left shows it flipped,
  // bottom-left as drawn, top-right turned half a turn.
  const gfx::Path backgrounds = qrrender::path(qr, {n * cell, n * cell}, C::eyeBackground(), *shape, nullptr, 0);
  EXPECT_TRUE(backgrounds.contains(centre(7, 1, cell)));
  EXPECT_TRUE(backgrounds.contains(centre(n - 8, 1, cell)));
  EXPECT_TRUE(backgrounds.contains(centre(7, n - 2, cell)));
  EXPECT_FALSE(backgrounds.contains(centre(1, 1, cell)));
}

TEST(ComponentPaths, ShapeWithoutPupilUsesTheEyesDefaultPupil) {
  const QRCode& qr = sampleCode();
  auto shape = squareShape();
  const gfx::Path withDefault = qrrender::path(qr, {230, 230}, C::pupil(), *shape, nullptr, 0);
  shape->setPupil(std::make_shared<QRCodePupilShapeSquare>());
  EXPECT_EQ(qrrender::path(qr, {230, 230}, C::pupil(), *shape, nullptr, 0), withDefault);
  shape->setPupil(std::make_shared<QRCodePupilShapeRoundedRect>());
  EXPECT_NE(qrrender::path(qr, {230, 230}, C::pupil(), *shape, nullptr, 0), withDefault);
  // The pupil box is modules 3 to 5 of each eye box.
  const int n = static_cast<int>(qr.cellDimension());
  const double cell = 230.0 / n;
  EXPECT_TRUE(withDefault.contains(centre(4, 4, cell)));
  EXPECT_TRUE(withDefault.contains(centre(n - 5, 4, cell)));
  EXPECT_TRUE(withDefault.contains(centre(4, n - 5, cell)));
}

TEST(ComponentPaths, PartsAreListedInOrder) {
  const QRCode& qr = sampleCode();
  auto shape = squareShape();
  const gfx::Size size{200, 200};
  gfx::Path expected = qrrender::path(qr, size, C::eyeBackground(), *shape, nullptr, 0);
  for (C part : {C::eye(), C::pupil(), C::offPixelsBackground(), C::offPixels(), C::onPixelsBackground(), C::onPixels()})
    expected.addPath(qrrender::path(qr, size, part, *shape, nullptr, 0));
  EXPECT_EQ(qrrender::path(qr, size, C(static_cast<std::uint8_t>(255 & ~32)), *shape, nullptr, 0), expected);
}

TEST(ComponentPaths, NonSquareSizeCentresTheGridAndAddsTheQuietSpace) {
  const QRCode& qr = sampleCode();
  const int n = static_cast<int>(qr.cellDimension());
  auto shape = squareShape();
  const double a = 7;
  const gfx::Path wide = qrrender::path(qr, {n * 10.0 + 60, n * 10.0}, C::allDesignShapes(), *shape, nullptr, a);
  const gfx::Path square = qrrender::path(qr, {n * 10.0, n * 10.0}, C::allDesignShapes(), *shape, nullptr, 0);
  EXPECT_TRUE(gfx::approximatelyEqual(wide, square.transformed(gfx::AffineTransform::translation(30 + a, a)), 1e-9));
  const gfx::Path tall = qrrender::path(qr, {n * 10.0, n * 10.0 + 40}, C::allDesignShapes(), *shape, nullptr, 0);
  EXPECT_TRUE(gfx::approximatelyEqual(tall, square.transformed(gfx::AffineTransform::translation(0, 20)), 1e-9));
}

TEST(ComponentPaths, LogoMasksPixelsButNotEyes) {
  const QRCode& qr = sampleCode();
  const auto& m = *qr.boolMatrix();
  const int n = static_cast<int>(m.dimension());
  const double cell = 10, side = n * cell;
  auto shape = squareShape();
  const auto logo = QRCodeLogoTemplate::SquareCenterWithImage(gfx::Image::filled(4, 4, {255, 0, 0, 255}), 0);
  const gfx::Path region = logo->absolutePathForMaskPathWithDimension(side, false);
  const gfx::Path on = qrrender::path(qr, {side, side}, C::onPixels(), *shape, logo.get(), 0);
  const gfx::Path off = qrrender::path(qr, {side, side}, C::offPixels(), *shape, logo.get(), 0);
  int masked = 0;
  for (int r = 0; r < n; ++r)
    for (int c = 0; c < n; ++c) {
      const gfx::Point p = centre(r, c, cell);
      if (inFinderOrBorder(r, c, n)) continue;
      if (region.contains(p)) {
        ++masked;
        ASSERT_FALSE(on.contains(p));
        ASSERT_FALSE(off.contains(p));
      } else {
        ASSERT_EQ(on.contains(p), m.value(r, c));
        ASSERT_EQ(off.contains(p), !m.value(r, c));
      }
    }
  EXPECT_GT(masked, 0);
  for (C part : {C::eye(), C::pupil(), C::eyeBackground()})
    EXPECT_EQ(qrrender::path(qr, {side, side}, part, *shape, logo.get(), 0),
              qrrender::path(qr, {side, side}, part, *shape, nullptr, 0));
}

TEST(ComponentPaths, DimensionFormIsTheSquareSize) {
  auto shape = squareShape();
  EXPECT_EQ(qrrender::pathWithDimension(sampleCode(), 123, C::foreground(), *shape, nullptr, 4),
            qrrender::path(sampleCode(), {123, 123}, C::foreground(), *shape, nullptr, 4));
}

}  // namespace
