#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <memory>
#include <numbers>
#include <set>
#include <string>
#include <typeinfo>
#include <vector>

#include "QRCode/QRCodePixelShape.hpp"
#include "QRCode/core/QRCodeBoolMatrix.hpp"
#include "support/Raster.hpp"

// The shapes that join runs of modules: horizontal and vertical bars, and the connected
// rounded-end-indent and rounded-path shapes.

namespace {

using foundation::Settings;
using Ptr = std::shared_ptr<QRCodePixelShapeGenerator>;

// A matrix from rows of '1' (set) and '0'.
QRCodeBoolMatrix matrixOf(const std::vector<std::string>& rows) {
  QRCodeBoolMatrix m(static_cast<std::int64_t>(rows.size()));
  for (std::size_t r = 0; r < rows.size(); ++r)
    for (std::size_t c = 0; c < rows[r].size(); ++c)
      m.setValue(static_cast<std::int64_t>(r), static_cast<std::int64_t>(c), rows[r][c] == '1');
  return m;
}

gfx::Path parsed(const std::string& text) {
  auto p = gfx::Path::parse(text);
  EXPECT_TRUE(p.has_value()) << text;
  return p ? *p : gfx::Path();
}

// The closed subpaths of a path, in order.
std::vector<gfx::Path> subpathsOf(const gfx::Path& path) {
  std::vector<gfx::Path> result;
  for (const auto& e : path.elements()) {
    if (e.type == gfx::PathElementType::move) result.emplace_back();
    if (result.empty()) continue;
    gfx::Path& p = result.back();
    switch (e.type) {
      case gfx::PathElementType::move: p.moveTo(e.points[0]); break;
      case gfx::PathElementType::line: p.lineTo(e.points[0]); break;
      case gfx::PathElementType::quad: p.quadTo(e.points[0], e.points[1]); break;
      case gfx::PathElementType::cubic: p.cubicTo(e.points[0], e.points[1], e.points[2]); break;
      case gfx::PathElementType::close: p.close(); break;
    }
  }
  return result;
}

void expectRect(const gfx::Rect& actual, const gfx::Rect& expected, double tolerance = 1e-9) {
  EXPECT_NEAR(actual.minX(), expected.minX(), tolerance);
  EXPECT_NEAR(actual.minY(), expected.minY(), tolerance);
  EXPECT_NEAR(actual.width(), expected.width(), tolerance);
  EXPECT_NEAR(actual.height(), expected.height(), tolerance);
}

void expectPathNear(const gfx::Path& actual, const gfx::Path& expected, double tolerance = 1e-9) {
  EXPECT_TRUE(gfx::approximatelyEqual(actual, expected, tolerance))
      << "actual:   " << actual.description() << "\nexpected: " << expected.description();
}

std::set<std::string> keysOf(const Settings& s) {
  std::set<std::string> keys;
  for (auto it = s.begin(); it != s.end(); ++it) keys.insert(it.key());
  return keys;
}

// ---------------------------------------------------------------------------------------
// Bars

template <class Bars>
std::shared_ptr<Bars> bars(double inset, double radius) {
  return std::make_shared<Bars>(inset, radius);
}

TEST(BarShapes, NamesTitlesAndDefaults) {
  EXPECT_EQ(QRCodePixelShapeHorizontal::Name(), "horizontal");
  EXPECT_EQ(QRCodePixelShapeHorizontal::Title(), "Horizontal bars");
  EXPECT_EQ(QRCodePixelShapeVertical::Name(), "vertical");
  EXPECT_EQ(QRCodePixelShapeVertical::Title(), "Vertical bars");
  EXPECT_EQ(QRCodePixelShapeHorizontal::DefaultInset(), 0.1);
  EXPECT_EQ(QRCodePixelShapeVertical::DefaultCornerRadius(), 1.0);
  for (const Ptr& shape : {Ptr(QRCodePixelShapeHorizontal::Create()), Ptr(QRCodePixelShapeVertical::Create())}) {
    SCOPED_TRACE(std::string(shape->name()));
    EXPECT_EQ(shape->settings(), Settings::parse(R"({"insetFraction": 0.1, "cornerRadiusFraction": 1.0})"));
    EXPECT_EQ(shape->typeAndSettings(),
              Settings::parse(R"({"type": ")" + std::string(shape->name()) +
                              R"(", "settings": {"insetFraction": 0.1, "cornerRadiusFraction": 1.0}})"));
    EXPECT_EQ(QRCodePixelShape::nameOfGenerator(*shape), shape->name());
  }
  EXPECT_EQ(QRCodePixelShapeVertical::Create()->direction(), QRCodePixelShapeBars::Direction::vertical);
  EXPECT_EQ(QRCodePixelShapeHorizontal::Create()->direction(), QRCodePixelShapeBars::Direction::horizontal);
}

TEST(BarShapes, CreateAndConstructorClampWhileSettingsDoNot) {
  struct Case {
    const char* settings;
    double inset, radius;
  };
  const std::vector<Case> cases{
      {R"({"insetFraction": -0.5, "cornerRadiusFraction": 1.7})", 0.0, 1.0},
      {R"({"insetFraction": 0.25})", 0.25, 1.0},
      {R"({"cornerRadiusFraction": 0})", 0.1, 0.0},
      {R"({"insetFraction": "0.3", "cornerRadiusFraction": [0.5]})", 0.1, 1.0},  // not numbers
      {R"({"insetFraction": true, "cornerRadiusFraction": 0.5})", 1.0, 0.5},     // a boolean is a number
      {R"([0.5, 0.5])", 0.1, 1.0},
      {R"("insetFraction")", 0.1, 1.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.settings);
    const Settings s = Settings::parse(c.settings);
    for (const auto& shape : {std::static_pointer_cast<QRCodePixelShapeBars>(QRCodePixelShapeHorizontal::Create(s)),
                              std::static_pointer_cast<QRCodePixelShapeBars>(QRCodePixelShapeVertical::Create(s))}) {
      EXPECT_EQ(shape->insetFraction(), c.inset);
      EXPECT_EQ(shape->cornerRadiusFraction(), c.radius);
    }
  }
  QRCodePixelShapeHorizontal typed(-0.5, 1.7);
  EXPECT_EQ(typed.insetFraction(), 0.0);
  EXPECT_EQ(typed.cornerRadiusFraction(), 1.0);
  QRCodePixelShapeVertical nan(std::numeric_limits<double>::quiet_NaN(), 0.3);
  EXPECT_EQ(nan.insetFraction(), 0.0);
  EXPECT_EQ(nan.cornerRadiusFraction(), 0.3);

  // Through the settings a number is stored as it is, and absent means the default.
  auto h = QRCodePixelShapeHorizontal::Create();
  EXPECT_TRUE(h->setSettingValue(Settings(1.7), "insetFraction"));
  EXPECT_EQ(h->insetFraction(), 1.7);
  EXPECT_TRUE(h->setSettingValue(Settings(-2), "cornerRadiusFraction"));
  EXPECT_EQ(h->cornerRadiusFraction(), -2.0);
  EXPECT_EQ(h->settings(), Settings::parse(R"({"insetFraction": 1.7, "cornerRadiusFraction": -2.0})"));
  // The copy is made through the clamping constructor.
  auto copy = h->copyShape();
  EXPECT_EQ(copy->settings(), Settings::parse(R"({"insetFraction": 1.0, "cornerRadiusFraction": 0.0})"));
  EXPECT_TRUE(h->setSettingValue(Settings(), "insetFraction"));
  EXPECT_TRUE(h->setSettingValue(Settings(), "cornerRadiusFraction"));
  EXPECT_EQ(h->insetFraction(), 0.1);
  EXPECT_EQ(h->cornerRadiusFraction(), 1.0);
}

