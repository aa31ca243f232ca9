#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <vector>

#include "QRCode/core/QRCodeBoolMatrix.hpp"
#include "QRCode/core/SplitMix64.hpp"
#include "QRCode/pixel/CommonPixelGenerator.hpp"
#include "platform/graphics/Path.hpp"

namespace {

using PixelType = CommonPixelGenerator::PixelType;
constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double twoPi = 6.283185307179586;

CommonPixelGenerator make(PixelType type, double inset = 0, double radius = 0, double rotation = 0,
                          bool random = false, std::shared_ptr<QRCodePixelInsetGenerator> g = nullptr) {
  return CommonPixelGenerator(type, g ? std::move(g) : QRCodePixelInsetFixed::Create(), inset, radius, rotation,
                              random);
}

QRCodeBoolMatrix single(std::int64_t dimension, std::int64_t row, std::int64_t col) {
  QRCodeBoolMatrix m(dimension);
  m.setValue(row, col, true);
  return m;
}

QRCodeBoolMatrix full(std::int64_t dimension) {
  QRCodeBoolMatrix m(dimension);
  for (std::int64_t r = 0; r < dimension; ++r)
    for (std::int64_t c = 0; c < dimension; ++c) m.setValue(r, c, true);
  return m;
}

gfx::Path parsed(const char* text) {
  auto p = gfx::Path::parse(text);
  EXPECT_TRUE(p.has_value()) << text;
  return p.value_or(gfx::Path());
}

gfx::AffineTransform aboutCentre(double cx, double cy, double angle) {
  return gfx::AffineTransform::translation(-cx, -cy)
      .concatenating(gfx::AffineTransform::rotation(angle))
      .concatenating(gfx::AffineTransform::translation(cx, cy));
}

// The random rotation draw, as the generator makes it, for checking module angles.
double rotationDraw(SplitMix64& source, double q) {
  const std::uint64_t twoTo53 = std::uint64_t(1) << 53;
  const std::uint64_t k = source.nextBounded(twoTo53 + 1);
  return k == twoTo53 ? q : (2 * q) * (static_cast<double>(k) * 0x1p-53) - q;
}

TEST(CommonPixelGenerator, PixelTypesHaveTheirRawValuesInOrder) {
  const char* names[] = {"square", "circle", "crt",   "roundedRect", "squircle", "sharp",
                         "star",   "flower", "shiny", "donut",       "arrow",    "wave"};
  ASSERT_EQ(CommonPixelGenerator::allPixelTypes.size(), 12u);
  for (std::size_t i = 0; i < 12; ++i) {
    const PixelType t = CommonPixelGenerator::allPixelTypes[i];
    EXPECT_EQ(static_cast<std::size_t>(t), i);
    EXPECT_EQ(CommonPixelGenerator::rawValue(t), names[i]);
    EXPECT_EQ(CommonPixelGenerator::pixelTypeFromRawValue(names[i]), t);
  }
  EXPECT_FALSE(CommonPixelGenerator::pixelTypeFromRawValue("Square").has_value());
}

TEST(CommonPixelGenerator, OneModuleAtRow0Column1In300x200) {
  // Dimension 4 in 300 x 200: cell 50, offsets (50, 0); the module's cell is (100, 0, 50, 50).
  const auto m = single(4, 0, 1);
  auto square = make(PixelType::square);
  EXPECT_EQ(square.generatePath(m, {300, 200}), parsed("M 100,0; L 150,0; L 150,50; L 100,50; Z"));

  auto circle = make(PixelType::circle);
  gfx::Path ellipse;
  ellipse.addEllipse(gfx::Rect(100, 0, 50, 50));
  EXPECT_EQ(circle.generatePath(m, {300, 200}), ellipse);

  // Every template shape stays inside its cell (shiny and donut overhang by design).
  for (PixelType t : CommonPixelGenerator::allPixelTypes) {
    if (t == PixelType::shiny || t == PixelType::donut) continue;
    SCOPED_TRACE(std::string(CommonPixelGenerator::rawValue(t)));
    auto g = make(t, 0, 0.5);
    const gfx::Rect b = g.generatePath(m, {300, 200}).bounds();
    EXPECT_NEAR(b.minX(), 100, 0.1);
    EXPECT_NEAR(b.maxX(), 150, 0.1);
    EXPECT_NEAR(b.minY(), 0, 0.5);
    EXPECT_NEAR(b.maxY(), 50, 0.3);
  }
}

TEST(CommonPixelGenerator, WideTargetCentresTheGrid) {
  // 25 modules in 200 x 100: cell 4, x0 = 50, y0 = 0.
  auto g = make(PixelType::square);
  EXPECT_EQ(g.generatePath(single(25, 0, 0), {200, 100}), parsed("M 50,0; L 54,0; L 54,4; L 50,4; Z"));
  EXPECT_EQ(g.generatePath(single(25, 24, 24), {200, 100}), parsed("M 146,96; L 150,96; L 150,100; L 146,100; Z"));
}

TEST(CommonPixelGenerator, RoundedRectWorkedExample) {
  // 25 modules at 300 x 300, fixed inset 0.1, corner radius 0.7: cell 12, d = 0.6, side 10.8, radii 3.78.
  auto g = make(PixelType::roundedRect, 0.1, 0.7);
  const auto m = full(25);
  const gfx::Path path = g.generatePath(m, {300, 300});
  gfx::Path expected;
  for (int r = 0; r < 25; ++r)
    for (int c = 0; c < 25; ++c) expected.addRoundedRect(gfx::Rect(12 * c + 0.6, 12 * r + 0.6, 10.8, 10.8), 3.78, 3.78);
  EXPECT_TRUE(gfx::approximatelyEqual(path, expected, 1e-9));
  ASSERT_FALSE(path.empty());
  EXPECT_NEAR(path.elements()[0].points[0].x, 0.6 + 3.78, 1e-12);
  EXPECT_NEAR(path.elements()[0].points[0].y, 0.6, 1e-12);
}

TEST(CommonPixelGenerator, FullCornerRadiusDrawsCircles) {
  auto g = make(PixelType::roundedRect, 0, 1);
  const gfx::Path path = g.generatePath(single(1, 0, 0), {10, 10});
  gfx::Path expected;
  expected.addRoundedRect(gfx::Rect(0, 0, 10, 10), 5, 5);
  EXPECT_EQ(path, expected);
  EXPECT_TRUE(path.contains({5, 5}));
  EXPECT_FALSE(path.contains({0.5, 0.5}));
}

TEST(CommonPixelGenerator, NoRotationKeepsModulesAxisAligned) {
  auto g = make(PixelType::arrow);
  const gfx::Path path = g.generatePath(single(3, 1, 1), {30, 30});
  // The arrow template scaled by 1 and moved to (10, 10), untouched by any rotation.
  EXPECT_EQ(path, parsed("M 15,10; L 20,12; L 20,20; L 15,18; L 10,20; L 10,12; L 15,10; Z"));
}

TEST(CommonPixelGenerator, QuarterTurnPointsTheArrowRight) {
  auto g = make(PixelType::arrow, 0, 0, 0.25);
  const gfx::Path path = g.generatePath(single(3, 1, 1), {30, 30});
  ASSERT_FALSE(path.empty());
  // The tip (15, 10) above the centre (15, 15) turns to the right of it.
  EXPECT_NEAR(path.elements()[0].points[0].x, 20, 1e-9);
  EXPECT_NEAR(path.elements()[0].points[0].y, 15, 1e-9);
  const gfx::Rect b = path.bounds();
  EXPECT_NEAR(b.minX(), 10, 1e-9);
  EXPECT_NEAR(b.maxX(), 20, 1e-9);
}

TEST(CommonPixelGenerator, QuarterTurnTurnsSquaresAndTemplatesButNotCirclesShinyOrDonut) {
  const auto m = single(3, 1, 2);
  for (PixelType t : CommonPixelGenerator::allPixelTypes) {
    SCOPED_TRACE(std::string(CommonPixelGenerator::rawValue(t)));
    auto still = make(t, 0.2, 0.3);
    auto turned = make(t, 0.2, 0.3, 0.25);
    const gfx::Path a = still.generatePath(m, {30, 30});
    const gfx::Path b = turned.generatePath(m, {30, 30});
    if (t == PixelType::circle || t == PixelType::shiny || t == PixelType::donut) {
      EXPECT_EQ(a, b);
      continue;
    }
    // The turned module is the still one turned a quarter about the cell centre (25, 15).
    EXPECT_TRUE(gfx::approximatelyEqual(b, a.transformed(aboutCentre(25, 15, 0.25 * twoPi)), 1e-9));
    if (t != PixelType::square && t != PixelType::roundedRect) {
      EXPECT_FALSE(gfx::approximatelyEqual(a, b, 1e-6));
    }
  }
}

TEST(CommonPixelGenerator, RandomRotationIsRepeatableAndDrawsFromTheSeed) {
  auto g = make(PixelType::square, 0, 0, 0.5, true);
  QRCodeBoolMatrix m(5);
  m.setValue(0, 3, true);
  m.setValue(2, 1, true);
  m.setValue(4, 4, true);
  const gfx::Path first = g.generatePath(m, {50, 50});
  EXPECT_EQ(g.generatePath(m, {50, 50}), first);

  // Module by module, in row-major order, the angles are the draws from the seed.
  SplitMix64 source(CommonPixelGenerator::rotationSeed);
  gfx::Path expected;
  for (auto [r, c] : {std::pair{0, 3}, {2, 1}, {4, 4}}) {
    const double f = rotationDraw(source, 0.5);
    EXPECT_GE(f, -0.5);
    EXPECT_LE(f, 0.5);
    expected.addRect(gfx::Rect(10 * c, 10 * r, 10, 10), aboutCentre(10 * c + 5, 10 * r + 5, f * twoPi));
  }
  EXPECT_TRUE(gfx::approximatelyEqual(first, expected, 1e-9));
}

// An inset generator that swallows the first module it is asked for.
class SwallowFirst final : public QRCodePixelInsetGenerator {
 public:
  std::string_view name() const override { return "swallowFirst"; }
  void reset() override { calls_ = 0; }
  std::shared_ptr<QRCodePixelInsetGenerator> copyInsetGenerator() const override {
    return std::make_shared<SwallowFirst>();
  }
  double insetValueFor(const QRCodeBoolMatrix&, std::int64_t, std::int64_t, double f) override {
    return calls_++ == 0 ? 3.0 : f;
  }

