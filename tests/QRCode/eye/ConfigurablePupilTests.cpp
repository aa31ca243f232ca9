// The bar pupils and the pupils with settings (edges, pixels, cornered pixels, shield, UFO,
// use pixel shape): outlines, settings rules, records and the factory round trip.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "QRCode/QRCodePupilShape.hpp"
#include "QRCode/core/QRCodeBoolMatrix.hpp"
#include "QRCode/pixel/CommonPixelShapes.hpp"
#include "QRCode/pixel/QRCodePixelInsetGenerator.hpp"
#include "tests/QRCode/eye/ShapeProperties.hpp"

namespace {

using eyetest::boundsSpan;
using eyetest::boundsWithin;
using eyetest::emptyBoth;
using eyetest::filledBoth;
using eyetest::passesThrough;
using eyetest::subpathsOf;
using foundation::Settings;
using gfx::Point;

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

gfx::Path parsed(std::string_view text) {
  auto path = gfx::Path::parse(text);
  EXPECT_TRUE(path.has_value()) << text;
  return path.value_or(gfx::Path());
}

// A short-form number ("3.25", "30").
std::string num(double v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.10g", v);
  return buffer;
}

// --- every pupil of this file --------------------------------------------------------------

struct PupilCase {
  std::string name;
  std::string title;
  std::function<std::shared_ptr<QRCodePupilShapeGenerator>()> make;
  std::size_t subpaths;
};

template <class Pupil>
PupilCase pupilCase(std::size_t subpaths) {
  return {std::string(Pupil::Name()), std::string(Pupil::Title()), [] { return Pupil::Create(); }, subpaths};
}

std::vector<PupilCase> allPupils() {
  return {
      pupilCase<QRCodePupilShapeBarsHorizontal>(3),
      pupilCase<QRCodePupilShapeSquareBarsHorizontal>(3),
      pupilCase<QRCodePupilShapeBarsVertical>(3),
      pupilCase<QRCodePupilShapeSquareBarsVertical>(3),
      pupilCase<QRCodePupilShapeEdges>(1),
      pupilCase<QRCodePupilShapePixels>(9),
      pupilCase<QRCodePupilShapeCorneredPixels>(9),
      pupilCase<QRCodePupilShapeShield>(4),
      pupilCase<QRCodePupilShapeUFO>(1),
      pupilCase<QRCodePupilShapeUsePixelShape>(9),
  };
}

void PrintTo(const PupilCase& c, std::ostream* os) { *os << c.name; }

class EveryConfigurablePupil : public testing::TestWithParam<PupilCase> {};

TEST_P(EveryConfigurablePupil, NameTitleAndRecordOfItsClass) {
  const auto pupil = GetParam().make();
  EXPECT_EQ(pupil->name(), GetParam().name);
  EXPECT_EQ(pupil->title(), GetParam().title);
  const GeneratorSettingsRecord record = QRCodePupilShape::typeAndSettings(*pupil);
  ASSERT_TRUE(record.is_object());
  EXPECT_EQ(record.size(), 2u);
  EXPECT_EQ(foundation::stringValue(record, "type"), GetParam().name);
  ASSERT_NE(foundation::objectValue(record, "settings"), nullptr);
  EXPECT_EQ(record["settings"], pupil->settings());
}

TEST_P(EveryConfigurablePupil, ClosedSubpathsWithinThePupilBox) {
  const gfx::Path path = GetParam().make()->pupilPath();
  const auto subpaths = subpathsOf(path);
  ASSERT_EQ(subpaths.size(), GetParam().subpaths);
  for (const auto& s : subpaths) {
    EXPECT_TRUE(s.closed);
    EXPECT_GT(std::abs(s.signedArea), 1.0);
  }
  EXPECT_TRUE(boundsWithin(path, 30, 60));
  EXPECT_EQ(path.elements().back().type, gfx::PathElementType::close);
}

TEST_P(EveryConfigurablePupil, PathsAreEqualButNew) {
  const auto pupil = GetParam().make();
  const gfx::Path a = pupil->pupilPath();
  const gfx::Path b = pupil->pupilPath();
  EXPECT_EQ(a, b);
  EXPECT_NE(a.elements().data(), b.elements().data());
}

TEST_P(EveryConfigurablePupil, CopyHasTheSameSettingsAndPath) {
  const auto pupil = GetParam().make();
  const auto copy = pupil->copyShape();
  ASSERT_NE(copy.get(), pupil.get());
  EXPECT_EQ(copy->name(), pupil->name());
  EXPECT_EQ(copy->settings(), pupil->settings());
  EXPECT_EQ(copy->pupilPath(), pupil->pupilPath());
}

TEST_P(EveryConfigurablePupil, RecordRoundTripsThroughTheFactory) {
  const auto pupil = GetParam().make();
  const auto restored = QRCodePupilShapeFactory::shared().createWithSettings(pupil->typeAndSettings());
  ASSERT_NE(restored, nullptr);
  EXPECT_EQ(restored->name(), GetParam().name);
  EXPECT_EQ(restored->settings(), pupil->settings());
  EXPECT_EQ(restored->pupilPath(), pupil->pupilPath());
  const auto named = QRCodePupilShapeFactory::shared().named(GetParam().name);
  EXPECT_EQ(named->name(), GetParam().name);
}

TEST_P(EveryConfigurablePupil, UnknownKeysChangeNothing) {
  const auto pupil = GetParam().make();
  const Settings before = pupil->settings();
  for (const char* key : {"", "insetFraction", "CornerRadiusFraction", "corner", "isflipped"}) {
    EXPECT_FALSE(pupil->supportsSettingValueForKey(key)) << key;
    EXPECT_FALSE(pupil->setSettingValue(Settings(0.3), key)) << key;
    EXPECT_FALSE(pupil->setSettingValue(Settings(), key)) << key;
  }
  EXPECT_EQ(pupil->settings(), before);
}

INSTANTIATE_TEST_SUITE_P(Pupils, EveryConfigurablePupil, testing::ValuesIn(allPupils()),
                         [](const auto& info) { return info.param.name; });

// --- bars ----------------------------------------------------------------------------------

gfx::Path squareBars(bool horizontal) {
  if (horizontal)
    return parsed(
        "M 30,30; L 60,30; L 60,39.33; L 30,39.33; Z; "
        "M 30,40.33; L 60,40.33; L 60,49.66; L 30,49.66; Z; "
        "M 30,50.66; L 60,50.66; L 60,59.99; L 30,59.99; Z.");
  return parsed(
      "M 30,30; L 39.33,30; L 39.33,60; L 30,60; Z; "
      "M 40.33,30; L 49.66,30; L 49.66,60; L 40.33,60; Z; "
      "M 50.66,30; L 59.99,30; L 59.99,60; L 50.66,60; Z.");
}

TEST(BarPupils, SquareBarsAreThreePlainRectangles) {
  const gfx::Path h = QRCodePupilShapeSquareBarsHorizontal().pupilPath();
  const gfx::Path v = QRCodePupilShapeSquareBarsVertical().pupilPath();
  ASSERT_EQ(h.size(), squareBars(true).size());
  for (std::size_t i = 0; i < h.size(); ++i) {
    EXPECT_EQ(h.elements()[i].type, squareBars(true).elements()[i].type);
    EXPECT_TRUE(eyetest::near(h.elements()[i].endPoint(), squareBars(true).elements()[i].endPoint(), 1e-9)) << i;
    EXPECT_TRUE(eyetest::near(v.elements()[i].endPoint(), squareBars(false).elements()[i].endPoint(), 1e-9)) << i;
  }
}

TEST(BarPupils, BarsLeaveTwoGapsOfOneAndEndAt5999) {
  struct Bars {
    std::shared_ptr<QRCodePupilShapeGenerator> pupil;
    bool horizontal;
  };
  const Bars all[] = {{QRCodePupilShapeBarsHorizontal::Create(), true},
                      {QRCodePupilShapeSquareBarsHorizontal::Create(), true},
                      {QRCodePupilShapeBarsVertical::Create(), false},
                      {QRCodePupilShapeSquareBarsVertical::Create(), false}};
  for (const auto& bars : all) {
    SCOPED_TRACE(bars.pupil->name());
    const gfx::Path path = bars.pupil->pupilPath();
    // (along, across): along the bars at 45, across them at the given position.
    auto at = [&](double across) { return bars.horizontal ? Point{45, across} : Point{across, 45}; };
    for (double inside : {34.665, 44.995, 55.325}) EXPECT_TRUE(filledBoth(path, at(inside))) << inside;
    for (double gap : {39.83, 50.16, 59.995}) EXPECT_TRUE(emptyBoth(path, at(gap))) << gap;
    const gfx::Rect b = path.bounds();
    EXPECT_NEAR(bars.horizontal ? b.maxY() : b.maxX(), 59.99, 1e-9);
    EXPECT_NEAR(bars.horizontal ? b.maxX() : b.maxY(), 60, 1e-9);
    // The bars never overlap: each subpath's area is one bar (30 x 9.33, less the corners).
    double area = 0;
    for (const auto& s : subpathsOf(path)) area += std::abs(s.signedArea);
    EXPECT_LE(area, 3 * 30 * 9.33 + 1e-6);
  }
}

TEST(BarPupils, RoundedEndsAreHalfRoundedWithAStraightPart) {
  const gfx::Path h = QRCodePupilShapeBarsHorizontal().pupilPath();
  // First bar (30, 30, 30, 9.33): the left end is straight from y 34 to 35.33.
  EXPECT_TRUE(passesThrough(h, {30, 35.33}));
  EXPECT_TRUE(passesThrough(h, {30, 34}));
  EXPECT_TRUE(filledBoth(h, {30.05, 34.665}));
  EXPECT_TRUE(emptyBoth(h, {30.3, 30.3}));  // the rounded corner
  EXPECT_TRUE(filledBoth(QRCodePupilShapeSquareBarsHorizontal().pupilPath(), {30.3, 30.3}));
  gfx::Path expected;
  expected.addRoundedRect(gfx::Rect{30, 30, 30, 9.33}, 4, 4);
  expected.addRoundedRect(gfx::Rect{30, 40.33, 30, 9.33}, 4, 4);
  expected.addRoundedRect(gfx::Rect{30, 50.66, 30, 9.33}, 4, 4);
  EXPECT_EQ(h, expected);
  const gfx::Path v = QRCodePupilShapeBarsVertical().pupilPath();
  EXPECT_TRUE(passesThrough(v, {34, 30}));
  EXPECT_TRUE(passesThrough(v, {35.33, 30}));
  EXPECT_TRUE(emptyBoth(v, {59.7, 59.7}));
}

TEST(BarPupils, NoSettings) {
  QRCodePupilShapeBarsVertical pupil;
  EXPECT_TRUE(pupil.settings().is_object());
  EXPECT_TRUE(pupil.settings().empty());
  EXPECT_FALSE(pupil.supportsSettingValueForKey("cornerRadiusFraction"));
  EXPECT_FALSE(pupil.setSettingValue(Settings(0.5), "cornerRadiusFraction"));
  EXPECT_EQ(QRCodePupilShapeSquareBarsHorizontal().typeAndSettings(),
            (Settings{{"type", "barsHorizontalSquare"}, {"settings", Settings::object()}}));
}

// --- edges, pixels, cornered pixels ----------------------------------------------------------

gfx::Path roundedBox(double r) {
  gfx::Path path;
  path.addRoundedRect(gfx::Rect{30, 30, 30, 30}, r, r);
  return path;
}

TEST(EdgesPupil, DefaultsAndDerivedRadius) {
  const auto edges = QRCodePupilShapeEdges::Create();
  EXPECT_DOUBLE_EQ(QRCodePupilShapeEdges::DefaultCornerRadius(), 0.65);
  EXPECT_DOUBLE_EQ(edges->cornerRadiusFraction(), 0.65);
  EXPECT_DOUBLE_EQ(edges->actualCornerRadius(), 3.25);
  EXPECT_EQ(edges->settings(), (Settings{{"cornerRadiusFraction", 0.65}}));
  EXPECT_EQ(edges->pupilPath(), roundedBox(3.25));
  EXPECT_TRUE(boundsSpan(edges->pupilPath(), 30, 60));
}

TEST(EdgesPupil, ZeroOrNegativeFractionDrawsTheSquare) {
  gfx::Path square;
  square.addRect(gfx::Rect{30, 30, 30, 30});
  for (double fraction : {0.0, -0.3, -5.0}) {
    QRCodePupilShapeEdges edges(fraction);
    EXPECT_DOUBLE_EQ(edges.actualCornerRadius(), 0);
    EXPECT_EQ(edges.pupilPath(), square) << fraction;
    EXPECT_DOUBLE_EQ(edges.cornerRadiusFraction(), fraction);
  }
}

TEST(EdgesPupil, InitialiserKeepsTheFractionButDrawsAtMostRadiusFive) {
  QRCodePupilShapeEdges edges(2);
  EXPECT_DOUBLE_EQ(edges.cornerRadiusFraction(), 2);
  EXPECT_DOUBLE_EQ(edges.actualCornerRadius(), 5);
  EXPECT_EQ(edges.pupilPath(), roundedBox(5));
  EXPECT_EQ(edges.settings(), (Settings{{"cornerRadiusFraction", 2.0}}));
  edges.setCornerRadiusFraction(0.4);
  EXPECT_DOUBLE_EQ(edges.actualCornerRadius(), 2);
}

// The three radius classes share the setting rules.
template <class Pupil>
void checkRadiusSettingRules() {
  SCOPED_TRACE(std::string(Pupil::Name()));
  Pupil pupil(0.65);
  EXPECT_TRUE(pupil.supportsSettingValueForKey("cornerRadiusFraction"));
  EXPECT_TRUE(pupil.setSettingValue(Settings(1.7), "cornerRadiusFraction"));
  EXPECT_DOUBLE_EQ(pupil.cornerRadiusFraction(), 1.0);
  EXPECT_DOUBLE_EQ(pupil.actualCornerRadius(), 5.0);
  EXPECT_TRUE(pupil.setSettingValue(Settings(-0.3), "cornerRadiusFraction"));
  EXPECT_DOUBLE_EQ(pupil.cornerRadiusFraction(), 0.0);
  EXPECT_DOUBLE_EQ(pupil.actualCornerRadius(), 0.0);
  EXPECT_TRUE(pupil.setSettingValue(Settings(1), "cornerRadiusFraction"));  // an integer number
  EXPECT_DOUBLE_EQ(pupil.actualCornerRadius(), 5.0);
  EXPECT_TRUE(pupil.setSettingValue(Settings(kInf), "cornerRadiusFraction"));
  EXPECT_DOUBLE_EQ(pupil.cornerRadiusFraction(), 1.0);
  EXPECT_TRUE(pupil.setSettingValue(Settings(0.2), "cornerRadiusFraction"));
  EXPECT_DOUBLE_EQ(pupil.actualCornerRadius(), 1.0);
  // Not numbers: nothing changes.
  for (const Settings& bad : {Settings(), Settings("0.5"), Settings::array({0.5}), Settings::object(), Settings(kNaN)}) {
    EXPECT_FALSE(pupil.setSettingValue(bad, "cornerRadiusFraction")) << bad.dump();
    EXPECT_DOUBLE_EQ(pupil.cornerRadiusFraction(), 0.2);
    EXPECT_DOUBLE_EQ(pupil.actualCornerRadius(), 1.0);
  }
  // Create stores the number as given, or the default for anything else.
  EXPECT_DOUBLE_EQ(Pupil::Create(Settings{{"cornerRadiusFraction", 0.3}})->cornerRadiusFraction(), 0.3);
  EXPECT_DOUBLE_EQ(Pupil::Create(Settings{{"cornerRadiusFraction", 1.5}})->cornerRadiusFraction(), 1.5);
  EXPECT_DOUBLE_EQ(Pupil::Create(Settings{{"cornerRadiusFraction", "0.3"}})->cornerRadiusFraction(), 0.65);
  EXPECT_DOUBLE_EQ(Pupil::Create(Settings{{"cornerRadiusFraction", kNaN}})->cornerRadiusFraction(), 0.65);
  EXPECT_DOUBLE_EQ(Pupil::Create(Settings::array({1}))->cornerRadiusFraction(), 0.65);
  EXPECT_DOUBLE_EQ(Pupil::Create(Settings())->cornerRadiusFraction(), 0.65);
  // copyShape keeps the fraction.
  const auto copy = Pupil::Create(Settings{{"cornerRadiusFraction", 0.1}})->copyShape();
  EXPECT_EQ(copy->settings(), (Settings{{"cornerRadiusFraction", 0.1}}));
}

TEST(RadiusPupils, SettingRules) {
  checkRadiusSettingRules<QRCodePupilShapeEdges>();
  checkRadiusSettingRules<QRCodePupilShapePixels>();
  checkRadiusSettingRules<QRCodePupilShapeCorneredPixels>();
}

TEST(RadiusPupils, CopiesAreIndependent) {
  const auto pupil = QRCodePupilShapePixels::Create();
  const auto copy = pupil->copyShape();
  EXPECT_TRUE(pupil->setSettingValue(Settings(0.1), "cornerRadiusFraction"));
  EXPECT_EQ(copy->settings(), (Settings{{"cornerRadiusFraction", 0.65}}));
  EXPECT_NE(copy->pupilPath(), pupil->pupilPath());
}

TEST(PixelsPupil, NineRoundedCellsRowByRow) {
  QRCodePupilShapePixels pixels(0.4);
  EXPECT_DOUBLE_EQ(pixels.actualCornerRadius(), 2);
  gfx::Path expected;
  for (double y : {30, 40, 50})
    for (double x : {30, 40, 50}) expected.addRoundedRect(gfx::Rect{x, y, 9, 9}, 2, 2);
  EXPECT_EQ(pixels.pupilPath(), expected);
  const auto subpaths = subpathsOf(pixels.pupilPath());
  ASSERT_EQ(subpaths.size(), 9u);
  // The cells have 1-unit gaps.
  EXPECT_TRUE(emptyBoth(pixels.pupilPath(), {39.5, 45}));
  EXPECT_TRUE(emptyBoth(pixels.pupilPath(), {45, 49.5}));
  EXPECT_TRUE(filledBoth(pixels.pupilPath(), {44.5, 44.5}));
}

TEST(PixelsPupil, LargeRadiusStaysInsideEachCell) {
  QRCodePupilShapePixels pixels(1);
  EXPECT_DOUBLE_EQ(pixels.actualCornerRadius(), 5);
  const gfx::Path path = pixels.pupilPath();
  for (const auto& e : path.elements())
    for (int i = 0; i < e.pointCount(); ++i) EXPECT_TRUE(std::isfinite(e.points[i].x) && std::isfinite(e.points[i].y));
  // Every cell is a circle of radius 4.5 at most: its centre filled, its corners empty.
  EXPECT_TRUE(filledBoth(path, {34.5, 34.5}));
  EXPECT_TRUE(emptyBoth(path, {30.4, 30.4}));
  EXPECT_TRUE(boundsWithin(path, 30, 59));
}

// The cornered-pixels pupil exactly as its corner cells are described, for radius r.
gfx::Path corneredPixelsOutline(double r) {
  const std::string a = num(30 + r), b = num(59 - r);
  std::string text;
  text += "M " + a + ",30; L 39,30; L 39,39; L 30,39; L 30," + a + "; C 30,30 " + a + ",30 " + a + ",30; Z; ";
  text += "M 40,30; L 49,30; L 49,39; L 40,39; Z; ";
  text += "M 50,30; L " + b + ",30; C 59,30 59," + a + " 59," + a + "; L 59,39; L 50,39; L 50,30; Z; ";
  text += "M 30,40; L 39,40; L 39,49; L 30,49; Z; ";
  text += "M 40,40; L 49,40; L 49,49; L 40,49; Z; ";
  text += "M 50,40; L 59,40; L 59,49; L 50,49; Z; ";
  text += "M 30,50; L 39,50; L 39,59; L " + a + ",59; C 30,59 30," + b + " 30," + b + "; L 30,50; Z; ";
  text += "M 40,50; L 49,50; L 49,59; L 40,59; Z; ";
  text += "M 50,50; L 59,50; L 59," + b + "; C 59,59 " + b + ",59 " + b + ",59; L 50,59; L 50,50; Z.";
  return parsed(text);
}

TEST(CorneredPixelsPupil, CornerCellsRoundOnlyTheirOuterCorner) {
  for (double fraction : {0.65, 0.3, 0.0}) {
    SCOPED_TRACE(fraction);
    QRCodePupilShapeCorneredPixels pupil(fraction);
    EXPECT_DOUBLE_EQ(pupil.actualCornerRadius(), fraction * 5);
    EXPECT_EQ(pupil.pupilPath(), corneredPixelsOutline(fraction * 5));
  }
  const gfx::Path path = QRCodePupilShapeCorneredPixels(0.65).pupilPath();
  EXPECT_TRUE(emptyBoth(path, {30.3, 30.3}));
  EXPECT_TRUE(emptyBoth(path, {58.7, 30.3}));
  EXPECT_TRUE(emptyBoth(path, {30.3, 58.7}));
  EXPECT_TRUE(emptyBoth(path, {58.7, 58.7}));
  EXPECT_TRUE(filledBoth(path, {38.8, 38.8}));  // the inner corner of a corner cell is square
  EXPECT_TRUE(filledBoth(path, {40.2, 30.2}));  // the edge cells are plain squares
}

TEST(CorneredPixelsPupil, InitialiserDoesNotClampTheRadius) {
  QRCodePupilShapeCorneredPixels pupil(1.2);
  EXPECT_DOUBLE_EQ(pupil.actualCornerRadius(), 6.0);
  EXPECT_DOUBLE_EQ(pupil.cornerRadiusFraction(), 1.2);
  // Drawn with at most half a cell, the outline stays in its cells.
  EXPECT_EQ(pupil.pupilPath(), corneredPixelsOutline(4.5));
  QRCodePupilShapeCorneredPixels negative(-1);
  EXPECT_DOUBLE_EQ(negative.actualCornerRadius(), -5.0);
  EXPECT_EQ(negative.pupilPath(), corneredPixelsOutline(0));
  EXPECT_TRUE(boundsWithin(negative.pupilPath(), 30, 59));
}

// --- shield --------------------------------------------------------------------------------

const char* const kShieldRounded[4] = {
    "M 45,45; L 30,45; L 30,56; C 30,58.21 31.79,60 34,60; L 45,60; L 45,45; Z.",
    "M 45,45; L 60,45; L 60,56; C 60,58.21 58.21,60 56,60; L 45,60; L 45,45; Z.",
    "M 45,45; L 30,45; L 30,34; C 30,31.79 31.79,30 34,30; L 45,30; L 45,45; Z.",
    "M 45,45; L 60,45; L 60,34; C 60,31.79 58.21,30 56,30; L 45,30; L 45,45; Z.",
};
const char* const kShieldCut[4] = {
    "M 37.58,60; C 36.03,56.66 33.34,53.97 30,52.42; C 30,48.7 30,45 30,45; L 45,45; L 45,60; L 37.58,60; Z.",
    "M 52.42,60; C 53.97,56.66 56.66,53.97 60,52.42; C 60,48.7 60,45 60,45; L 45,45; L 45,60; L 52.42,60; Z.",
    "M 37.58,30; C 36.03,33.34 33.34,36.03 30,37.58; C 30,41.3 30,45 30,45; L 45,45; L 45,30; L 37.58,30; Z.",
    "M 52.42,30; C 53.97,33.34 56.66,36.03 60,37.58; C 60,41.3 60,45 60,45; L 45,45; L 45,30; L 52.42,30; Z.",
};

gfx::Path shieldOutline(std::int64_t corners) {
  gfx::Path path;
  for (int i = 0; i < 4; ++i) path.addPath(parsed(((corners >> i) & 1) ? kShieldCut[i] : kShieldRounded[i]));
  return path;
}

// A point inside each quadrant that the shield cut removes but the radius-4 corner keeps,
// in flag order: (30, 60), (60, 60), (30, 30), (60, 30).
const Point kCutProbe[4] = {{31, 55}, {59, 55}, {31, 35}, {59, 35}};

TEST(ShieldPupil, EveryCornerSetDrawsItsQuadrants) {
  for (std::int64_t corners = 0; corners < 16; ++corners) {
    SCOPED_TRACE(corners);
    QRCodePupilShapeShield shield{QRCode::Corners(corners)};
    const gfx::Path path = shield.pupilPath();
    EXPECT_EQ(path, shieldOutline(corners));
    for (int i = 0; i < 4; ++i) {
      const bool cut = (corners >> i) & 1;
      EXPECT_EQ(emptyBoth(path, kCutProbe[i]), cut) << i;
    }
    EXPECT_TRUE(filledBoth(path, {45.5, 45.5}));
  }
}

TEST(ShieldPupil, DefaultsAndInitialisers) {
  EXPECT_EQ(QRCodePupilShapeShield().corners().rawValue, 15);
  EXPECT_EQ(QRCodePupilShapeShield::Create()->settings(), (Settings{{"corners", 15}}));
  EXPECT_EQ(QRCodePupilShapeShield(true, false, false, false).corners().rawValue, 1);
  EXPECT_EQ(QRCodePupilShapeShield(false, true, false, true).corners().rawValue, 10);
  EXPECT_EQ(QRCodePupilShapeShield(false, false, true, false).corners().rawValue, 4);
  // With all four corners every quadrant has the cut; with none, four rounded corners.
  EXPECT_EQ(QRCodePupilShapeShield().pupilPath(), shieldOutline(15));
  EXPECT_EQ(QRCodePupilShapeShield(false, false, false, false).pupilPath(), shieldOutline(0));
}

TEST(ShieldPupil, CornersSetting) {
  QRCodePupilShapeShield shield;
  EXPECT_TRUE(shield.supportsSettingValueForKey("corners"));
  EXPECT_FALSE(shield.supportsSettingValueForKey("cornerRadiusFraction"));
  EXPECT_TRUE(shield.setSettingValue(Settings(5), "corners"));
  EXPECT_EQ(shield.corners().rawValue, 5);
  EXPECT_TRUE(shield.setSettingValue(Settings(3.9), "corners"));  // the integer value
  EXPECT_EQ(shield.corners().rawValue, 3);
  // Values outside 0...15 are kept; only the low four bits draw.
  EXPECT_TRUE(shield.setSettingValue(Settings(20), "corners"));
  EXPECT_EQ(shield.settings(), (Settings{{"corners", 20}}));
  EXPECT_EQ(shield.pupilPath(), shieldOutline(4));
  EXPECT_TRUE(shield.setSettingValue(Settings(-1), "corners"));
  EXPECT_EQ(shield.corners().rawValue, -1);
  EXPECT_EQ(shield.pupilPath(), shieldOutline(15));
  for (const Settings& bad : {Settings(), Settings("3"), Settings(kNaN), Settings(1e30), Settings::object()}) {
    EXPECT_FALSE(shield.setSettingValue(bad, "corners")) << bad.dump();
    EXPECT_EQ(shield.corners().rawValue, -1);
  }
  EXPECT_EQ(QRCodePupilShapeShield::Create(Settings{{"corners", 6}})->corners().rawValue, 6);
  EXPECT_EQ(QRCodePupilShapeShield::Create(Settings{{"corners", "6"}})->corners().rawValue, 15);
  const auto copy = QRCodePupilShapeShield::Create(Settings{{"corners", 9}})->copyShape();
  EXPECT_EQ(copy->settings(), (Settings{{"corners", 9}}));
}

// --- UFO -----------------------------------------------------------------------------------

const char* const kUFO =
    "M 60,60; C 60,60 60,45 60,45; C 60,36.72 53.28,30 45,30; L 30,30; L 30,45; "
    "C 30,53.28 36.72,60 45,60; L 60,60; L 60,60; Z.";

TEST(UFOPupil, OutlineAndItsFlip) {
  const gfx::Path plain = QRCodePupilShapeUFO(false).pupilPath();
  EXPECT_EQ(plain, parsed(kUFO));
  // Square at (30, 30) and (60, 60), quarter circles at (60, 30) and (30, 60).
  EXPECT_TRUE(filledBoth(plain, {30.3, 30.3}));
  EXPECT_TRUE(filledBoth(plain, {59.7, 59.7}));
  EXPECT_TRUE(emptyBoth(plain, {59.5, 30.5}));
  EXPECT_TRUE(emptyBoth(plain, {30.5, 59.5}));
  const gfx::Path flipped = QRCodePupilShapeUFO(true).pupilPath();
  EXPECT_EQ(flipped, parsed(kUFO).transformed(gfx::AffineTransform{1, 0, 0, -1, 0, 90}));
  EXPECT_TRUE(filledBoth(flipped, {30.3, 59.7}));
  EXPECT_TRUE(filledBoth(flipped, {59.7, 30.3}));
  EXPECT_TRUE(emptyBoth(flipped, {30.5, 30.5}));
  EXPECT_TRUE(emptyBoth(flipped, {59.5, 59.5}));
  EXPECT_TRUE(boundsSpan(flipped, 30, 60));
}

TEST(UFOPupil, FlagSettingAlwaysAnswersFalse) {
  QRCodePupilShapeUFO ufo(false);
  EXPECT_TRUE(ufo.supportsSettingValueForKey("isFlipped"));
  EXPECT_FALSE(ufo.setSettingValue(Settings(true), "isFlipped"));
  EXPECT_TRUE(ufo.isFlipped());
  EXPECT_EQ(ufo.settings(), (Settings{{"isFlipped", true}}));
  EXPECT_FALSE(ufo.setSettingValue(Settings(0), "isFlipped"));
  EXPECT_FALSE(ufo.isFlipped());
  EXPECT_FALSE(ufo.setSettingValue(Settings(2.5), "isFlipped"));
  EXPECT_TRUE(ufo.isFlipped());
  // Text (or nothing) clears the flag.
  EXPECT_FALSE(ufo.setSettingValue(Settings("true"), "isFlipped"));
  EXPECT_FALSE(ufo.isFlipped());
  ufo.setIsFlipped(true);
  EXPECT_FALSE(ufo.setSettingValue(Settings(), "isFlipped"));
  EXPECT_FALSE(ufo.isFlipped());
  // Other keys change nothing.
  ufo.setIsFlipped(true);
  EXPECT_FALSE(ufo.setSettingValue(Settings(0), "corners"));
  EXPECT_TRUE(ufo.isFlipped());
}

TEST(UFOPupil, CreateAndSettingsInitialiser) {
  EXPECT_FALSE(QRCodePupilShapeUFO::Create()->isFlipped());
  EXPECT_FALSE(QRCodePupilShapeUFO::Create(Settings())->isFlipped());
  EXPECT_TRUE(QRCodePupilShapeUFO::Create(Settings{{"isFlipped", 1}})->isFlipped());
  EXPECT_TRUE(QRCodePupilShapeUFO::Create(Settings{{"isFlipped", true}})->isFlipped());
  EXPECT_FALSE(QRCodePupilShapeUFO::Create(Settings{{"isFlipped", "true"}})->isFlipped());
  EXPECT_TRUE(QRCodePupilShapeUFO(Settings{{"isFlipped", true}}).isFlipped());
  EXPECT_FALSE(QRCodePupilShapeUFO(Settings::object()).isFlipped());
  EXPECT_EQ(QRCodePupilShapeUFO(true).copyShape()->settings(), (Settings{{"isFlipped", true}}));
  const auto restored = QRCodePupilShapeFactory::shared().createWithSettings(QRCodePupilShapeUFO(true).typeAndSettings());
  EXPECT_EQ(restored->pupilPath(), QRCodePupilShapeUFO(true).pupilPath());
}

// --- use pixel shape -----------------------------------------------------------------------

std::shared_ptr<QRCodePixelShapeGenerator> plainSquares() {
  return std::make_shared<QRCodePixelShapeSquare>(std::make_shared<QRCodePixelInsetFixed>(), 0.0, 0.0, false);
}

TEST(UsePixelShapePupil, TemplateHoldsTheThreeByThreeCentre) {
  const QRCodeBoolMatrix& matrix = QRCodePupilShapeUsePixelShape::pupilTemplate();
  ASSERT_EQ(matrix.dimension(), 6);
  for (int r = 0; r < 6; ++r)
    for (int c = 0; c < 6; ++c) EXPECT_EQ(matrix.value(r, c), r >= 3 && c >= 3) << r << "," << c;
  EXPECT_EQ(&matrix, &QRCodePupilShapeUsePixelShape::pupilTemplate());
}

TEST(UsePixelShapePupil, WithoutAPixelShapeDrawsNineSquares) {
  QRCodePupilShapeUsePixelShape pupil;
  EXPECT_EQ(pupil.pixelShape(), nullptr);
  const gfx::Path path = pupil.pupilPath();
  EXPECT_EQ(path, plainSquares()->generatePathFrom(QRCodePupilShapeUsePixelShape::pupilTemplate(), {60, 60}));
  EXPECT_TRUE(boundsSpan(path, 30, 60));
  // The same area as the square pupil.
  const gfx::Path square = QRCodePupilShapeSquare().pupilPath();
  for (double x = 30.25; x < 60; x += 2.5)
    for (double y = 30.25; y < 60; y += 2.5) EXPECT_EQ(path.contains({x, y}), square.contains({x, y}));
  EXPECT_TRUE(emptyBoth(path, {29.5, 45}));
}

TEST(UsePixelShapePupil, DrawsWithTheLinkedPixelShapeUntilItIsGone) {
  QRCodePupilShapeUsePixelShape pupil;
  auto circles = QRCodePixelShapeCircle::Create();
  pupil.setPixelShape(circles);
  EXPECT_EQ(pupil.pixelShape(), circles);
  const gfx::Path path = pupil.pupilPath();
  EXPECT_EQ(path, circles->generatePathFrom(QRCodePupilShapeUsePixelShape::pupilTemplate(), {60, 60}));
  ASSERT_EQ(subpathsOf(path).size(), 9u);
  EXPECT_TRUE(emptyBoth(path, {30.3, 30.3}));  // between the circles
  EXPECT_TRUE(filledBoth(path, {35, 35}));
  // The reference is weak: the pupil does not keep the pixel shape alive.
  std::weak_ptr<QRCodePixelShapeGenerator> watch = circles;
  circles.reset();
  EXPECT_TRUE(watch.expired());
  EXPECT_EQ(pupil.pixelShape(), nullptr);
  EXPECT_EQ(pupil.pupilPath(), QRCodePupilShapeUsePixelShape().pupilPath());
}

TEST(UsePixelShapePupil, NoSettingsAndCopiesStartUnlinked) {
  QRCodePupilShapeUsePixelShape pupil;
  const auto circles = QRCodePixelShapeCircle::Create();
  pupil.setPixelShape(circles);
  EXPECT_TRUE(pupil.settings().empty());
  EXPECT_FALSE(pupil.setSettingValue(Settings(1), "insetFraction"));
  const auto copy = std::dynamic_pointer_cast<QRCodePupilShapeUsePixelShape>(pupil.copyShape());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->pixelShape(), nullptr);
  const auto created = QRCodePupilShapeUsePixelShape::Create(Settings{{"pixelShape", "circle"}});
  EXPECT_EQ(created->pixelShape(), nullptr);
  EXPECT_EQ(pupil.typeAndSettings(), (Settings{{"type", "usePixelShape"}, {"settings", Settings::object()}}));
}

// --- factory previews ----------------------------------------------------------------------

TEST(ConfigurablePupilPreviews, UsePixelShapeShowsTwoBars) {
  const gfx::Color black = gfx::Color::sRGB(0, 0, 0);
  const gfx::Image image = QRCodePupilShapeFactory::previewImage(90, QRCodePupilShapeUsePixelShape(), black);
  // The bars (30, 30, 30, 10) and (30, 50, 30, 10) enlarged: rows 16...36 and 56...76.
  EXPECT_GT(image.pixelAt(45, 25).a, 200);
  EXPECT_GT(image.pixelAt(45, 65).a, 200);
  EXPECT_EQ(image.pixelAt(45, 45).a, 0);
  EXPECT_EQ(image.pixelAt(10, 25).a, 0);
  // A shield preview fills the pupil box's centre.
  const gfx::Image shield = QRCodePupilShapeFactory::previewImage(90, QRCodePupilShapeShield(), black);
  EXPECT_GT(shield.pixelAt(45, 45).a, 200);
  EXPECT_EQ(shield.pixelAt(17, 17).a, 0);  // the cut corner
}

}  // namespace