TEST(BarShapes, SettingKeysAndWrongValues) {
  for (const Ptr& shape : {Ptr(QRCodePixelShapeHorizontal::Create()), Ptr(QRCodePixelShapeVertical::Create())}) {
    SCOPED_TRACE(std::string(shape->name()));
    for (const char* key : {"insetFraction", "cornerRadiusFraction"}) {
      EXPECT_TRUE(shape->supportsSettingValueForKey(key));
      for (const Settings& wrong : {Settings("0.2"), Settings::array({0.2}), Settings::object(),
                                    Settings(-std::numeric_limits<double>::infinity())})
        EXPECT_FALSE(shape->setSettingValue(wrong, key));
      EXPECT_EQ(shape->settings(), QRCodePixelShapeHorizontal::Create()->settings()) << "nothing changed";
    }
    for (const char* key : {"insetGeneratorName", "rotationFraction", "hasInnerCorners", "useRandomInset",
                            "InsetFraction", ""}) {
      EXPECT_FALSE(shape->supportsSettingValueForKey(key)) << key;
      EXPECT_FALSE(shape->setSettingValue(Settings(0.5), key)) << key;
      EXPECT_FALSE(shape->setSettingValue(Settings(), key)) << key;
    }
    EXPECT_EQ(shape->settings(), Settings::parse(R"({"insetFraction": 0.1, "cornerRadiusFraction": 1.0})"));
    EXPECT_EQ(shape->settingValueForKey<double>("insetFraction"), 0.1);
    EXPECT_FALSE(shape->settingValueForKey<std::string>("insetFraction").has_value());
  }
}

// The worked example: defaults, 60 x 40, rows 0111, 1101, 0000, 1111.
TEST(BarShapes, WorkedExample) {
  const QRCodeBoolMatrix m = matrixOf({"0111", "1101", "0000", "1111"});
  auto expected = [](const std::vector<gfx::Rect>& rects) {
    gfx::Path p;
    for (const auto& r : rects) p.addRoundedRect(r, 4.5, 4.5);
    return p;
  };
  const std::vector<gfx::Rect> horizontal{{20.5, 0.5, 29, 9}, {10.5, 10.5, 19, 9}, {40.5, 10.5, 9, 9},
                                          {10.5, 30.5, 39, 9}};
  const std::vector<gfx::Rect> vertical{{10.5, 10.5, 9, 9}, {10.5, 30.5, 9, 9}, {20.5, 0.5, 9, 19},
                                        {20.5, 30.5, 9, 9}, {30.5, 0.5, 9, 9},  {30.5, 30.5, 9, 9},
                                        {40.5, 0.5, 9, 19}, {40.5, 30.5, 9, 9}};
  const gfx::Path h = QRCodePixelShapeHorizontal::Create()->generatePathFrom(m, {60, 40});
  const gfx::Path v = QRCodePixelShapeVertical::Create()->generatePathFrom(m, {60, 40});
  expectPathNear(h, expected(horizontal));
  expectPathNear(v, expected(vertical));
  // Each bar is its own closed subpath of ten elements, in order.
  const auto hs = subpathsOf(h);
  ASSERT_EQ(hs.size(), horizontal.size());
  for (std::size_t i = 0; i < hs.size(); ++i) {
    EXPECT_EQ(hs[i].size(), 10u);
    expectRect(hs[i].bounds(), horizontal[i]);
  }
  const auto vs = subpathsOf(v);
  ASSERT_EQ(vs.size(), vertical.size());
  for (std::size_t i = 0; i < vs.size(); ++i) expectRect(vs[i].bounds(), vertical[i]);
}

TEST(BarShapes, EmptyMatricesGiveEmptyPaths) {
  for (const Ptr& shape : {Ptr(QRCodePixelShapeHorizontal::Create()), Ptr(QRCodePixelShapeVertical::Create())}) {
    EXPECT_TRUE(shape->generatePathFrom(QRCodeBoolMatrix(), {100, 100}).empty());
    EXPECT_TRUE(shape->generatePathFrom(QRCodeBoolMatrix(5), {100, 100}).empty());
    // Sizes without a usable cell lay nothing out.
    const QRCodeBoolMatrix one = matrixOf({"1"});
    for (gfx::Size size : {gfx::Size{0, 10}, gfx::Size{-5, 10}, gfx::Size{std::numeric_limits<double>::quiet_NaN(), 3},
                           gfx::Size{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()}})
      EXPECT_TRUE(shape->generatePathFrom(one, size).empty());
  }
}

TEST(BarShapes, LoneModuleIsARoundedSquare) {
  const QRCodeBoolMatrix m = matrixOf({"000", "010", "000"});
  struct Case {
    double inset, radius;
  };
  for (const Case c : {Case{0.1, 1.0}, Case{0.3, 0.5}, Case{0.0, 0.0}, Case{0.5, 0.25}}) {
    SCOPED_TRACE(c.inset);
    for (const Ptr& shape : {Ptr(bars<QRCodePixelShapeHorizontal>(c.inset, c.radius)),
                             Ptr(bars<QRCodePixelShapeVertical>(c.inset, c.radius))}) {
      const gfx::Path p = shape->generatePathFrom(m, {30, 30});
      const double side = 10 * (1 - c.inset);
      const double d = (10 - side) / 2;
      gfx::Path expected;
      expected.addRoundedRect(gfx::Rect(10 + d, 10 + d, side, side), side / 2 * c.radius, side / 2 * c.radius);
      expectPathNear(p, expected);
      EXPECT_EQ(p.size(), c.radius == 0 ? 5u : 10u);  // square corners: a plain rectangle
    }
  }
  // With the full radius it is a circle: its points lie on the circle of radius 4.5.
  const gfx::Path circle = QRCodePixelShapeHorizontal::Create()->generatePathFrom(m, {30, 30});
  for (const auto& e : circle.elements())
    if (e.type != gfx::PathElementType::close) {
      EXPECT_NEAR(std::hypot(e.endPoint().x - 15, e.endPoint().y - 15), 4.5, 1e-9);
    }
}

