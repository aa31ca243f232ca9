#include "platform/graphics/Geometry.hpp"

#include <gtest/gtest.h>

#include <limits>

using gfx::Point;
using gfx::Rect;
using gfx::Size;

namespace {
void expectRect(const Rect& r, double x, double y, double w, double h, const char* what) {
  EXPECT_FALSE(r.isNull()) << what;
  EXPECT_DOUBLE_EQ(r.origin.x, x) << what;
  EXPECT_DOUBLE_EQ(r.origin.y, y) << what;
  EXPECT_DOUBLE_EQ(r.size.width, w) << what;
  EXPECT_DOUBLE_EQ(r.size.height, h) << what;
}
}  // namespace

TEST(RectTest, NegativeSizesAreStandardised) {
  const Rect r(10, 20, -4, -6);
  EXPECT_EQ(r.minX(), 6);
  EXPECT_EQ(r.maxX(), 10);
  EXPECT_EQ(r.minY(), 14);
  EXPECT_EQ(r.maxY(), 20);
  EXPECT_EQ(r.midX(), 8);
  EXPECT_EQ(r.midY(), 17);
  EXPECT_EQ(r.width(), 4);
  EXPECT_EQ(r.height(), 6);
  expectRect(r.standardized(), 6, 14, 4, 6, "standardized");
  EXPECT_EQ(Rect(1, 2, 3, 4).standardized(), Rect(1, 2, 3, 4));
}

TEST(RectTest, NullAndEmpty) {
  EXPECT_TRUE(Rect::null().isNull());
  EXPECT_TRUE(Rect::null().isEmpty());
  EXPECT_FALSE(Rect().isNull());
  EXPECT_TRUE(Rect().isEmpty());
  EXPECT_TRUE(Rect(0, 0, 5, 0).isEmpty());
  EXPECT_FALSE(Rect(0, 0, 5, 1).isEmpty());
}

TEST(RectTest, InsetTable) {
  struct Row {
    Rect rect;
    double dx, dy;
    bool null;
    Rect expected;
    const char* what;
  };
  const Row rows[] = {
      {Rect(0, 0, 10, 10), 2, 3, false, Rect(2, 3, 6, 4), "shrinks"},
      {Rect(0, 0, 10, 10), -1, -2, false, Rect(-1, -2, 12, 14), "grows"},
      {Rect(0, 0, 10, 10), 5, 5, false, Rect(5, 5, 0, 0), "to a point"},
      {Rect(0, 0, 10, 10), 5.5, 0, true, {}, "swallowed in x"},
      {Rect(0, 0, 10, 10), 0, 6, true, {}, "swallowed in y"},
      {Rect(10, 10, -10, -10), 1, 1, false, Rect(1, 1, 8, 8), "negative size"},
      {Rect(0, 0, 10, 10), std::numeric_limits<double>::quiet_NaN(), 0, true, {}, "NaN"},
      {Rect::null(), 1, 1, true, {}, "null stays null"},
  };
  for (const auto& row : rows) {
    const Rect r = row.rect.insetBy(row.dx, row.dy);
    if (row.null) {
      EXPECT_TRUE(r.isNull()) << row.what;
    } else {
      EXPECT_EQ(r, row.expected) << row.what;
    }
  }
}

TEST(RectTest, Intersection) {
  const Rect a(0, 0, 10, 10);
  expectRect(a.intersection(Rect(5, 5, 10, 10)), 5, 5, 5, 5, "overlap");
  expectRect(a.intersection(Rect(15, 15, -10, -10)), 5, 5, 5, 5, "overlap, negative size");
  expectRect(a.intersection(Rect(2, 2, 3, 3)), 2, 2, 3, 3, "inside");
  expectRect(a.intersection(Rect(10, 0, 5, 5)), 10, 0, 0, 5, "touching edge");
  EXPECT_TRUE(a.intersection(Rect(11, 0, 5, 5)).isNull());
  EXPECT_TRUE(a.intersection(Rect::null()).isNull());
  EXPECT_TRUE(Rect::null().intersection(a).isNull());
  EXPECT_TRUE(a.intersects(Rect(9, 9, 1, 1)));
  EXPECT_FALSE(a.intersects(Rect(20, 0, 1, 1)));
}

TEST(RectTest, Union) {
  const Rect a(0, 0, 10, 10);
  expectRect(a.unionWith(Rect(20, -5, 5, 5)), 0, -5, 25, 15, "apart");
  expectRect(a.unionWith(Rect(2, 2, 2, 2)), 0, 0, 10, 10, "inside");
  expectRect(a.unionWith(Rect::null()), 0, 0, 10, 10, "with null");
  expectRect(Rect::null().unionWith(Rect(5, 5, -2, -2)), 3, 3, 2, 2, "null with negative");
  EXPECT_TRUE(Rect::null().unionWith(Rect::null()).isNull());
}

TEST(RectTest, ContainsIsHalfOpen) {
  const Rect a(0, 0, 10, 10);
  EXPECT_TRUE(a.contains(Point{0, 0}));
  EXPECT_TRUE(a.contains(Point{9.999, 5}));
  EXPECT_FALSE(a.contains(Point{10, 5}));
  EXPECT_FALSE(a.contains(Point{5, 10}));
  EXPECT_FALSE(a.contains(Point{-0.001, 5}));
  EXPECT_TRUE(a.contains(Rect(0, 0, 10, 10)));
  EXPECT_TRUE(a.contains(Rect(10, 10, -5, -5)));
  EXPECT_FALSE(a.contains(Rect(5, 5, 6, 1)));
  EXPECT_FALSE(Rect::null().contains(Point{0, 0}));
}

TEST(RectTest, OffsetAndIntegral) {
  expectRect(Rect(1, 2, 3, 4).offsetBy(10, -2), 11, 0, 3, 4, "offset");
  EXPECT_TRUE(Rect::null().offsetBy(1, 1).isNull());
  expectRect(Rect(0.5, -0.5, 2, 1.2).integral(), 0, -1, 3, 2, "integral");
  expectRect(Rect(3, 3, -1.5, -1.5).integral(), 1, 1, 2, 2, "integral of negative size");
}
