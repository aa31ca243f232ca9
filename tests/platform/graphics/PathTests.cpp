#include "platform/graphics/Path.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <vector>

using gfx::AffineTransform;
using gfx::Path;
using gfx::PathElement;
using gfx::PathElementType;
using gfx::Point;
using gfx::Rect;

namespace {

constexpr double kK = 0.5522847498;

PathElement M(double x, double y) { return {PathElementType::move, {{x, y}, {}, {}}}; }
PathElement L(double x, double y) { return {PathElementType::line, {{x, y}, {}, {}}}; }
PathElement Q(double cx, double cy, double x, double y) {
  return {PathElementType::quad, {{cx, cy}, {x, y}, {}}};
}
PathElement C(double x1, double y1, double x2, double y2, double x, double y) {
  return {PathElementType::cubic, {{x1, y1}, {x2, y2}, {x, y}}};
}
PathElement Z() { return {PathElementType::close, {}}; }

Path pathOf(const std::vector<PathElement>& elements) {
  Path p;
  for (const auto& e : elements) {
    switch (e.type) {
      case PathElementType::move: p.moveTo(e.points[0]); break;
      case PathElementType::line: p.lineTo(e.points[0]); break;
      case PathElementType::quad: p.quadTo(e.points[0], e.points[1]); break;
      case PathElementType::cubic: p.cubicTo(e.points[0], e.points[1], e.points[2]); break;
      case PathElementType::close: p.close(); break;
    }
  }
  return p;
}

Path parsed(std::string_view text) {
  auto p = Path::parse(text);
  EXPECT_TRUE(p.has_value()) << text;
  return p.value_or(Path());
}

void expectElements(const Path& p, const std::vector<PathElement>& expected, double tolerance = 1e-12) {
  EXPECT_TRUE(approximatelyEqual(p, pathOf(expected), tolerance))
      << "got:      " << p.description() << "\nexpected: " << pathOf(expected).description();
  EXPECT_EQ(p.size(), expected.size());
}

void expectRectNear(const Rect& r, double x0, double y0, double x1, double y1, double tolerance) {
  ASSERT_FALSE(r.isNull());
  EXPECT_NEAR(r.minX(), x0, tolerance);
  EXPECT_NEAR(r.minY(), y0, tolerance);
  EXPECT_NEAR(r.maxX(), x1, tolerance);
  EXPECT_NEAR(r.maxY(), y1, tolerance);
}

}  // namespace

// --- building ------------------------------------------------------------------------

TEST(PathTest, ElementPointCounts) {
  EXPECT_EQ(M(1, 2).pointCount(), 1);
  EXPECT_EQ(L(1, 2).pointCount(), 1);
  EXPECT_EQ(Q(1, 2, 3, 4).pointCount(), 2);
  EXPECT_EQ(C(1, 2, 3, 4, 5, 6).pointCount(), 3);
  EXPECT_EQ(Z().pointCount(), 0);
  EXPECT_EQ(Q(1, 2, 3, 4).endPoint(), (Point{3, 4}));
  EXPECT_EQ(C(1, 2, 3, 4, 5, 6).endPoint(), (Point{5, 6}));
  // Unused point slots do not take part in equality.
  PathElement a = L(1, 1), b = L(1, 1);
  b.points[2] = {9, 9};
  EXPECT_EQ(a, b);
  EXPECT_NE(L(1, 1), M(1, 1));
}

TEST(PathTest, AddRectElements) {
  Path p;
  p.addRect(Rect(10, 20, 30, 40));
  EXPECT_EQ(p.elements(), (std::vector<PathElement>{M(10, 20), L(40, 20), L(40, 60), L(10, 60), Z()}));
  // A negative size is standardised first.
  Path n;
  n.addRect(Rect(40, 60, -30, -40));
  EXPECT_EQ(n, p);
  // Under a transform every corner is mapped.
  Path t;
  t.addRect(Rect(0, 0, 1, 2), AffineTransform::translation(5, 5).scaledBy(2, 2));
  EXPECT_EQ(t.elements(), (std::vector<PathElement>{M(5, 5), L(7, 5), L(7, 9), L(5, 9), Z()}));
  Path none;
  none.addRect(Rect::null());
  EXPECT_TRUE(none.empty());
}