TEST(BarShapes, FullRowsGapsAndLayout) {
  // A full row: one bar across the code, inset at both ends.
  const QRCodeBoolMatrix full = matrixOf({"00000", "11111", "00000", "00000", "00000"});
  const auto h = subpathsOf(QRCodePixelShapeHorizontal::Create()->generatePathFrom(full, {70, 50}));
  ASSERT_EQ(h.size(), 1u);
  // cell 10, xOffset 10: from 10 + 0.5 to 10 + 50 - 0.5.
  expectRect(h[0].bounds(), gfx::Rect(10.5, 10.5, 49, 9));
  // The same row drawn vertically is five lone squares.
  EXPECT_EQ(subpathsOf(QRCodePixelShapeVertical::Create()->generatePathFrom(full, {70, 50})).size(), 5u);

  // Two runs separated by one off module: the gap is cell + 2 x inset.
  const QRCodeBoolMatrix gap = matrixOf({"11011", "00000", "00000", "00000", "00000"});
  auto shape = bars<QRCodePixelShapeHorizontal>(0.3, 1.0);
  const auto g = subpathsOf(shape->generatePathFrom(gap, {50, 50}));
  ASSERT_EQ(g.size(), 2u);
  EXPECT_NEAR(g[1].bounds().minX() - g[0].bounds().maxX(), 10 + 2 * 1.5, 1e-9);

  // 300 x 200 with d = 20: cell 10, xOffset 50, yOffset 0.
  QRCodeBoolMatrix corner(20);
  corner.setValue(0, 0, true);
  corner.setValue(19, 19, true);
  const auto c = subpathsOf(bars<QRCodePixelShapeVertical>(0, 0)->generatePathFrom(corner, {300, 200}));
  ASSERT_EQ(c.size(), 2u);
  expectRect(c[0].bounds(), gfx::Rect(50, 0, 10, 10));
  expectRect(c[1].bounds(), gfx::Rect(240, 190, 10, 10));
}

TEST(BarShapes, WithoutInsetBarsTouchAndWithoutRadiusCornersAreSquare) {
  const QRCodeBoolMatrix m = matrixOf({"111", "111", "000"});
  const gfx::Path p = bars<QRCodePixelShapeHorizontal>(0, 0)->generatePathFrom(m, {30, 30});
  expectPathNear(p, parsed("M 0,0; L 30,0; L 30,10; L 0,10; Z; M 0,10; L 30,10; L 30,20; L 0,20; Z"));
  // Touching bars cover the point between the rows; with the default inset they do not.
  EXPECT_TRUE(p.contains({15, 10.0}));
  EXPECT_FALSE(QRCodePixelShapeHorizontal::Create()->generatePathFrom(m, {30, 30}).contains({15, 10.0}));
}

// Transposes a matrix.
QRCodeBoolMatrix transposed(const QRCodeBoolMatrix& m) {
  QRCodeBoolMatrix t(m.dimension());
  for (std::int64_t r = 0; r < m.dimension(); ++r)
    for (std::int64_t c = 0; c < m.dimension(); ++c) t.setValue(c, r, m.value(r, c));
  return t;
}

TEST(BarShapes, VerticalBarsAreTheTransposedHorizontalBars) {
  QRCodeBoolMatrix m(11);
  for (int r = 0; r < 11; ++r)
    for (int c = 0; c < 11; ++c) m.setValue(r, c, (r * 5 + c * 3 + r * c) % 7 < 4);
  const gfx::AffineTransform diagonal{0, 1, 1, 0, 0, 0};  // (x, y) -> (y, x)
  for (double inset : {0.0, 0.1, 0.4}) {
    const auto v = QRCodePixelShapeVertical(inset, 0.8).generatePathFrom(m, {110, 110});
    const auto h = QRCodePixelShapeHorizontal(inset, 0.8).generatePathFrom(transposed(m), {110, 110});
    // Same bars in the same order (column c of m is row c of the transpose).
    const auto vs = subpathsOf(v);
    const auto hs = subpathsOf(h);
    ASSERT_EQ(vs.size(), hs.size());
    for (std::size_t i = 0; i < vs.size(); ++i) expectRect(vs[i].bounds(), diagonal.apply(hs[i].bounds()));
    // Every point reads the same in both.
    for (double x = 0.5; x < 110; x += 3.7)
      for (double y = 0.5; y < 110; y += 2.9) ASSERT_EQ(v.contains({x, y}), h.contains({y, x})) << x << "," << y;
  }
}

TEST(BarShapes, OutOfRangeFractionsStillGiveAPath) {
  const QRCodeBoolMatrix m = matrixOf({"110", "011", "111"});
  struct Case {
    double inset, radius;
    std::size_t bars;  // bars drawn
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  // Numbers that are not finite are refused; a bar grows by at most 2n cells a side.
  const std::vector<Case> cases{{1.7, 1.0, 0},  {1.0, 1.0, 3}, {-0.5, 1.0, 3}, {0.1, 3.0, 3}, {0.1, -2.0, 3},
                                {nan, 1.0, 3},  {inf, 1.0, 3}, {-inf, 1.0, 3}, {0.1, nan, 3}, {0.1, inf, 3},
                                {-1e300, 1.0, 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.inset) + " " + std::to_string(c.radius));
    auto shape = QRCodePixelShapeHorizontal::Create();
    shape->setSettingValue(Settings(c.inset), "insetFraction");
    shape->setSettingValue(Settings(c.radius), "cornerRadiusFraction");
    const gfx::Path p = shape->generatePathFrom(m, {30, 30});
    const auto subpaths = subpathsOf(p);
    EXPECT_EQ(subpaths.size(), c.bars);
    for (const auto& e : p.elements())
      for (int k = 0; k < e.pointCount(); ++k) {
        EXPECT_LE(std::abs(e.points[k].x), 90);
        EXPECT_LE(std::abs(e.points[k].y), 90);
      }
  }
  // A radius beyond half the thickness keeps the ends round: the bar of the last row
  // (0.9 thick) has the bounds of its rectangle.
  auto big = QRCodePixelShapeHorizontal::Create();
  big->setSettingValue(Settings(2.5), "cornerRadiusFraction");
  const auto b = subpathsOf(big->generatePathFrom(m, {30, 30}));
  ASSERT_EQ(b.size(), 3u);
  expectRect(b[2].bounds(), gfx::Rect(0.5, 20.5, 29, 9));
  // Its ends are half discs of radius 4.5 about (5, 25) and (25, 25), not flatter half
  // ellipses: within the bar's rectangle a point beyond the straight part is filled
  // exactly when it lies within 4.5 of its end's centre.
  for (int k = 0; k <= 36; ++k) {
    const double a = (90 + 5 * k) * std::numbers::pi / 180;  // round the left half
    for (const double end : {5.0, 25.0}) {
      const double outwards = end == 5.0 ? 1 : -1;
      const gfx::Point in{end + outwards * 4.3 * std::cos(a), 25 + 4.3 * std::sin(a)};
      const gfx::Point out{end + outwards * 4.75 * std::cos(a), 25 + 4.75 * std::sin(a)};
      EXPECT_TRUE(b[2].contains(in)) << in.x << "," << in.y;
      if (out.y > 20.5 && out.y < 29.5) {
        EXPECT_FALSE(b[2].contains(out)) << out.x << "," << out.y;
      }
    }
  }
  // A negative inset grows the bars beyond their cells.
  auto grown = QRCodePixelShapeVertical::Create();
  grown->setSettingValue(Settings(-0.5), "insetFraction");
  const auto g = subpathsOf(grown->generatePathFrom(m, {30, 30}));
  ASSERT_FALSE(g.empty());
  expectRect(g[0].bounds(), gfx::Rect(-2.5, -2.5, 15, 15));
}