 private:
  int calls_ = 0;
};

TEST(CommonPixelGenerator, EmptiedModuleIsSkippedButItsRotationDrawIsTaken) {
  auto g = make(PixelType::square, 0, 0, 0.4, true, std::make_shared<SwallowFirst>());
  QRCodeBoolMatrix m(2);
  m.setValue(0, 0, true);
  m.setValue(1, 1, true);
  const gfx::Path path = g.generatePath(m, {20, 20});
  SplitMix64 source(CommonPixelGenerator::rotationSeed);
  rotationDraw(source, 0.4);  // the skipped module's draw
  const double f = rotationDraw(source, 0.4);
  gfx::Path expected;
  expected.addRect(gfx::Rect(10, 10, 10, 10), aboutCentre(15, 15, f * twoPi));
  EXPECT_TRUE(gfx::approximatelyEqual(path, expected, 1e-9));
  for (const auto& e : path.elements())
    for (int k = 0; k < e.pointCount(); ++k) EXPECT_TRUE(std::isfinite(e.points[k].x) && std::isfinite(e.points[k].y));
}

TEST(CommonPixelGenerator, InsetsThatEmptyEveryModuleGiveAnEmptyPath) {
  const auto m = full(4);
  for (double inset : {1.5, 100.0, nan, std::numeric_limits<double>::infinity(),
                       -std::numeric_limits<double>::infinity()}) {
    for (PixelType t : CommonPixelGenerator::allPixelTypes) {
      auto g = make(t, inset);
      EXPECT_TRUE(g.generatePath(m, {40, 40}).empty()) << inset << " " << CommonPixelGenerator::rawValue(t);
    }
  }
  // An inset of exactly 1 leaves a zero-size module; a negative one enlarges it.
  auto one = make(PixelType::square, 1);
  EXPECT_EQ(one.generatePath(single(1, 0, 0), {10, 10}), parsed("M 5,5; L 5,5; L 5,5; L 5,5; Z"));
  auto grown = make(PixelType::square, -0.2);
  EXPECT_EQ(grown.generatePath(single(1, 0, 0), {10, 10}), parsed("M -1,-1; L 11,-1; L 11,11; L -1,11; Z"));
  // However far a module grows, its coordinates stay finite, within six layout sizes.
  for (PixelType t : CommonPixelGenerator::allPixelTypes) {
    auto huge = make(t, -std::numeric_limits<double>::max());
    const gfx::Rect bounds = huge.generatePath(full(3), {30, 30}).bounds();
    ASSERT_FALSE(bounds.isNull()) << CommonPixelGenerator::rawValue(t);
    EXPECT_GE(bounds.minX(), -180.0) << CommonPixelGenerator::rawValue(t);
    EXPECT_LE(bounds.maxY(), 180.0) << CommonPixelGenerator::rawValue(t);
  }
}

TEST(CommonPixelGenerator, DegenerateInputGivesAnEmptyPath) {
  auto g = make(PixelType::square);
  EXPECT_TRUE(g.generatePath(QRCodeBoolMatrix(), {100, 100}).empty());
  for (gfx::Size s : {gfx::Size{0, 100}, gfx::Size{-5, -5}, gfx::Size{nan, 10},
                      gfx::Size{std::numeric_limits<double>::infinity(), 10},
                      gfx::Size{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()}})
    EXPECT_TRUE(g.generatePath(full(3), s).empty()) << s.width << " x " << s.height;
  // An infinite width with a finite height still fits the height but cannot be centred.
}

TEST(CommonPixelGenerator, FractionClampsMapNaNToZero) {
  auto g = make(PixelType::roundedRect, 0.1, nan, nan, true);
  EXPECT_EQ(g.cornerRadiusFraction(), 0.0);
  EXPECT_EQ(g.rotationFraction(), 0.0);
  const gfx::Path path = g.generatePath(full(3), {30, 30});
  for (const auto& e : path.elements())
    for (int k = 0; k < e.pointCount(); ++k) ASSERT_TRUE(std::isfinite(e.points[k].x) && std::isfinite(e.points[k].y));

  struct Case {
    double in, out;
  };
  for (const auto& c : std::vector<Case>{{nan, 0}, {-1, 0}, {0, 0}, {0.3, 0.3}, {1, 1}, {2, 1},
                                         {std::numeric_limits<double>::infinity(), 1},
                                         {-std::numeric_limits<double>::infinity(), 0}}) {
    auto h = make(PixelType::roundedRect, 0, c.in, c.in);
    EXPECT_EQ(h.cornerRadiusFraction(), c.out);
    EXPECT_EQ(h.rotationFraction(), c.out);
    EXPECT_TRUE(h.applyRotationFraction(foundation::Settings(c.in)));
    EXPECT_EQ(h.rotationFraction(), c.out);
    EXPECT_TRUE(h.applyCornerRadiusFraction(foundation::Settings(c.in)));
    EXPECT_EQ(h.cornerRadiusFraction(), c.out);
  }
}

// Appliers: absent value, number, boolean number, text, array.
TEST(CommonPixelGenerator, AppliersTakeNumbersAndRefuseOtherKinds) {
  using foundation::Settings;
  auto g = make(PixelType::roundedRect, 0.3, 0.4, 0.2, true);

  EXPECT_FALSE(g.applyInsetFraction(Settings("0.5")));
  EXPECT_EQ(g.insetFraction(), 0.3);
  EXPECT_FALSE(g.applyInsetFraction(Settings::array({1})));
  // Finite numbers are stored unclamped; numbers that are not finite are refused.
  EXPECT_TRUE(g.applyInsetFraction(Settings(-2.5)));
  EXPECT_EQ(g.insetFraction(), -2.5);
  EXPECT_TRUE(g.applyInsetFraction(Settings(1e308)));
  EXPECT_EQ(g.insetFraction(), 1e308);
  EXPECT_FALSE(g.applyInsetFraction(Settings(nan)));
  EXPECT_FALSE(g.applyInsetFraction(Settings(-std::numeric_limits<double>::infinity())));
  EXPECT_EQ(g.insetFraction(), 1e308);
  EXPECT_TRUE(g.applyInsetFraction(Settings(true)));
  EXPECT_EQ(g.insetFraction(), 1.0);
  EXPECT_TRUE(g.applyInsetFraction(Settings()));
  EXPECT_EQ(g.insetFraction(), 0.0);

  EXPECT_FALSE(g.applyRotationFraction(Settings("0.5")));
  EXPECT_EQ(g.rotationFraction(), 0.2);
  EXPECT_TRUE(g.applyRotationFraction(Settings(2)));
  EXPECT_EQ(g.rotationFraction(), 1.0);
  EXPECT_TRUE(g.applyRotationFraction(Settings()));
  EXPECT_EQ(g.rotationFraction(), 0.0);

  EXPECT_FALSE(g.applyCornerRadiusFraction(Settings("1")));
  EXPECT_EQ(g.cornerRadiusFraction(), 0.4);
  EXPECT_TRUE(g.applyCornerRadiusFraction(Settings(3)));
  EXPECT_EQ(g.cornerRadiusFraction(), 1.0);
  EXPECT_TRUE(g.applyCornerRadiusFraction(Settings()));
  EXPECT_EQ(g.cornerRadiusFraction(), 0.0);

  EXPECT_FALSE(g.applyUseRandomRotation(Settings("true")));
  EXPECT_TRUE(g.useRandomRotation());
  EXPECT_TRUE(g.applyUseRandomRotation(Settings(0)));
  EXPECT_FALSE(g.useRandomRotation());
  EXPECT_TRUE(g.applyUseRandomRotation(Settings(2)));
  EXPECT_TRUE(g.useRandomRotation());
  EXPECT_TRUE(g.applyUseRandomRotation(Settings()));
  EXPECT_FALSE(g.useRandomRotation());

  const auto* before = g.insetGenerator().get();
  EXPECT_FALSE(g.applyInsetGeneratorName(Settings()));
  EXPECT_FALSE(g.applyInsetGeneratorName(Settings(1)));
  EXPECT_FALSE(g.applyInsetGeneratorName(Settings("Punch")));
  EXPECT_EQ(g.insetGenerator().get(), before);
  EXPECT_TRUE(g.applyInsetGeneratorName(Settings("punch")));
  EXPECT_EQ(g.insetGenerator()->name(), "punch");
}

TEST(CommonPixelGenerator, ShinyAlternatesDiamondsAndStarsByParity) {
  const gfx::Path& diamond = CommonPixelGenerator::shinyTemplate(0, 0);
  const gfx::Path& star = CommonPixelGenerator::shinyTemplate(0, 1);
  EXPECT_NE(diamond, star);
  EXPECT_EQ(&CommonPixelGenerator::shinyTemplate(1, 0), &star);
  EXPECT_EQ(&CommonPixelGenerator::shinyTemplate(1, 1), &diamond);
  EXPECT_EQ(diamond.elements()[0].points[0], (gfx::Point{1.47, 5.88}));
  EXPECT_EQ(star.elements()[0].points[0], (gfx::Point{3, 5}));

  // Under its transform the template spans 1.25 cells, centred on the module.
  auto g = make(PixelType::shiny);
  const gfx::Path path = g.generatePath(single(3, 0, 1), {24, 24});  // cell 8 at (8, 0)
  gfx::Path expected = star.transformed(gfx::AffineTransform::scale(1, 1).concatenating(
      gfx::AffineTransform::translation(8 - 1, 0 - 1)));
  EXPECT_TRUE(gfx::approximatelyEqual(path, expected, 1e-12));
  EXPECT_NEAR(path.bounds().midX(), 12, 1e-9);
  EXPECT_NEAR(path.bounds().width(), 10, 1e-9);
}

TEST(CommonPixelGenerator, DonutRingIsOffsetUpAndLeftByATenthOfTheCell) {
  auto g = make(PixelType::donut);
  const gfx::Path path = g.generatePath(single(2, 1, 1), {20, 20});  // cell 10 at (10, 10)
  const gfx::Rect b = path.bounds();
  EXPECT_NEAR(b.midX(), 14, 1e-6);
  EXPECT_NEAR(b.midY(), 14, 1e-6);
  EXPECT_NEAR(b.width(), 10, 1e-6);
  // Two closed subpaths; the hole stays open under both fill rules.
  int closes = 0;
  for (const auto& e : path.elements()) closes += e.type == gfx::PathElementType::close;
  EXPECT_EQ(closes, 2);
  EXPECT_FALSE(path.contains({14, 14}));
  EXPECT_FALSE(path.contains({14, 14}, true));
  EXPECT_TRUE(path.contains({10.5, 14}));
}

TEST(CommonPixelGenerator, TemplatesHaveTheirOutlines) {
  struct Case {
    PixelType type;
    std::size_t elements;
    gfx::Point start;
  };
  const std::vector<Case> cases{
      {PixelType::squircle, 10, {5, 0}}, {PixelType::crt, 10, {0, 5}},  {PixelType::sharp, 10, {1, 5}},
      {PixelType::star, 11, {5, 0}},     {PixelType::arrow, 8, {5, 0}}, {PixelType::wave, 12, {0, 2}},
      {PixelType::flower, 25, {10, 7.5}}, {PixelType::donut, 14, {5, 6.5}}};
  for (const auto& c : cases) {
    const gfx::Path* t = CommonPixelGenerator::templateFor(c.type);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->size(), c.elements) << CommonPixelGenerator::rawValue(c.type);
    EXPECT_EQ(t->elements()[0].points[0], c.start);
    EXPECT_EQ(t->elements().back().type, gfx::PathElementType::close);
  }
  EXPECT_EQ(&CommonPixelGenerator::flowerTemplate(), CommonPixelGenerator::templateFor(PixelType::flower));
  EXPECT_EQ(CommonPixelGenerator::templateFor(PixelType::square), nullptr);
}

