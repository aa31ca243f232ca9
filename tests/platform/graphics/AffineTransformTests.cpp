#include "platform/graphics/AffineTransform.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using gfx::AffineTransform;
using gfx::Point;
using gfx::Rect;

namespace {
void expectPoint(Point p, double x, double y, const char* what) {
  EXPECT_NEAR(p.x, x, 1e-12) << what;
  EXPECT_NEAR(p.y, y, 1e-12) << what;
}
}  // namespace

TEST(AffineTransformTest, ApplyFollowsTheComponentFormula) {
  const AffineTransform t{1, 2, 3, 4, 5, 6};
  expectPoint(t.apply(Point{1, 1}), 1 + 3 + 5, 2 + 4 + 6, "x' = a x + c y + tx");
  expectPoint(t.apply(Point{2, -1}), 2 - 3 + 5, 4 - 4 + 6, "second point");
  const auto s = t.apply(gfx::Size{1, 1});
  EXPECT_EQ(s.width, 4);
  EXPECT_EQ(s.height, 6);
}

TEST(AffineTransformTest, TranslatedByPutsTheStepInFront) {
  // Points are translated first, then scaled.
  const auto t = AffineTransform::scale(2, 3).translatedBy(10, 1);
  expectPoint(t.apply(Point{0, 0}), 20, 3, "origin");
  expectPoint(t.apply(Point{1, 1}), 22, 6, "one");
  EXPECT_EQ(t, AffineTransform::translation(10, 1).concatenating(AffineTransform::scale(2, 3)));

  // Points are scaled first, then translated.
  const auto u = AffineTransform::translation(10, 1).scaledBy(2, 3);
  expectPoint(u.apply(Point{1, 1}), 12, 4, "scale in front");
}

TEST(AffineTransformTest, ConcatenatingAppliesTheLeftFirst) {
  const auto t1 = AffineTransform::translation(10, 0);
  const auto t2 = AffineTransform::rotation(std::numbers::pi / 2);
  expectPoint(t1.concatenating(t2).apply(Point{1, 0}), 0, 11, "translate, then rotate");
  expectPoint(t2.concatenating(t1).apply(Point{1, 0}), 10, 1, "rotate, then translate");
  // Composition agrees with applying one after the other.
  const AffineTransform a{1.5, 0.2, -0.7, 0.9, 3, -4};
  const AffineTransform b{0.3, -1.1, 2, 0.5, -6, 7};
  const Point p{2.5, -3.25};
  const Point viaSteps = b.apply(a.apply(p));
  const Point viaProduct = a.concatenating(b).apply(p);
  EXPECT_NEAR(viaSteps.x, viaProduct.x, 1e-12);
  EXPECT_NEAR(viaSteps.y, viaProduct.y, 1e-12);
}

TEST(AffineTransformTest, PositiveAnglesTurnXTowardsY) {
  expectPoint(AffineTransform::rotation(std::numbers::pi / 2).apply(Point{1, 0}), 0, 1, "quarter");
  expectPoint(AffineTransform().rotatedBy(std::numbers::pi).apply(Point{1, 2}), -1, -2, "half");
  // rotatedBy is in front too: rotate first, then translate.
  const auto t = AffineTransform::translation(5, 5).rotatedBy(std::numbers::pi / 2);
  expectPoint(t.apply(Point{1, 0}), 5, 6, "rotate then translate");
}

TEST(AffineTransformTest, Inverse) {
  const AffineTransform t = AffineTransform::translation(3, -2).scaledBy(2, 4).rotatedBy(0.3);
  const auto inv = t.inverted();
  const Point p{7, -11};
  const Point back = inv.apply(t.apply(p));
  EXPECT_NEAR(back.x, p.x, 1e-12);
  EXPECT_NEAR(back.y, p.y, 1e-12);
  const auto product = t.concatenating(inv);
  const double components[6] = {product.a - 1, product.b, product.c, product.d - 1, product.tx, product.ty};
  for (const double c : components) EXPECT_NEAR(c, 0, 1e-12);
  const AffineTransform singular{1, 2, 2, 4, 1, 1};
  EXPECT_EQ(singular.inverted(), singular);
  EXPECT_TRUE(AffineTransform::identity().isIdentity());
  EXPECT_FALSE(AffineTransform::translation(0, 1).isIdentity());
}

TEST(AffineTransformTest, RectangleBoundingBox) {
  const auto rotated = AffineTransform::rotation(std::numbers::pi / 4).apply(Rect(0, 0, 2, 2));
  const double s = std::sqrt(2.0);
  EXPECT_NEAR(rotated.minX(), -s, 1e-12);
  EXPECT_NEAR(rotated.maxX(), s, 1e-12);
  EXPECT_NEAR(rotated.minY(), 0, 1e-12);
  EXPECT_NEAR(rotated.maxY(), 2 * s, 1e-12);
  const auto flipped = AffineTransform::scale(1, -1).apply(Rect(0, 1, 3, 2));
  EXPECT_EQ(flipped, Rect(0, -3, 3, 2));
  EXPECT_TRUE(AffineTransform::scale(2, 2).apply(Rect::null()).isNull());
}