TEST(BarShapes, CopiesAreIndependentAndDrawAlike) {
  const QRCodeBoolMatrix m = matrixOf({"1101", "0111", "1000", "1111"});
  auto shape = QRCodePixelShapeVertical::Create(Settings::parse(R"({"insetFraction": 0.3, "cornerRadiusFraction": 0.4})"));
  const Ptr copy = shape->copyShape();
  EXPECT_NE(copy.get(), shape.get());
  EXPECT_NE(dynamic_cast<QRCodePixelShapeVertical*>(copy.get()), nullptr);
  EXPECT_EQ(copy->settings(), shape->settings());
  EXPECT_EQ(copy->generatePathFrom(m, {77, 91}), shape->generatePathFrom(m, {77, 91}));
  copy->setSettingValue(Settings(0.0), "insetFraction");
  EXPECT_EQ(shape->insetFraction(), 0.3);
  // Drawing changes nothing and repeats.
  EXPECT_EQ(shape->generatePathFrom(m, {77, 91}), shape->generatePathFrom(m, {77, 91}));
}

// ---------------------------------------------------------------------------------------
// Rounded end indent and rounded path

struct RoundedClass {
  std::string name;
  std::string title;
  bool defaultInnerCorners;
  std::function<std::shared_ptr<RoundedModulePixelShape>(const Settings&)> create;
  std::function<std::shared_ptr<RoundedModulePixelShape>(double, bool)> make;
};

const std::vector<RoundedClass>& roundedClasses() {
  static const std::vector<RoundedClass> classes{
      {"roundedEndIndent", "Rounded end indent", false,
       [](const Settings& s) { return QRCodePixelShapeRoundedEndIndent::Create(s); },
       [](double f, bool i) { return std::make_shared<QRCodePixelShapeRoundedEndIndent>(f, i); }},
      {"roundedPath", "Rounded path", true, [](const Settings& s) { return QRCodePixelShapeRoundedPath::Create(s); },
       [](double f, bool i) { return std::make_shared<QRCodePixelShapeRoundedPath>(f, i); }},
  };
  return classes;
}

TEST(RoundedModuleShapes, NamesTitlesAndDefaults) {
  EXPECT_EQ(QRCodePixelShapeRoundedEndIndent::DefaultCornerRadius(), 0.65);
  EXPECT_FALSE(QRCodePixelShapeRoundedEndIndent::DefaultHasInnerCorners());
  EXPECT_EQ(QRCodePixelShapeRoundedPath::DefaultCornerRadiusValue(), 0.65);
  EXPECT_TRUE(QRCodePixelShapeRoundedPath::DefaultHasInnerCorners());
  for (const auto& cls : roundedClasses()) {
    SCOPED_TRACE(cls.name);
    const auto shape = cls.create(Settings());
    EXPECT_EQ(shape->name(), cls.name);
    EXPECT_EQ(shape->title(), cls.title);
    EXPECT_EQ(shape->innerRadius(), 1.6666666666666667);
    EXPECT_EQ(shape->actualRadius(), 3.25);
    EXPECT_EQ(shape->actualRadiusSize(), (gfx::Size{3.25, 3.25}));
    EXPECT_EQ(shape->hasInnerCorners(), cls.defaultInnerCorners);
    Settings expected = Settings::object();
    expected["cornerRadiusFraction"] = 0.65;
    expected["hasInnerCorners"] = cls.defaultInnerCorners;
    EXPECT_EQ(shape->settings(), expected);
    EXPECT_EQ(shape->typeAndSettings(), qrshape::makeGeneratorSettingsRecord(cls.name, expected));
    EXPECT_EQ(keysOf(shape->settings()), (std::set<std::string>{"cornerRadiusFraction", "hasInnerCorners"}));
    // A dictionary that is not an object, or values of the wrong kind, give the defaults.
    for (const char* odd : {R"([1, 2])", R"("x")", R"({"cornerRadiusFraction": "1", "hasInnerCorners": "true"})"})
      EXPECT_EQ(cls.create(Settings::parse(odd))->settings(), expected) << odd;
  }
}

TEST(RoundedModuleShapes, FractionsAreClampedEverywhere) {
  for (const auto& cls : roundedClasses()) {
    SCOPED_TRACE(cls.name);
    EXPECT_EQ(cls.make(1.7, false)->cornerRadiusFraction(), 1.0);
    EXPECT_EQ(cls.make(-1, false)->cornerRadiusFraction(), 0.0);
    EXPECT_EQ(cls.make(std::numeric_limits<double>::quiet_NaN(), false)->actualRadius(), 0.0);
    const auto created = cls.create(Settings::parse(R"({"cornerRadiusFraction": 3, "hasInnerCorners": 0})"));
    EXPECT_EQ(created->cornerRadiusFraction(), 1.0);
    EXPECT_EQ(created->actualRadius(), 5.0);
    EXPECT_FALSE(created->hasInnerCorners());

    auto shape = cls.make(0.4, false);
    EXPECT_EQ(shape->actualRadius(), 2.0);
    shape->setCornerRadiusFraction(-3);
    EXPECT_EQ(shape->cornerRadiusFraction(), 0.0);
    EXPECT_EQ(shape->actualRadiusSize(), (gfx::Size{0, 0}));
    EXPECT_TRUE(shape->setSettingValue(Settings(1.7), "cornerRadiusFraction"));
    EXPECT_EQ(shape->cornerRadiusFraction(), 1.0);
    EXPECT_EQ(shape->actualRadiusSize(), (gfx::Size{5, 5}));
    EXPECT_TRUE(shape->setSettingValue(Settings(0.2), "cornerRadiusFraction"));
    EXPECT_EQ(shape->actualRadius(), 1.0);
    // Absent resets to 0.65.
    EXPECT_TRUE(shape->setSettingValue(Settings(), "cornerRadiusFraction"));
    EXPECT_EQ(shape->cornerRadiusFraction(), 0.65);
    EXPECT_EQ(shape->actualRadius(), 3.25);
  }
}