// Whether the outline passes within `slack` of p: some point on a small circle about p
// lies on the other side of it.
bool nearOutline(const gfx::Path& path, gfx::Point p, double slack) {
  const bool inside = path.contains(p);
  for (int k = 0; k < 16; ++k) {
    const double a = k * twoPi / 16;
    if (path.contains({p.x + slack * std::cos(a), p.y + slack * std::sin(a)}) != inside) return true;
  }
  return false;
}

TEST(CommonPixelGenerator, SymmetricOutlinesAreTheirOwnMirrorImages) {
  // Modules 100 units wide, at (0, 0) and (0, 1) so that shiny shows both of its outlines.
  // An outline symmetric about a line through its centre fills a point exactly when it
  // fills the mirrored point; only points within `slack` of the outline may disagree
  // (the flower's petals are drawn with curves of their own on each side).
  struct Case {
    PixelType type;
    bool acrossVertical, acrossHorizontal;
    double centre;  // of the outline within its cell, on both axes
  };
  const std::vector<Case> cases{
      {PixelType::square, true, true, 50},   {PixelType::circle, true, true, 50}, {PixelType::crt, true, true, 50},
      {PixelType::roundedRect, true, true, 50}, {PixelType::squircle, true, true, 50},
      {PixelType::sharp, true, true, 50},    {PixelType::star, true, false, 50},  {PixelType::flower, true, true, 50},
      {PixelType::shiny, true, true, 50},    {PixelType::donut, true, true, 40},  {PixelType::arrow, true, false, 50},
      {PixelType::wave, true, false, 50}};
  ASSERT_EQ(cases.size(), CommonPixelGenerator::allPixelTypes.size());
  constexpr double slack = 0.6;
  for (const Case& c : cases) {
    auto g = make(c.type, 0, 0.6);
    for (int column : {0, 1}) {
      SCOPED_TRACE(std::string(CommonPixelGenerator::rawValue(c.type)) + " at column " + std::to_string(column));
      const gfx::Path path = g.generatePath(single(2, 0, column), {200, 200});
      const double cx = 100.0 * column + c.centre, cy = c.centre;
      int asymmetric = 0;
      for (double x = cx - 62.5; x <= cx + 62.5; x += 1.25)
        for (double y = cy - 62.5; y <= cy + 62.5; y += 1.25) {
          const gfx::Point p{x, y};
          for (const auto& [mirrored, image] : {std::pair{c.acrossVertical, gfx::Point{2 * cx - x, y}},
                                                std::pair{c.acrossHorizontal, gfx::Point{x, 2 * cy - y}}}) {
            if (!mirrored || path.contains(p) == path.contains(image)) continue;
            if (!nearOutline(path, p, slack) && !nearOutline(path, image, slack)) ++asymmetric;
          }
        }
      EXPECT_EQ(asymmetric, 0);
    }
  }
}

