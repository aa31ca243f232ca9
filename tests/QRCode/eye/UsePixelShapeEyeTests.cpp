// The eye drawn with a pixel shape: its ring template, the fallback squares, the weak link
// to a pixel shape, its default pupil, record and preview.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "QRCode/QRCodeEyeShape.hpp"
#include "QRCode/QRCodePixelShape.hpp"
#include "QRCode/QRCodePupilShape.hpp"
#include "QRCode/core/QRCodeBoolMatrix.hpp"
#include "tests/QRCode/eye/ShapeProperties.hpp"

namespace {

using eyetest::boundsSpan;
using eyetest::emptyBoth;
using eyetest::filledBoth;
using eyetest::subpathsOf;
using foundation::Settings;
using gfx::Point;

// The ring cells: rows and columns 1...7 of the 9 x 9 template where the row or the
// column is 1 or 7.
bool onRing(int row, int col) {
  const bool inside = row >= 1 && row <= 7 && col >= 1 && col <= 7;
  return inside && (row == 1 || row == 7 || col == 1 || col == 7);
}

TEST(UsePixelShapeEye, TemplateIsTheFinderRingInAMargin) {
  const QRCodeBoolMatrix& ring = QRCodeEyeShapeUsePixelShape::eyeTemplate();
  ASSERT_EQ(ring.dimension(), 9);
  int on = 0;
  for (int r = 0; r < 9; ++r)
    for (int c = 0; c < 9; ++c) {
      EXPECT_EQ(ring.value(r, c), onRing(r, c)) << r << "," << c;
      on += ring.value(r, c) ? 1 : 0;
    }
  EXPECT_EQ(on, 24);
  EXPECT_EQ(&ring, &QRCodeEyeShapeUsePixelShape::eyeTemplate());
}

TEST(UsePixelShapeEye, WithoutAPixelShapeDraws24Squares) {
  for (const auto& eye : {std::make_shared<QRCodeEyeShapeUsePixelShape>(),
                          std::dynamic_pointer_cast<QRCodeEyeShapeUsePixelShape>(
                              QRCodeEyeShapeUsePixelShape().copyShape())}) {
    ASSERT_NE(eye, nullptr);
    EXPECT_EQ(eye->pixelShape(), nullptr);
    const gfx::Path path = eye->eyePath();
    const auto subpaths = subpathsOf(path);
    ASSERT_EQ(subpaths.size(), 24u);
    for (const auto& s : subpaths) {
      EXPECT_TRUE(s.closed);
      EXPECT_NEAR(std::abs(s.signedArea), 100, 1e-9);  // a full 10 x 10 square
    }
    EXPECT_TRUE(boundsSpan(path, 10, 80));
    for (int r = 0; r < 9; ++r)
      for (int c = 0; c < 9; ++c) {
        const Point centre{c * 10 + 5.0, r * 10 + 5.0};
        EXPECT_EQ(filledBoth(path, centre), onRing(r, c)) << r << "," << c;
        if (!onRing(r, c)) {
          EXPECT_TRUE(emptyBoth(path, centre));
        }
      }
    // Whole squares: the ring's corner points are filled right up to its edge.
    EXPECT_TRUE(filledBoth(path, {10.1, 10.1}));
    EXPECT_TRUE(filledBoth(path, {79.9, 79.9}));
    EXPECT_TRUE(emptyBoth(path, {20.1, 20.1}));
  }
}

TEST(UsePixelShapeEye, DrawsWithTheLinkedPixelShapeUntilItIsGone) {
  QRCodeEyeShapeUsePixelShape eye;
  auto circles = QRCodePixelShapeCircle::Create();
  eye.setPixelShape(circles);
  const gfx::Path path = eye.eyePath();
  EXPECT_EQ(path, circles->generatePathFrom(QRCodeEyeShapeUsePixelShape::eyeTemplate(), {90, 90}));
  ASSERT_EQ(subpathsOf(path).size(), 24u);
  EXPECT_TRUE(emptyBoth(path, {10.3, 10.3}));  // a circle leaves the cell corner empty
  EXPECT_TRUE(filledBoth(path, {15, 15}));
  EXPECT_TRUE(emptyBoth(path, {45, 45}));
  std::weak_ptr<QRCodePixelShapeGenerator> watch = circles;
  circles.reset();
  EXPECT_TRUE(watch.expired());  // the eye does not keep it alive
  EXPECT_EQ(eye.pixelShape(), nullptr);
  EXPECT_EQ(eye.eyePath(), QRCodeEyeShapeUsePixelShape().eyePath());
  EXPECT_TRUE(filledBoth(eye.eyePath(), {10.3, 10.3}));
}

TEST(UsePixelShapeEye, InsetAndNeighbourDrivenShapesApplyToTheRing) {
  // Every pixel shape of the factory draws a ring around 10...80 with an empty centre.
  // Donut modules overhang their cells by a tenth of the cell and shiny stars by an
  // eighth, as they do among data modules.
  for (const auto& shape : QRCodePixelShapeFactory::shared().all()) {
    SCOPED_TRACE(std::string(shape->name()));
    QRCodeEyeShapeUsePixelShape eye;
    eye.setPixelShape(shape);
    const gfx::Path path = eye.eyePath();
    ASSERT_FALSE(path.empty());
    const double overhang = shape->name() == "shiny" ? 1.25 : shape->name() == "donut" ? 1.0 : 0.0;
    EXPECT_TRUE(eyetest::boundsWithin(path, 10 - overhang, 80 + overhang, 1e-6));
    EXPECT_TRUE(emptyBoth(path, {45, 45}));
    EXPECT_TRUE(emptyBoth(path, {5, 45}));
    EXPECT_EQ(path, shape->generatePathFrom(QRCodeEyeShapeUsePixelShape::eyeTemplate(), {90, 90}));
  }
  // A rounded-rectangle pixel with an inset leaves gaps between the ring modules.
  QRCodeEyeShapeUsePixelShape eye;
  const auto rounded = QRCodePixelShapeFactory::shared().named(
      "roundedRect", Settings{{"insetFraction", 0.4}, {"cornerRadiusFraction", 1}});
  eye.setPixelShape(rounded);
  EXPECT_TRUE(emptyBoth(eye.eyePath(), {20, 15}));
  EXPECT_TRUE(filledBoth(eye.eyePath(), {25, 15}));
}

TEST(UsePixelShapeEye, BackgroundIsTheWholeEyeSpace) {
  QRCodeEyeShapeUsePixelShape eye;
  gfx::Path square;
  square.addRect(gfx::Rect{0, 0, 90, 90});
  EXPECT_EQ(eye.eyeBackgroundPath(), square);
  const auto circles = QRCodePixelShapeCircle::Create();
  eye.setPixelShape(circles);
  EXPECT_EQ(eye.eyeBackgroundPath(), square);
}

TEST(UsePixelShapeEye, EveryDefaultPupilIsNewAndUnlinked) {
  QRCodeEyeShapeUsePixelShape eye;
  const auto circles = QRCodePixelShapeCircle::Create();
  eye.setPixelShape(circles);
  const auto first = eye.defaultPupil();
  const auto second = eye.defaultPupil();
  ASSERT_NE(first, nullptr);
  EXPECT_NE(first.get(), second.get());
  for (const auto& pupil : {first, second}) {
    const auto use = std::dynamic_pointer_cast<QRCodePupilShapeUsePixelShape>(pupil);
    ASSERT_NE(use, nullptr);
    EXPECT_EQ(use->pixelShape(), nullptr);
  }
}

TEST(UsePixelShapeEye, NoSettingsAndItsRecord) {
  QRCodeEyeShapeUsePixelShape eye;
  EXPECT_EQ(eye.name(), "usePixelShape");
  EXPECT_EQ(eye.title(), "Use Pixel Shape");
  EXPECT_TRUE(eye.settings().is_object());
  EXPECT_TRUE(eye.settings().empty());
  EXPECT_FALSE(eye.supportsSettingValueForKey("cornerRadiusFraction"));
  EXPECT_FALSE(eye.setSettingValue(Settings(0.5), "cornerRadiusFraction"));
  const auto record = eye.typeAndSettings();
  EXPECT_EQ(record, (Settings{{"type", "usePixelShape"}, {"settings", Settings::object()}}));
  const auto restored = QRCodeEyeShapeFactory::shared().createWithSettings(record);
  ASSERT_NE(restored, nullptr);
  EXPECT_EQ(restored->name(), "usePixelShape");
  EXPECT_NE(dynamic_cast<QRCodeEyeShapeUsePixelShape*>(restored.get()), nullptr);
  EXPECT_NE(QRCodeEyeShapeFactory::shared().named("usePixelShape", Settings{{"x", 1}}), nullptr);
  const auto copy = eye.copyShape();
  EXPECT_EQ(copy->settings(), eye.settings());
}

TEST(UsePixelShapeEye, PreviewShowsTheRingsFirstAndLastRows) {
  const gfx::Color black = gfx::Color::sRGB(0, 0, 0);
  const QRCodeEyeShapeUsePixelShape eye;
  // Without a pupil: the bars of the eye and the default pupil's nine squares.
  const gfx::Image image = QRCodeEyeShapeFactory::previewImage(90, eye, nullptr, black);
  EXPECT_GT(image.pixelAt(45, 15).a, 200);
  EXPECT_GT(image.pixelAt(45, 75).a, 200);
  EXPECT_EQ(image.pixelAt(15, 45).a, 0);  // the ring's side columns are not shown
  EXPECT_GT(image.pixelAt(45, 45).a, 200);
  // With a use-pixel-shape pupil: two 30 x 10 bars instead of the pupil.
  const QRCodePupilShapeUsePixelShape pupil;
  const gfx::Image withPupil = QRCodeEyeShapeFactory::previewImage(90, eye, &pupil, black);
  EXPECT_GT(withPupil.pixelAt(45, 35).a, 200);
  EXPECT_GT(withPupil.pixelAt(45, 55).a, 200);
  EXPECT_EQ(withPupil.pixelAt(45, 45).a, 0);
  // Another eye with the use-pixel-shape pupil: its own ring and the two bars.
  const gfx::Image square = QRCodeEyeShapeFactory::previewImage(90, QRCodeEyeShapeSquare(), &pupil, black);
  EXPECT_GT(square.pixelAt(15, 45).a, 200);
  EXPECT_EQ(square.pixelAt(45, 45).a, 0);
}

}  // namespace