TEST(RoundedModuleShapes, SettingValues) {
  for (const auto& cls : roundedClasses()) {
    SCOPED_TRACE(cls.name);
    auto shape = cls.make(0.3, !cls.defaultInnerCorners);
    struct Case {
      Settings value;
      const char* key;
      bool accepted;
    };
    const std::vector<Case> refused{{Settings("0.5"), "cornerRadiusFraction", false},
                                    {Settings::array({0.5}), "cornerRadiusFraction", false},
                                    {Settings("true"), "hasInnerCorners", false},
                                    {Settings::object(), "hasInnerCorners", false},
                                    {Settings(0.5), "insetFraction", false},
                                    {Settings(), "rotationFraction", false},
                                    {Settings(true), "HasInnerCorners", false}};
    for (const auto& c : refused) EXPECT_EQ(shape->setSettingValue(c.value, c.key), c.accepted) << c.key;
    EXPECT_EQ(shape->cornerRadiusFraction(), 0.3);
    EXPECT_EQ(shape->hasInnerCorners(), !cls.defaultInnerCorners);

    // Absent gives the class default; a number its boolean value.
    EXPECT_TRUE(shape->setSettingValue(Settings(), "hasInnerCorners"));
    EXPECT_EQ(shape->hasInnerCorners(), cls.defaultInnerCorners);
    EXPECT_TRUE(shape->setSettingValue(Settings(2), "hasInnerCorners"));
    EXPECT_TRUE(shape->hasInnerCorners());
    EXPECT_TRUE(shape->setSettingValue(Settings(0.0), "hasInnerCorners"));
    EXPECT_FALSE(shape->hasInnerCorners());
    shape->setHasInnerCorners(true);
    EXPECT_EQ(shape->settingValueForKey<bool>("hasInnerCorners"), true);

    EXPECT_TRUE(shape->supportsSettingValueForKey("cornerRadiusFraction"));
    EXPECT_TRUE(shape->supportsSettingValueForKey("hasInnerCorners"));
    for (const char* key : {"insetFraction", "insetGeneratorName", "useRandomInset", "corners", ""})
      EXPECT_FALSE(shape->supportsSettingValueForKey(key)) << key;

    // Copies keep the configuration and are independent.
    const Ptr copy = shape->copyShape();
    EXPECT_EQ(copy->name(), cls.name);
    EXPECT_EQ(copy->settings(), shape->settings());
    copy->setSettingValue(Settings(0.9), "cornerRadiusFraction");
    EXPECT_EQ(shape->cornerRadiusFraction(), 0.3);
  }
}

// Shared text of the two worked examples (size 30 x 30, rows 110, 010, 011, defaults,
// inner corners on): the pieces that both shapes draw alike.
const char* const topRightRoundedAt01 = "M 10,0; L 16.75,0; C 20,0 20,3.25 20,3.25; L 20,10; L 10,10; L 10,0; Z";
const char* const topRightFilletAt10 =
    "M 8.916666666666666,10; L 10,10; C 10,10 10,10.541666666666666 10,11.083333333333334; "
    "C 10,10.541666666666666 9.458333333333334,10 8.916666666666666,10; Z";
const char* const squareAt11 = "M 10,10; L 20,10; L 20,20; L 10,20; Z";
const char* const bottomLeftFilletAt12 =
    "M 21.083333333333332,20; L 20,20; C 20,20 20,19.458333333333334 20,18.916666666666666; "
    "C 20,19.458333333333334 20.541666666666668,20 21.083333333333332,20; Z";
const char* const bottomLeftRoundedAt21 = "M 10,20; L 20,20; L 20,30; L 13.25,30; C 10,30 10,26.75 10,26.75; L 10,20; Z";

std::string join(std::initializer_list<const char*> parts) {
  std::string s;
  for (const char* p : parts) s += (s.empty() ? "" : "; ") + std::string(p);
  return s;
}

TEST(RoundedModuleShapes, WorkedExampleOfTheIndentShape) {
  const QRCodeBoolMatrix m = matrixOf({"110", "010", "011"});
  QRCodePixelShapeRoundedEndIndent shape(0.65, true);
  const gfx::Path p = shape.generatePathFrom(m, {30, 30});
  const std::string expected = join({
      "M 10,0; L 0,0; C 0,0 2,1 2,5; C 2,9 0,10 0,10; L 10,10; L 10,0; Z",  // (0, 0) notched left
      topRightRoundedAt01, topRightFilletAt10, squareAt11, bottomLeftFilletAt12, bottomLeftRoundedAt21,
      "M 20,20; L 30,20; C 30,20 28,21 28,25; C 28,29 30,30 30,30; L 20,30; L 20,20; Z",  // (2, 2) notched right
  });
  expectPathNear(p, parsed(expected), 1e-12);
  EXPECT_EQ(p.elements()[14].points[0].x, 8.916666666666666);
  // Without inner corners the two fillets go.
  shape.setHasInnerCorners(false);
  EXPECT_EQ(subpathsOf(shape.generatePathFrom(m, {30, 30})).size(), 5u);
}

TEST(RoundedModuleShapes, WorkedExampleOfTheRoundedPath) {
  const QRCodeBoolMatrix m = matrixOf({"110", "010", "011"});
  const auto shape = QRCodePixelShapeRoundedPath::Create();
  const gfx::Path p = shape->generatePathFrom(m, {30, 30});
  const std::string expected = join({
      // (0, 0): top-left and bottom-left corners rounded.
      "M 3.25,0; L 10,0; L 10,10; L 3.25,10; C 0,10 0,6.75 0,6.75; L 0,3.25; C 0,0 3.25,0 3.25,0; Z",
      topRightRoundedAt01, topRightFilletAt10, squareAt11, bottomLeftFilletAt12, bottomLeftRoundedAt21,
      // (2, 2): top-right and bottom-right corners rounded.
      "M 20,20; L 26.75,20; C 30,20 30,23.25 30,23.25; L 30,26.75; C 30,30 26.75,30 26.75,30; L 20,30; L 20,20; Z",
  });
  expectPathNear(p, parsed(expected), 1e-12);
}