TEST(CommonPixelGenerator, StarIsARegularFivePointedStarStretchedToItsBox) {
  // Undo the stretch that fits a regular star into the module (top tip on the top edge,
  // the two lower tips on the bottom edge, the side tips on the side edges); then a fifth
  // of a turn about its centre maps the star onto itself, so that a tip or an inner corner
  // moved off its place shows even where the mirror image cannot see it.
  auto g = make(PixelType::star);
  const gfx::Path star = g.generatePath(single(1, 0, 0), {100, 100});
  const gfx::Rect box = star.bounds();
  const double fifth = 2 * std::numbers::pi / 5;
  const double ry = box.height() / (1 + std::cos(fifth / 2)), rx = box.width() / 2 / std::sin(fifth);
  const auto fromUnit = [&](double x, double y) { return gfx::Point{box.midX() + rx * x, box.minY() + ry * (1 + y)}; };
  int asymmetric = 0;
  for (double x = -1.1; x <= 1.1; x += 0.02)
    for (double y = -1.1; y <= 1.1; y += 0.02) {
      const gfx::Point p = fromUnit(x, y);
      const gfx::Point turned = fromUnit(x * std::cos(fifth) - y * std::sin(fifth), x * std::sin(fifth) + y * std::cos(fifth));
      if (star.contains(p) != star.contains(turned) && !nearOutline(star, p, 0.6) && !nearOutline(star, turned, 0.6)) {
        ++asymmetric;
      }
    }
  EXPECT_EQ(asymmetric, 0);
}

TEST(CommonPixelGenerator, CopyDrawsLikeTheOriginalWithAFreshInsetGenerator) {
  auto g = make(PixelType::star, 0.6, 0, 0.3, true, QRCodePixelInsetRandom::Create());
  const auto m = full(6);
  const gfx::Path original = g.generatePath(m, {60, 60});
  // Leave the original's random source mid-sequence; the copy starts from the seed.
  g.insetGenerator()->insetValueFor(m, 0, 0, 0.5);
  auto copy = g.copy();
  EXPECT_NE(copy.insetGenerator().get(), g.insetGenerator().get());
  EXPECT_EQ(copy.generatePath(m, {60, 60}), original);
  EXPECT_EQ(g.generatePath(m, {60, 60}), original);
}

}  // namespace