TEST(PathTest, AddEllipseElements) {
  Path p;
  p.addEllipse(Rect(0, 0, 20, 10));
  const double kx = kK * 10, ky = kK * 5;
  expectElements(p, {M(20, 5), C(20, 5 + ky, 10 + kx, 10, 10, 10), C(10 - kx, 10, 0, 5 + ky, 0, 5),
                     C(0, 5 - ky, 10 - kx, 0, 10, 0), C(10 + kx, 0, 20, 5 - ky, 20, 5), Z()});
}

TEST(PathTest, AddRoundedRectElements) {
  Path p;
  p.addRoundedRect(Rect(0, 0, 100, 50), 10, 5);
  const double kx = kK * 10, ky = kK * 5;
  expectElements(p, {M(10, 0), L(90, 0), C(90 + kx, 0, 100, 5 - ky, 100, 5), L(100, 45),
                     C(100, 45 + ky, 90 + kx, 50, 90, 50), L(10, 50), C(10 - kx, 50, 0, 45 + ky, 0, 45),
                     L(0, 5), C(0, 5 - ky, 10 - kx, 0, 10, 0), Z()});
}

TEST(PathTest, RoundedRectClamping) {
  const Rect r(0, 0, 40, 20);
  Path plain;
  plain.addRect(r);
  struct Row {
    double cw, ch;
    bool rectangle;
    double clampedW, clampedH;
    const char* what;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Row rows[] = {
      {0, 5, true, 0, 0, "zero width radius"},
      {5, 0, true, 0, 0, "zero height radius"},
      {-3, 5, true, 0, 0, "negative clamps to zero"},
      {nan, 5, true, 0, 0, "NaN is zero"},
      {5, nan, true, 0, 0, "NaN height is zero"},
      {100, 100, false, 20, 10, "clamped to half"},
      {100, 4, false, 20, 4, "width clamped"},
      {std::numeric_limits<double>::infinity(), 4, false, 20, 4, "infinite clamps"},
  };
  for (const auto& row : rows) {
    Path p;
    p.addRoundedRect(r, row.cw, row.ch);
    if (row.rectangle) {
      EXPECT_EQ(p, plain) << row.what;
      continue;
    }
    Path expected;
    expected.addRoundedRect(r, row.clampedW, row.clampedH);
    EXPECT_EQ(p, expected) << row.what;
    ASSERT_EQ(p.size(), 10u) << row.what;
    EXPECT_EQ(p.elements()[0], M(row.clampedW, 0)) << row.what;
    // Fully clamped radii leave zero-length lines in place.
    if (row.clampedW == 20) {
      EXPECT_EQ(p.elements()[1], L(20, 0)) << row.what;
    }
  }
}

TEST(PathTest, CloseWithoutAnOpenSubpathDoesNothing) {
  Path p;
  p.close();
  EXPECT_TRUE(p.empty());
  p.moveTo({1, 1});
  p.lineTo({2, 1});
  p.close();
  p.close();
  EXPECT_EQ(p.elements(), (std::vector<PathElement>{M(1, 1), L(2, 1), Z()}));
  EXPECT_EQ(p.currentPoint(), (Point{1, 1}));
  // A line after a close starts a new subpath at the old start, which close can end again.
  p.lineTo({5, 5});
  p.close();
  EXPECT_EQ(p.elements(), (std::vector<PathElement>{M(1, 1), L(2, 1), Z(), L(5, 5), Z()}));
  // A lone move opens a subpath too.
  Path m;
  m.moveTo({3, 3});
  m.close();
  EXPECT_EQ(m.elements(), (std::vector<PathElement>{M(3, 3), Z()}));
}

TEST(PathTest, DrawingWithoutACurrentPointIsIgnored) {
  Path p;
  p.lineTo({1, 1});
  p.quadTo({1, 1}, {2, 2});
  p.cubicTo({1, 1}, {2, 2}, {3, 3});
  EXPECT_TRUE(p.empty());
  EXPECT_EQ(p.currentPoint(), (Point{0, 0}));
  EXPECT_TRUE(p.bounds().isNull());
}

TEST(PathTest, NeverSimplifies) {
  const std::vector<PathElement> elements = {M(0, 0), L(0, 0), L(0, 0), C(0, 0, 0, 0, 0, 0),
                                             Q(0, 0, 0, 0), M(1, 1), M(2, 2), Z()};
  const Path p = pathOf(elements);
  EXPECT_EQ(p.elements(), elements);
}

TEST(PathTest, AddPathUnderATransform) {
  Path piece;
  piece.moveTo({0, 0});
  piece.quadTo({1, 0}, {1, 1});
  piece.close();
  Path p;
  p.addPath(piece);
  p.addPath(piece, AffineTransform::translation(10, 0).rotatedBy(std::numbers::pi / 2));
  expectElements(p, {M(0, 0), Q(1, 0, 1, 1), Z(), M(10, 0), Q(10, 1, 9, 1), Z()});
  EXPECT_NEAR(p.currentPoint().x, 10, 1e-12);

  // Appending a path to itself doubles it.
  p.addPath(p);
  EXPECT_EQ(p.size(), 12u);
  EXPECT_EQ(p.elements()[6], p.elements()[0]);
  EXPECT_EQ(p.elements()[11], Z());

  const Path moved = piece.transformed(AffineTransform::scale(2, 3));
  expectElements(moved, {M(0, 0), Q(2, 0, 2, 3), Z()});
}

TEST(PathTest, AddPathKeepsAnOpenSubpathOpen) {
  Path open;
  open.moveTo({1, 2});
  open.lineTo({3, 4});
  Path p;
  p.addPath(open, AffineTransform::translation(1, 1));
  p.close();
  expectElements(p, {M(2, 3), L(4, 5), Z()});
  EXPECT_EQ(p.currentPoint(), (Point{2, 3}));
}

// --- bounds ----------------------------------------------------------------------------

TEST(PathTest, CurveBoundsUseExtremaNotControlPoints) {
  const Path cubic = parsed("M 0,0; C 0,10 10,10 10,0");
  expectRectNear(cubic.bounds(), 0, 0, 10, 7.5, 1e-12);
  expectRectNear(cubic.controlPointBounds(), 0, 0, 10, 10, 0);

  const Path quad = parsed("M 0,0; Q 5,10 10,0");
  expectRectNear(quad.bounds(), 0, 0, 10, 5, 1e-12);
  expectRectNear(quad.controlPointBounds(), 0, 0, 10, 10, 0);

  // An S-curve with extrema in both coordinates.
  const Path s = parsed("M 0,0; C 40,10 -30,10 10,0");
  const Rect b = s.bounds();
  EXPECT_GT(b.maxX(), 10);
  EXPECT_LT(b.minX(), 0);
  EXPECT_NEAR(b.maxY(), 7.5, 1e-12);

  Path ellipse;
  ellipse.addEllipse(Rect(1, 2, 30, 40));
  expectRectNear(ellipse.bounds(), 1, 2, 31, 42, 1e-12);
  Path empty;
  EXPECT_TRUE(empty.bounds().isNull());
  EXPECT_TRUE(empty.controlPointBounds().isNull());
}

TEST(PathTest, BoundsMatchDenseSamplingOfRandomCurves) {
  std::mt19937 random(12345);
  std::uniform_real_distribution<double> coordinate(-100, 100);
  for (int round = 0; round < 200; ++round) {
    Point p[4];
    for (auto& q : p) q = {coordinate(random), coordinate(random)};
    Path path;
    path.moveTo(p[0]);
    if (round % 2) {
      path.cubicTo(p[1], p[2], p[3]);
    } else {
      path.quadTo(p[1], p[2]);
    }
    double x0 = p[0].x, x1 = p[0].x, y0 = p[0].y, y1 = p[0].y;
    for (int i = 0; i <= 20000; ++i) {
      const double t = i / 20000.0, u = 1 - t;
      Point q;
      if (round % 2) {
        q = {u * u * u * p[0].x + 3 * u * u * t * p[1].x + 3 * u * t * t * p[2].x + t * t * t * p[3].x,
             u * u * u * p[0].y + 3 * u * u * t * p[1].y + 3 * u * t * t * p[2].y + t * t * t * p[3].y};
      } else {
        q = {u * u * p[0].x + 2 * u * t * p[1].x + t * t * p[2].x,
             u * u * p[0].y + 2 * u * t * p[1].y + t * t * p[2].y};
      }
      x0 = std::min(x0, q.x); x1 = std::max(x1, q.x);
      y0 = std::min(y0, q.y); y1 = std::max(y1, q.y);
    }
    const Rect b = path.bounds();
    // The exact bounds hold every sample and exceed the sampled extent only by the
    // sampling error.
    EXPECT_LE(b.minX(), x0 + 1e-9);
    EXPECT_GE(b.maxX(), x1 - 1e-9);
    EXPECT_LE(b.minY(), y0 + 1e-9);
    EXPECT_GE(b.maxY(), y1 - 1e-9);
    EXPECT_NEAR(b.minX(), x0, 1e-4) << path.description();
    EXPECT_NEAR(b.maxX(), x1, 1e-4) << path.description();
    EXPECT_NEAR(b.minY(), y0, 1e-4) << path.description();
    EXPECT_NEAR(b.maxY(), y1, 1e-4) << path.description();
  }
}

TEST(PathTest, BoundsIncludeMovesAndLines) {
  const Path p = parsed("M -5,3; L 4,-2; M 10,10");
  expectRectNear(p.bounds(), -5, -2, 10, 10, 0);
}

// --- containment -----------------------------------------------------------------------

TEST(PathTest, ContainsARingUnderBothRules) {
  // Both squares wound the same way: the winding rule fills the hole, even-odd does not.
  Path same;
  same.addRect(Rect(0, 0, 100, 100));
  same.addRect(Rect(25, 25, 50, 50));
  // The inner square wound the other way: the hole stays under both rules.
  const Path opposite = parsed("M 0,0; L 100,0; L 100,100; L 0,100; Z; M 25,25; L 25,75; L 75,75; L 75,25; Z.");
  struct Row {
    Point p;
    bool sameWinding, sameEvenOdd, oppositeWinding, oppositeEvenOdd;
  };
  const Row rows[] = {
      {{10, 10}, true, true, true, true},        // in the band
      {{50, 50}, true, false, false, false},     // in the hole
      {{90, 50}, true, true, true, true},
      {{150, 50}, false, false, false, false},   // outside
      {{-1, 50}, false, false, false, false},
      {{50, 100.5}, false, false, false, false},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(same.contains(row.p), row.sameWinding) << row.p.x << "," << row.p.y;
    EXPECT_EQ(same.contains(row.p, true), row.sameEvenOdd) << row.p.x << "," << row.p.y;
    EXPECT_EQ(opposite.contains(row.p), row.oppositeWinding) << row.p.x << "," << row.p.y;
    EXPECT_EQ(opposite.contains(row.p, true), row.oppositeEvenOdd) << row.p.x << "," << row.p.y;
  }
}

TEST(PathTest, ContainsFollowsCurves) {
  Path circle;
  circle.addEllipse(Rect(-10, -10, 20, 20));
  for (int i = 0; i < 72; ++i) {
    const double a = i * std::numbers::pi / 36;
    EXPECT_TRUE(circle.contains({9.95 * std::cos(a), 9.95 * std::sin(a)})) << i;
    EXPECT_FALSE(circle.contains({10.05 * std::cos(a), 10.05 * std::sin(a)})) << i;
    EXPECT_TRUE(circle.contains({9.95 * std::cos(a), 9.95 * std::sin(a)}, true)) << i;
  }
  EXPECT_TRUE(circle.contains({0, 0}));
  // Inside the control polygon but outside the curve.
  const Path bump = parsed("M 0,0; C 0,10 10,10 10,0; Z");
  EXPECT_TRUE(bump.contains({5, 7.4}));
  EXPECT_FALSE(bump.contains({5, 7.6}));
  EXPECT_FALSE(bump.contains({0.5, 5}));
  const Path arch = parsed("M 0,0; Q 5,10 10,0; Z");
  EXPECT_TRUE(arch.contains({5, 4.9}));
  EXPECT_FALSE(arch.contains({5, 5.1}));
}

TEST(PathTest, ContainsClosesOpenSubpaths) {
  const Path triangle = parsed("M 0,0; L 10,0; L 0,10; M 20,20; L 30,20; L 20,30");
  EXPECT_TRUE(triangle.contains({2, 2}));
  EXPECT_TRUE(triangle.contains({22, 22}));
  EXPECT_FALSE(triangle.contains({8, 8}));
  EXPECT_FALSE(triangle.contains({15, 15}));
  EXPECT_FALSE(Path().contains({0, 0}));
  EXPECT_FALSE(triangle.contains({std::numeric_limits<double>::quiet_NaN(), 1}));

  // Filling closes a subpath left open, whether another subpath follows it or not: for
  // random polygons (a curve among their sides) every point reads the same in the open
  // path as in the path with each subpath closed.
  std::mt19937 random(19);
  std::uniform_real_distribution<double> coordinate(0, 100);
  auto point = [&] { return Point{coordinate(random), coordinate(random)}; };
  for (int polygon = 0; polygon < 40; ++polygon) {
    Path open, closed;
    for (int subpath = 0; subpath < 1 + polygon % 2; ++subpath) {
      const Point start = point();
      open.moveTo(start);
      closed.moveTo(start);
      for (int side = 0; side < 3 + polygon % 5; ++side) {
        const Point to = point();
        if (side == 1) {
          const Point c1 = point(), c2 = point();
          open.cubicTo(c1, c2, to);
          closed.cubicTo(c1, c2, to);
        } else {
          open.lineTo(to);
          closed.lineTo(to);
        }
      }
      closed.close();
    }
    for (int k = 0; k < 200; ++k) {
      const Point p = point();
      ASSERT_EQ(open.contains(p), closed.contains(p)) << polygon << ": " << p.x << "," << p.y;
      ASSERT_EQ(open.contains(p, true), closed.contains(p, true)) << polygon << ": " << p.x << "," << p.y;
    }
  }
}

TEST(PathTest, ContainsTheDonutOutline) {
  // Two circles about (5,5) of radius 1.5 and 5, drawn in opposite directions.
  const Path donut = parsed(
      "M 5,6.5 C 4.17,6.5 3.5,5.83 3.5,5 C 3.5,4.27 4.03,3.66 4.72,3.53 C 4.81,3.51 4.91,3.5 5,3.5 "
      "C 5.83,3.5 6.5,4.17 6.5,5 C 6.5,5.83 5.83,6.5 5,6.5 Z M 10,5 C 10,2.24 7.76,0 5,0 "
      "C 3.89,0 2.87,0.36 2.04,0.97 C 0.8,1.88 0,3.35 0,5 C 0,7.76 2.24,10 5,10 C 7.76,10 10,7.76 10,5 Z");
  for (const bool evenOdd : {false, true}) {
    EXPECT_FALSE(donut.contains({5, 5}, evenOdd));
    EXPECT_TRUE(donut.contains({5, 8}, evenOdd));
    EXPECT_TRUE(donut.contains({1, 5}, evenOdd));
    EXPECT_FALSE(donut.contains({9.5, 9.5}, evenOdd));
  }
}

// --- text ------------------------------------------------------------------------------

TEST(PathTest, DescriptionIsTheShortForm) {
  const Path p = pathOf({M(70, 70), L(20, 70), C(60, 60, 60, 45, 60, 45), Q(1.5, -2, 0.25, 3), Z()});
  EXPECT_EQ(p.description(), "M 70,70; L 20,70; C 60,60 60,45 60,45; Q 1.5,-2 0.25,3; Z.");
  EXPECT_EQ(Path().description(), "");
}

TEST(PathTest, ParserRoundTrips) {
  const char* outlines[] = {
      "M 70,70; L 20,70; L 20,20; L 70,20; L 70,70; Z.",
      "M 80,80; C 80,80 80,10 80,10; L 10,10; L 10,80; L 80,80; L 80,80; Z.",
      "M 0,0; C 0,0 0,64.29 0,64.29; C 0,78.49 11.51,90 25.71,90; L 90,90; C 90,89.56 90,0 90,0; L 0,0; L 0,0; Z.",
      "M -1.5,2e-05; Q 0.125,-3 4,5; Z; L 7,8; Z.",
  };
  for (const char* text : outlines) {
    const Path p = parsed(text);
    EXPECT_EQ(p.description(), text);
    EXPECT_EQ(Path::parse(p.description()), p);
  }
  // Random paths survive description and parsing exactly.
  std::mt19937 random(7);
  std::uniform_real_distribution<double> coordinate(-1e3, 1e3);
  for (int round = 0; round < 50; ++round) {
    Path p;
    p.moveTo({coordinate(random), coordinate(random)});
    p.lineTo({coordinate(random), coordinate(random)});
    p.cubicTo({coordinate(random), 1e-7}, {coordinate(random), coordinate(random)}, {-0.0, 3e20});
    p.quadTo({coordinate(random), coordinate(random)}, {coordinate(random), coordinate(random)});
    p.close();
    const auto back = Path::parse(p.description());
    ASSERT_TRUE(back.has_value()) << p.description();
    EXPECT_EQ(*back, p);
  }
}

TEST(PathTest, ParserAcceptsTheWrittenForms) {
  const Path expected = pathOf({M(5, 0), C(7.19, 0, 8.41, 0, 9.2, 0.8), L(-1, 0.5), Z(), M(1, 1), Z()});
  const char* forms[] = {
      "M 5,0; C 7.19,0 8.41,0 9.2,0.8; L -1,.5; Z; M 1,1; Z.",
      "M 5,0 C 7.19,0 8.41,0 9.2,0.8 L -1,0.5 Z M 1,1 Z",     // blanks only
      "  M 5,0;C 7.19,0 8.41,0 9.2,0.8;L -1,0.50;Z;M 1,1;Z  ",
      "M5,0; C7.19,0  8.41,0\t9.2,0.8; L -1 , 0.5; Z; M +1,1e0; Z .",
      "M 5.0,0.0; C 7.19,0 8.41,0 9.2,0.8; L -1.0,5E-1; Z; M 1,1; Z.",
  };
  for (const char* text : forms) {
    const auto p = Path::parse(text);
    ASSERT_TRUE(p.has_value()) << text;
    EXPECT_EQ(*p, expected) << text << "\n" << p->description();
  }
  EXPECT_EQ(Path::parse(""), Path());
  EXPECT_EQ(Path::parse("  "), Path());
}

TEST(PathTest, ParserRefusesMalformedText) {
  const char* bad[] = {
      "M 1",                     // half a point
      "M 1,",
      "M ,2",
      "M 1;2",
      "M 1,2 3,4",               // an extra point
      "M 1,2; C 1,2 3,4",        // a cubic short of points
      "M 1,2; Q 1,2",
      "M 1,2; Z 3,4",
      "L 1,2",                   // no current point
      "C 1,1 2,2 3,3",
      "Z",
      "X 1,2",
      "m 1,2",                   // relative forms are not part of the short form
      "M 1,2;; L 3,4",
      "M 1,2. L 3,4",            // text after the final point
      "M 1,2; L 3,4.;",
      "M 1e999,0",
      "M nan,0",
      "M inf,0",
      "M 0x10,0",
      "M 1..2,3",
      "M 1e,2",
      "M --1,2",
      "M 1,2L 3,4",              // no separator
      "M 1,2; L3,4,5",
      ".",
      ";",
  };
  for (const char* text : bad) EXPECT_EQ(Path::parse(text), std::nullopt) << '"' << text << '"';
}

TEST(PathTest, ApproximatelyEqual) {
  const Path a = parsed("M 0,0; L 1,1; C 2,2 3,3 4,4; Z");
  EXPECT_TRUE(approximatelyEqual(a, parsed("M 0,0; L 1,1; C 2,2 3,3 4,4.0000000001; Z")));
  EXPECT_FALSE(approximatelyEqual(a, parsed("M 0,0; L 1,1; C 2,2 3,3 4,4.001; Z")));
  EXPECT_TRUE(approximatelyEqual(a, parsed("M 0,0; L 1,1; C 2,2 3,3 4,4.001; Z"), 0.01));
  EXPECT_FALSE(approximatelyEqual(a, parsed("M 0,0; L 1,1; Q 3,3 4,4; Z"), 10));
  EXPECT_FALSE(approximatelyEqual(a, parsed("M 0,0; L 1,1; C 2,2 3,3 4,4"), 10));
  Path nan;
  nan.moveTo({std::numeric_limits<double>::quiet_NaN(), 0});
  EXPECT_FALSE(approximatelyEqual(nan, nan, 1));
}