TEST(RoundedModuleShapes, EmptyMatricesAndSizes) {
  for (const auto& cls : roundedClasses()) {
    SCOPED_TRACE(cls.name);
    for (bool inner : {false, true}) {
      auto shape = cls.make(0.65, inner);
      EXPECT_TRUE(shape->generatePathFrom(QRCodeBoolMatrix(), {30, 30}).empty());
      EXPECT_TRUE(shape->generatePathFrom(QRCodeBoolMatrix(6), {30, 30}).empty());
      EXPECT_TRUE(shape->generatePathFrom(matrixOf({"1"}), {0, 30}).empty());
      EXPECT_TRUE(shape->generatePathFrom(matrixOf({"1"}), {std::numeric_limits<double>::quiet_NaN(), 30}).empty());
    }
  }
}

TEST(RoundedModuleShapes, LoneModuleIsARoundedSquareOrACircle) {
  for (const auto& cls : roundedClasses()) {
    SCOPED_TRACE(cls.name);
    // A 1 x 1 matrix at 40 x 40: the whole area, radius 3.25 x cell / 10.
    gfx::Path expected;
    expected.addRoundedRect(gfx::Rect(0, 0, 40, 40), 13, 13);
    expectPathNear(cls.create(Settings())->generatePathFrom(matrixOf({"1"}), {40, 40}), expected);
    // Fraction 1: a circle.
    const gfx::Path circle = cls.make(1, true)->generatePathFrom(matrixOf({"000", "010", "000"}), {30, 30});
    ASSERT_EQ(circle.size(), 10u);
    for (const auto& e : circle.elements())
      if (e.type != gfx::PathElementType::close) {
        EXPECT_NEAR(std::hypot(e.endPoint().x - 15, e.endPoint().y - 15), 5, 1e-12);
      }
    // Fraction 0: a plain rectangle.
    EXPECT_EQ(cls.make(0, true)->generatePathFrom(matrixOf({"1"}), {10, 10}), parsed("M 0,0; L 10,0; L 10,10; L 0,10; Z"));
  }
}

TEST(RoundedModuleShapes, TwoByTwoBlockIsOneRoundedSquare) {
  for (const auto& cls : roundedClasses()) {
    SCOPED_TRACE(cls.name);
    const gfx::Path p = cls.make(1, true)->generatePathFrom(matrixOf({"11", "11"}), {20, 20});
    const auto pieces = subpathsOf(p);
    ASSERT_EQ(pieces.size(), 4u);
    // Each piece rounds the block's outer corner only (radius 5).
    const gfx::Point outer[4] = {{0, 0}, {20, 0}, {0, 20}, {20, 20}};
    const gfx::Point inner[4] = {{9.9, 9.9}, {10.1, 9.9}, {9.9, 10.1}, {10.1, 10.1}};
    for (int i = 0; i < 4; ++i) {
      EXPECT_FALSE(p.contains({outer[i].x + (outer[i].x ? -0.5 : 0.5), outer[i].y + (outer[i].y ? -0.5 : 0.5)}));
      EXPECT_TRUE(p.contains(inner[i]));
      EXPECT_TRUE(p.contains({10 + (outer[i].x ? 4.9 : -4.9), 10 + (outer[i].y ? 4.9 : -4.9)}));
    }
    EXPECT_TRUE(p.contains({0.2, 9.5}));
    EXPECT_TRUE(p.contains({9.5, 19.8}));
  }
}

TEST(RoundedModuleShapes, RunsOfThree) {
  // The indent shape: a horizontal run is notched at both free ends.
  QRCodePixelShapeRoundedEndIndent indent(0.65, false);
  const auto h = subpathsOf(indent.generatePathFrom(matrixOf({"000", "111", "000"}), {30, 30}));
  ASSERT_EQ(h.size(), 3u);
  const auto t = gfx::AffineTransform::translation;
  expectPathNear(h[0], parsed("M 10,0; L 0,0; C 0,0 2,1 2,5; C 2,9 0,10 0,10; L 10,10; L 10,0; Z").transformed(t(0, 10)));
  expectPathNear(h[1], RoundedModulePixelShape::squareTemplate().transformed(t(10, 10)));
  expectPathNear(h[2],
                 parsed("M 0,0; L 10,0; C 10,0 8,1 8,5; C 8,9 10,10 10,10; L 0,10; L 0,0; Z").transformed(t(20, 10)));
  // The notch is two units deep in the middle of the free side.
  EXPECT_FALSE(indent.generatePathFrom(matrixOf({"000", "111", "000"}), {30, 30}).contains({1.5, 15}));
  EXPECT_TRUE(indent.generatePathFrom(matrixOf({"000", "111", "000"}), {30, 30}).contains({2.5, 15}));
  // A vertical run is notched at the top and bottom.
  const auto v = subpathsOf(indent.generatePathFrom(matrixOf({"010", "010", "010"}), {30, 30}));
  ASSERT_EQ(v.size(), 3u);
  expectPathNear(v[0], parsed("M 0,10; L 10,10; L 10,0; C 10,0 9,2 5,2; C 1,2 0,0 0,0; L 0,10; Z").transformed(t(10, 0)));
  expectPathNear(v[2],
                 parsed("M 0,0; L 10,0; L 10,10; C 10,10 9,8 5,8; C 1,8 0,10 0,10; L 0,0; Z").transformed(t(10, 20)));

  // The rounded path: a vertical run gets rounded ends.
  const auto rp = QRCodePixelShapeRoundedPath::Create();
  const gfx::Path path = rp->generatePathFrom(matrixOf({"010", "010", "010"}), {30, 30});
  const auto r = subpathsOf(path);
  ASSERT_EQ(r.size(), 3u);
  expectPathNear(r[0], parsed("M 3.25,0; L 6.75,0; C 10,0 10,3.25 10,3.25; L 10,10; L 0,10; L 0,3.25; "
                              "C 0,0 3.25,0 3.25,0; Z")
                           .transformed(t(10, 0)));
  expectPathNear(r[1], RoundedModulePixelShape::squareTemplate().transformed(t(10, 10)));
  expectPathNear(r[2], parsed("M 0,0; L 10,0; L 10,6.75; C 10,10 6.75,10 6.75,10; L 3.25,10; "
                              "C 0,10 0,6.75 0,6.75; L 0,0; Z")
                           .transformed(t(10, 20)));
  EXPECT_FALSE(path.contains({10.3, 0.3}));
  EXPECT_TRUE(path.contains({15, 0.3}));
}

TEST(RoundedModuleShapes, LShapedTripleOfTheRoundedPath) {
  const QRCodeBoolMatrix m = matrixOf({"10", "11"});
  const auto s = subpathsOf(QRCodePixelShapeRoundedPath::Create()->generatePathFrom(m, {20, 20}));
  ASSERT_EQ(s.size(), 4u);
  const auto t = gfx::AffineTransform::translation;
  // (0, 0): only B on, both top corners rounded.
  EXPECT_EQ(s[0].elements()[0].points[0], (gfx::Point{3.25, 0}));
  // (0, 1): off, a bottom-left fillet.
  const double k = 0.65 * (5.0 / 3.0);
  gfx::Path fillet;
  fillet.moveTo({k, 10});
  fillet.lineTo({0, 10});
  fillet.cubicTo({0, 10}, {0, 10 - k / 2}, {0, 10 - k});
  fillet.cubicTo({0, 10 - k / 2}, {k / 2, 10}, {k, 10});
  fillet.close();
  expectPathNear(s[1], fillet.transformed(t(10, 0)));
  // (1, 0): T and R on, its bottom-left corner rounded.
  expectPathNear(s[2], parsed("M 0,0; L 10,0; L 10,10; L 3.25,10; C 0,10 0,6.75 0,6.75; L 0,0; Z").transformed(t(0, 10)));
  // (1, 1): only L on, top-right and bottom-right rounded.
  expectPathNear(s[3], parsed("M 0,0; L 6.75,0; C 10,0 10,3.25 10,3.25; L 10,6.75; C 10,10 6.75,10 6.75,10; "
                              "L 0,10; L 0,0; Z")
                           .transformed(t(10, 10)));
}

TEST(RoundedModuleShapes, FilletsOfAnEnclosedAndABorderModule) {
  for (const auto& cls : roundedClasses()) {
    SCOPED_TRACE(cls.name);
    const QRCodeBoolMatrix ring = matrixOf({"111", "101", "111"});
    const gfx::Path with = cls.make(0.65, true)->generatePathFrom(ring, {30, 30});
    const auto s = subpathsOf(with);
    ASSERT_EQ(s.size(), 12u);  // row 0 and (1, 0), the 4 fillets of (1, 1), the rest
    for (int i = 4; i < 8; ++i) EXPECT_EQ(s[static_cast<std::size_t>(i)].size(), 5u);
    // Top-left, top-right, bottom-left, bottom-right, each in its corner of the hole.
    const gfx::Point corners[4] = {{10, 10}, {20, 10}, {10, 20}, {20, 20}};
    for (int i = 0; i < 4; ++i) {
      const gfx::Rect b = s[static_cast<std::size_t>(4 + i)].bounds();
      EXPECT_NEAR(std::min(std::abs(b.minX() - corners[i].x), std::abs(b.maxX() - corners[i].x)), 0, 1e-12);
      EXPECT_NEAR(std::min(std::abs(b.minY() - corners[i].y), std::abs(b.maxY() - corners[i].y)), 0, 1e-12);
      EXPECT_NEAR(b.width(), 0.65 * 5 / 3, 1e-12);
    }
    EXPECT_TRUE(with.contains({10.2, 10.2}));
    EXPECT_FALSE(with.contains({15, 15}));
    EXPECT_EQ(subpathsOf(cls.make(0.65, false)->generatePathFrom(ring, {30, 30})).size(), 8u);

    // An off module on the border: its outer corners face outside cells, which are off.
    const QRCodeBoolMatrix border = matrixOf({"101", "111", "111"});
    const auto b = subpathsOf(cls.make(0.65, true)->generatePathFrom(border, {30, 30}));
    ASSERT_EQ(b.size(), 10u);
    // Module (0, 0), then the two bottom fillets of (0, 1).
    EXPECT_NEAR(b[1].bounds().maxY(), 10, 1e-12);
    EXPECT_NEAR(b[2].bounds().maxY(), 10, 1e-12);
    EXPECT_NEAR(b[1].bounds().minX(), 10, 1e-12);
    EXPECT_NEAR(b[2].bounds().maxX(), 20, 1e-12);

    // A checkerboard has lone modules only, and no fillets.
    const QRCodeBoolMatrix checker = matrixOf({"10101", "01010", "10101", "01010", "10101"});
    const auto c = subpathsOf(cls.make(0.65, true)->generatePathFrom(checker, {50, 50}));
    ASSERT_EQ(c.size(), 13u);
    for (const auto& piece : c) EXPECT_EQ(piece.size(), 10u);  // rounded rectangles
  }
}

TEST(RoundedModuleShapes, FilletSizeFollowsTheFraction) {
  const QRCodeBoolMatrix m = matrixOf({"11", "10"});
  for (double f : {1.0, 0.5, 0.0}) {
    const auto s = subpathsOf(QRCodePixelShapeRoundedPath(f, true).generatePathFrom(m, {20, 20}));
    ASSERT_EQ(s.size(), 4u);
    // The fillet of (1, 1) sits in its top-left corner and spans f x 5/3 units.
    const gfx::Rect b = s[3].controlPointBounds();
    expectRect(b, gfx::Rect(10, 10, f * 5 / 3, f * 5 / 3), 1e-12);
  }
}

TEST(RoundedModuleShapes, PieceTablesOfTheTwoShapes) {
  QRCodePixelShapeRoundedEndIndent indent(0.65, false);
  QRCodePixelShapeRoundedPath rounded(0.65, true);
  RoundedModulePixelShape::Pieces a, b;
  indent.buildPieces(a);
  rounded.buildPieces(b);
  for (unsigned bits = 0; bits < 16; ++bits) {
    SCOPED_TRACE(bits);
    const int count = std::popcount(bits);
    ASSERT_NE(a.byNeighbours[bits], nullptr);
    ASSERT_NE(b.byNeighbours[bits], nullptr);
    // Only the free ends differ.
    if (count == 1) {
      EXPECT_NE(*a.byNeighbours[bits], *b.byNeighbours[bits]);
    } else {
      EXPECT_EQ(*a.byNeighbours[bits], *b.byNeighbours[bits]);
    }
    // Three or four neighbours, or two opposite ones: the square.
    using R = RoundedModulePixelShape;
    if (count >= 3 || bits == (R::left | R::right) || bits == (R::top | R::bottom)) {
      EXPECT_EQ(a.byNeighbours[bits], &R::squareTemplate());
    }
    // Every piece covers its module's centre.
    EXPECT_TRUE(a.byNeighbours[bits]->contains({5, 5}));
    EXPECT_TRUE(b.byNeighbours[bits]->contains({5, 5}));
  }
}

TEST(RoundedModuleShapes, WithoutRadiusPiecesAreTracedSquares) {
  using R = RoundedModulePixelShape;
  const gfx::Path traced = parsed("M 0,0; L 10,0; L 10,10; L 0,10; L 0,0; Z");
  EXPECT_EQ(R::tracedSquare(), traced);
  EXPECT_EQ(R::squareTemplate(), parsed("M 0,0; L 10,0; L 10,10; L 0,10; Z"));
  QRCodePixelShapeRoundedEndIndent indent(0, false);
  QRCodePixelShapeRoundedPath rounded(0, false);
  R::Pieces a, b;
  indent.buildPieces(a);
  rounded.buildPieces(b);
  for (unsigned corner : {R::right | R::bottom, R::left | R::bottom, R::top | R::right, R::top | R::left}) {
    EXPECT_EQ(*a.byNeighbours[corner], traced);
    EXPECT_EQ(*b.byNeighbours[corner], traced);
  }
  for (unsigned end : {R::top, R::bottom, R::left, R::right}) {
    EXPECT_EQ(*b.byNeighbours[end], traced);
    // The notch does not depend on the radius.
    EXPECT_EQ(a.byNeighbours[end]->size(), 7u);
    EXPECT_TRUE(a.byNeighbours[end]->contains({5, 5}));
  }
  EXPECT_EQ(*a.byNeighbours[0], parsed("M 0,0; L 10,0; L 10,10; L 0,10; Z"));

  // Radius 5: the straight segment between two rounded corners of a free end is kept.
  QRCodePixelShapeRoundedPath full(1, false);
  R::Pieces f;
  full.buildPieces(f);
  const auto& bottomOnly = f.byNeighbours[R::bottom]->elements();
  ASSERT_GE(bottomOnly.size(), 2u);
  EXPECT_EQ(bottomOnly[0].type, gfx::PathElementType::move);
  EXPECT_EQ(bottomOnly[0].points[0], (gfx::Point{5, 0}));
  EXPECT_EQ(bottomOnly[1].type, gfx::PathElementType::line);
  EXPECT_EQ(bottomOnly[1].points[0], (gfx::Point{5, 0}));
}

TEST(RoundedModuleShapes, NonSquareSizeCentresTheGrid) {
  for (const auto& cls : roundedClasses()) {
    SCOPED_TRACE(cls.name);
    const auto s = subpathsOf(cls.create(Settings())->generatePathFrom(matrixOf({"111", "111", "111"}), {60, 45}));
    ASSERT_EQ(s.size(), 9u);
    expectRect(s[4].bounds(), gfx::Rect(22.5, 15, 15, 15));
    expectRect(s[0].bounds(), gfx::Rect(7.5, 0, 15, 15));
  }
}

TEST(RoundedModuleShapes, DrawingRepeatsAndCopiesDrawAlike) {
  QRCodeBoolMatrix m(13);
  for (int r = 0; r < 13; ++r)
    for (int c = 0; c < 13; ++c) m.setValue(r, c, (r * r + 3 * c + r * c) % 5 < 2);
  for (const auto& cls : roundedClasses()) {
    SCOPED_TRACE(cls.name);
    auto shape = cls.make(0.8, true);
    const gfx::Path first = shape->generatePathFrom(m, {130, 117});
    EXPECT_EQ(shape->generatePathFrom(m, {130, 117}), first);
    EXPECT_EQ(shape->copyShape()->generatePathFrom(m, {130, 117}), first);
    // Every on-module's centre is covered, every off-module's centre is not.
    const double cell = 9, x0 = (130 - 117) / 2.0;
    for (int r = 0; r < 13; ++r)
      for (int c = 0; c < 13; ++c)
        EXPECT_EQ(first.contains({x0 + (c + 0.5) * cell, (r + 0.5) * cell}), m.value(r, c)) << r << "," << c;
  }
}

// ---------------------------------------------------------------------------------------
// Through the factory

TEST(BarAndRoundedShapeFactory, RecordsRoundTripThroughTheFactory) {
  const auto& factory = QRCodePixelShapeFactory::shared();
  struct Case {
    const char* name;
    const char* settings;
  };
  const std::vector<Case> cases{
      {"horizontal", R"({"insetFraction": 0.25, "cornerRadiusFraction": 0.5})"},
      {"vertical", R"({"insetFraction": 0.0, "cornerRadiusFraction": 0.0})"},
      {"roundedEndIndent", R"({"cornerRadiusFraction": 0.3, "hasInnerCorners": true})"},
      {"roundedPath", R"({"cornerRadiusFraction": 1.0, "hasInnerCorners": false})"},
  };
  const QRCodeBoolMatrix m = matrixOf({"11010", "01110", "10011", "11111", "00100"});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Settings settings = Settings::parse(c.settings);
    const Ptr shape = factory.named(c.name, settings);
    EXPECT_EQ(shape->name(), c.name);
    EXPECT_EQ(shape->settings(), settings);
    const GeneratorSettingsRecord record = shape->typeAndSettings();
    EXPECT_EQ(record, qrshape::makeGeneratorSettingsRecord(c.name, settings));
    // Through JSON text and back.
    const auto text = foundation::writeJSON(record);
    ASSERT_TRUE(text.has_value());
    const auto read = foundation::readJSON(*text);
    ASSERT_TRUE(read.has_value());
    const Ptr back = factory.createWithSettings(*read);
    const auto& backObject = *back;  // typeid of a plain reference: no call inside it
    const auto& shapeObject = *shape;
    EXPECT_EQ(typeid(backObject), typeid(shapeObject));
    EXPECT_EQ(back->settings(), settings);
    EXPECT_EQ(back->generatePathFrom(m, {50, 50}), shape->generatePathFrom(m, {50, 50}));
    // Without settings the class defaults apply.
    EXPECT_EQ(factory.createWithSettings(Settings::parse(std::string(R"({"type": ")") + c.name + "\"}"))->settings(),
              factory.named(c.name)->settings());
  }
}

TEST(BarAndRoundedShapeFactory, PreviewsDrawTheSample) {
  const gfx::Color black = gfx::Color::sRGB(0, 0, 0);
  const gfx::Color white = gfx::Color::sRGB(1, 1, 1);
  const auto& sample = QRCodePixelShapeFactory::samplePixelMatrix();
  for (const char* name : {"horizontal", "vertical", "roundedEndIndent", "roundedPath"}) {
    SCOPED_TRACE(name);
    auto shape = QRCodePixelShapeFactory::shared().named(name);
    const gfx::Image image = QRCodePixelShapeFactory::imageWithPixelGenerator(*shape, 70, black, &white);
    if (std::getenv("VL_KEEP_TEST_FILES")) {
      // A large preview to look at.
      const gfx::Image large = QRCodePixelShapeFactory::imageWithPixelGenerator(*shape, 350, black, &white);
      EXPECT_TRUE(testsupport::writeImagePNG(large, std::string("preview_") + name + ".png"));
    }
    // The centre of every set sample cell is dark, of every unset cell light.
    for (int r = 0; r < 7; ++r)
      for (int c = 0; c < 7; ++c) {
        const auto p = image.pixelAt(10 * c + 5, 10 * r + 5);
        EXPECT_EQ(p.r < 128, sample.value(r, c)) << r << "," << c;
      }
  }
}

}  // namespace
