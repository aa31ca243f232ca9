// The sixteen pupils without settings: outline properties, settings behaviour, records.

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <memory>
#include <string>

#include "QRCode/QRCodePupilShape.hpp"
#include "tests/QRCode/eye/ShapeProperties.hpp"

namespace {

using eyetest::boundsSpan;
using eyetest::boundsWithin;
using eyetest::emptyBoth;
using eyetest::filledBoth;
using eyetest::passesThrough;
using eyetest::subpathsOf;
using gfx::Point;

struct PupilCase {
  std::string name;
  std::string title;
  std::function<std::shared_ptr<QRCodePupilShapeGenerator>()> make;
  // The outline returns to its start point before closing (false for the plain
  // rectangle, whose close element draws its last side).
  bool endsAtStart = true;
};

template <class Pupil>
PupilCase pupilCase(bool endsAtStart = true) {
  return {std::string(Pupil::Name()), std::string(Pupil::Title()), [] { return Pupil::Create(); },
          endsAtStart};
}

std::vector<PupilCase> allPupils() {
  return {
      pupilCase<QRCodePupilShapeSquare>(false), pupilCase<QRCodePupilShapeCircle>(),
      pupilCase<QRCodePupilShapeRoundedRect>(), pupilCase<QRCodePupilShapeRoundedOuter>(),
      pupilCase<QRCodePupilShapeRoundedPointingIn>(), pupilCase<QRCodePupilShapeRoundedPointingOut>(),
      pupilCase<QRCodePupilShapeLeaf>(),        pupilCase<QRCodePupilShapeTeardrop>(),
      pupilCase<QRCodePupilShapeSquircle>(),    pupilCase<QRCodePupilShapePinch>(),
      pupilCase<QRCodePupilShapeCRT>(),         pupilCase<QRCodePupilShapeBlobby>(),
      pupilCase<QRCodePupilShapeSeal>(),        pupilCase<QRCodePupilShapeHexagonLeaf>(),
      pupilCase<QRCodePupilShapeCross>(),       pupilCase<QRCodePupilShapeCrossCurved>(),
  };
}

void PrintTo(const PupilCase& c, std::ostream* os) { *os << c.name; }

class EveryPupil : public testing::TestWithParam<PupilCase> {};

TEST_P(EveryPupil, NameAndTitleOfItsClass) {
  const auto pupil = GetParam().make();
  EXPECT_EQ(pupil->name(), GetParam().name);
  EXPECT_EQ(pupil->title(), GetParam().title);
  EXPECT_EQ(QRCodePupilShape::nameOfGenerator(*pupil), GetParam().name);
  EXPECT_EQ(QRCodePupilShape::titleOfGenerator(*pupil), GetParam().title);
}

TEST_P(EveryPupil, EverySubpathClosesWhereItStarts) {
  const gfx::Path path = GetParam().make()->pupilPath();
  const auto subpaths = subpathsOf(path);
  ASSERT_FALSE(subpaths.empty());
  for (const auto& s : subpaths) {
    EXPECT_GT(s.elements, 2u);
    if (GetParam().name == "hexagonLeaf") {
      // Drawn without a close element; its last curve ends at the start.
      EXPECT_FALSE(s.closed);
      EXPECT_TRUE(eyetest::near(s.last, s.start));
    } else {
      EXPECT_TRUE(s.closed);
      if (GetParam().endsAtStart) {
        EXPECT_TRUE(eyetest::near(s.last, s.start, 1e-9))
            << "last (" << s.last.x << ", " << s.last.y << ") start (" << s.start.x << ", "
            << s.start.y << ")";
      }
    }
  }
}

TEST_P(EveryPupil, LiesInThePupilBoxAndSpansIt) {
  const gfx::Path path = GetParam().make()->pupilPath();
  EXPECT_TRUE(boundsWithin(path, 30, 60)) << path.description();
  EXPECT_TRUE(boundsSpan(path, 30, 60)) << path.description();
  // The control points too stay inside the box.
  const gfx::Rect cb = path.controlPointBounds();
  EXPECT_GE(cb.minX(), 30 - 1e-9);
  EXPECT_GE(cb.minY(), 30 - 1e-9);
  EXPECT_LE(cb.maxX(), 60 + 1e-9);
  EXPECT_LE(cb.maxY(), 60 + 1e-9);
}

TEST_P(EveryPupil, IsSolidAroundTheCentreAndEmptyOutsideTheBox) {
  const gfx::Path path = GetParam().make()->pupilPath();
  for (double dx : {-3.0, 0.0, 3.0})
    for (double dy : {-3.0, 0.0, 3.0}) EXPECT_TRUE(filledBoth(path, {45 + dx, 45 + dy}));
  for (Point p : {Point{29.5, 45}, Point{60.5, 45}, Point{45, 29.5}, Point{45, 60.5}, Point{29, 29},
                  Point{61, 61}})
    EXPECT_TRUE(emptyBoth(path, p));
}

TEST_P(EveryPupil, EachCallBuildsAnEqualNewPath) {
  const auto pupil = GetParam().make();
  gfx::Path first = pupil->pupilPath();
  const gfx::Path second = pupil->pupilPath();
  EXPECT_EQ(first, second);
  // Changing one returned path leaves the next one untouched.
  first.lineTo({0, 0});
  EXPECT_EQ(pupil->pupilPath(), second);
}

TEST_P(EveryPupil, HasNoSettings) {
  const auto pupil = GetParam().make();
  const gfx::Path before = pupil->pupilPath();
  EXPECT_TRUE(pupil->settings().is_object());
  EXPECT_TRUE(pupil->settings().empty());
  for (const char* key : {"cornerRadiusFraction", "insetFraction", "isFlipped", "corners", ""}) {
    EXPECT_FALSE(pupil->supportsSettingValueForKey(key)) << key;
    EXPECT_FALSE(pupil->setSettingValue(foundation::Settings(0.5), key)) << key;
    EXPECT_FALSE(pupil->setSettingValue(foundation::Settings(), key)) << key;
  }
  EXPECT_TRUE(pupil->settings().empty());
  EXPECT_EQ(pupil->pupilPath(), before);
  EXPECT_FALSE(pupil->settingValueForKey<double>("cornerRadiusFraction").has_value());
}

TEST_P(EveryPupil, RecordRoundTripsThroughTheFactory) {
  const auto pupil = GetParam().make();
  const GeneratorSettingsRecord record = pupil->typeAndSettings();
  ASSERT_TRUE(record.is_object());
  EXPECT_EQ(record.size(), 2u);
  EXPECT_EQ(foundation::stringValue(record, "type"), GetParam().name);
  const foundation::Settings* settings = foundation::objectValue(record, "settings");
  ASSERT_NE(settings, nullptr);
  EXPECT_TRUE(settings->empty());
  EXPECT_EQ(QRCodePupilShape::typeAndSettings(*pupil), record);

  const auto restored = QRCodePupilShapeFactory::shared().createWithSettings(record);
  ASSERT_NE(restored, nullptr);
  EXPECT_NE(restored.get(), pupil.get());
  EXPECT_EQ(restored->name(), GetParam().name);
  EXPECT_EQ(restored->pupilPath(), pupil->pupilPath());
  EXPECT_EQ(restored->typeAndSettings(), record);
}

TEST_P(EveryPupil, CreateIgnoresItsDictionaryAndCopyIsANewEqualPupil) {
  const auto pupil = GetParam().make();
  foundation::Settings unrelated = {{"cornerRadiusFraction", 0.9}, {"isFlipped", true}, {"x", "y"}};
  const auto created = QRCodePupilShapeFactory::shared().named(GetParam().name, unrelated);
  EXPECT_EQ(created->name(), GetParam().name);
  EXPECT_TRUE(created->settings().empty());
  EXPECT_EQ(created->pupilPath(), pupil->pupilPath());

  const auto copy = pupil->copyShape();
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy.get(), pupil.get());
  EXPECT_EQ(copy->name(), pupil->name());
  EXPECT_EQ(copy->pupilPath(), pupil->pupilPath());
}

INSTANTIATE_TEST_SUITE_P(Pupils, EveryPupil, testing::ValuesIn(allPupils()),
                         [](const testing::TestParamInfo<PupilCase>& info) { return info.param.name; });

// --- single shapes ---------------------------------------------------------------------

TEST(PupilShapes, SquareFillsTheWholeBox) {
  const gfx::Path path = QRCodePupilShapeSquare().pupilPath();
  for (double x = 30.25; x < 60; x += 0.5)
    for (double y = 30.25; y < 60; y += 0.5) ASSERT_TRUE(filledBoth(path, {x, y})) << x << "," << y;
}

TEST(PupilShapes, CircleIsTheInscribedCircle) {
  const gfx::Path path = QRCodePupilShapeCircle().pupilPath();
  for (int i = 0; i < 36; ++i) {
    const double a = i * 3.14159265358979 / 18;
    EXPECT_TRUE(filledBoth(path, {45 + 14.8 * std::cos(a), 45 + 14.8 * std::sin(a)})) << i;
    EXPECT_TRUE(emptyBoth(path, {45 + 15.2 * std::cos(a), 45 + 15.2 * std::sin(a)})) << i;
  }
}

// Which of the four box corners stay square: a point just inside a square corner is
// filled, one just inside a rounded or cut corner is not.
struct CornerCase {
  std::string name;
  bool topLeft, topRight, bottomRight, bottomLeft;  // (30,30), (60,30), (60,60), (30,60)
};

void PrintTo(const CornerCase& c, std::ostream* os) { *os << c.name; }

class PupilCorners : public testing::TestWithParam<CornerCase> {};

TEST_P(PupilCorners, SquareAndRoundedCorners) {
  const auto pupil = QRCodePupilShapeFactory::shared().named(GetParam().name);
  const gfx::Path path = pupil->pupilPath();
  const double e = 0.3;
  EXPECT_EQ(path.contains({30 + e, 30 + e}), GetParam().topLeft);
  EXPECT_EQ(path.contains({60 - e, 30 + e}), GetParam().topRight);
  EXPECT_EQ(path.contains({60 - e, 60 - e}), GetParam().bottomRight);
  EXPECT_EQ(path.contains({30 + e, 60 - e}), GetParam().bottomLeft);
}

INSTANTIATE_TEST_SUITE_P(
    Pupils, PupilCorners,
    testing::Values(CornerCase{"square", true, true, true, true},
                    CornerCase{"roundedRect", false, false, false, false},
                    // The outer corner (30, 30) of the top-left pattern is the rounded one.
                    CornerCase{"roundedOuter", false, true, true, true},
                    // (60, 60) points towards the symbol's centre and stays square.
                    CornerCase{"roundedPointingIn", false, false, true, false},
                    // The outer corner stays square, the other three are rounded.
                    CornerCase{"roundedPointingOut", true, false, false, false},
                    CornerCase{"leaf", true, false, true, false},
                    CornerCase{"teardrop", true, false, false, false},
                    CornerCase{"squircle", false, false, false, false},
                    CornerCase{"crt", false, false, false, false}),
    [](const testing::TestParamInfo<CornerCase>& info) { return info.param.name; });

TEST(PupilShapes, PinchAndCrossesReachEveryBoxCorner) {
  for (const char* name : {"pinch", "cross", "crossCurved"}) {
    const gfx::Path path = QRCodePupilShapeFactory::shared().named(name)->pupilPath();
    for (Point corner : {Point{30, 30}, Point{60, 30}, Point{60, 60}, Point{30, 60}})
      EXPECT_TRUE(passesThrough(path, corner)) << name << " " << corner.x << "," << corner.y;
  }
}

TEST(PupilShapes, PinchIsPinchedInAtTheSideMiddles) {
  const gfx::Path path = QRCodePupilShapePinch().pupilPath();
  // Inside the box but outside the pinched sides.
  for (Point p : {Point{30.2, 45}, Point{45, 30.2}, Point{59.8, 45}, Point{45, 59.8}})
    EXPECT_TRUE(emptyBoth(path, p)) << p.x << "," << p.y;
  for (Point p : {Point{30.7, 45}, Point{45, 30.7}, Point{59.3, 45}, Point{45, 59.3}})
    EXPECT_TRUE(filledBoth(path, p)) << p.x << "," << p.y;
}

TEST(PupilShapes, CRTTouchesTheBoxOnlyAtTheSideMiddles) {
  const gfx::Path path = QRCodePupilShapeCRT().pupilPath();
  for (Point p : {Point{30, 45}, Point{45, 30}, Point{60, 45}, Point{45, 60}})
    EXPECT_TRUE(passesThrough(path, p));
  for (Point corner : {Point{30, 30}, Point{60, 30}, Point{60, 60}, Point{30, 60}})
    EXPECT_FALSE(passesThrough(path, corner));
  // A quarter of the way along each side the outline has already left the box edge.
  for (Point p : {Point{30.05, 37.5}, Point{37.5, 30.05}, Point{59.95, 52.5}, Point{52.5, 59.95}})
    EXPECT_TRUE(emptyBoth(path, p)) << p.x << "," << p.y;
}

TEST(PupilShapes, CrossesHaveAVNotchInEverySide) {
  for (const char* name : {"cross", "crossCurved"}) {
    const gfx::Path path = QRCodePupilShapeFactory::shared().named(name)->pupilPath();
    for (Point notch : {Point{31, 45}, Point{45, 31}, Point{59, 45}, Point{45, 59}})
      EXPECT_TRUE(emptyBoth(path, notch)) << name << " " << notch.x << "," << notch.y;
    for (Point beside : {Point{31, 35}, Point{35, 31}, Point{59, 55}, Point{55, 59}})
      EXPECT_TRUE(filledBoth(path, beside)) << name << " " << beside.x << "," << beside.y;
  }
}

TEST(PupilShapes, BlobbyHasNotchesAtTheModuleBoundaries) {
  const gfx::Path path = QRCodePupilShapeBlobby().pupilPath();
  for (Point notch : {Point{30.5, 40}, Point{30.5, 50}, Point{59.5, 40}, Point{59.5, 50},
                      Point{40, 30.5}, Point{50, 30.5}, Point{40, 59.5}, Point{50, 59.5}})
    EXPECT_TRUE(emptyBoth(path, notch)) << notch.x << "," << notch.y;
  for (Point lobe : {Point{30.5, 45}, Point{59.5, 45}, Point{45, 30.5}, Point{45, 59.5}})
    EXPECT_TRUE(filledBoth(path, lobe)) << lobe.x << "," << lobe.y;
}

TEST(PupilShapes, SealPointsReachTheBoxEdgeAtTheSideMiddles) {
  const gfx::Path path = QRCodePupilShapeSeal().pupilPath();
  for (Point p : {Point{30, 45}, Point{45, 30}, Point{60, 45}, Point{45, 60}})
    EXPECT_TRUE(passesThrough(path, p));
  EXPECT_TRUE(emptyBoth(path, {31, 31}));
  EXPECT_TRUE(filledBoth(path, {35.5, 35.5}));
}

TEST(PupilShapes, HexagonLeafCutsTheCornersOffOneDiagonal) {
  const gfx::Path path = QRCodePupilShapeHexagonLeaf().pupilPath();
  // The corners (60, 30) and (30, 60) are cut along the lines through the side middles.
  EXPECT_TRUE(emptyBoth(path, {55, 35}));
  EXPECT_TRUE(emptyBoth(path, {35, 55}));
  EXPECT_TRUE(filledBoth(path, {35, 35}));
  EXPECT_TRUE(filledBoth(path, {55, 55}));
  EXPECT_TRUE(filledBoth(path, {51, 37}));
}

// The hexagon leaf as the corner-helper listing for the pupil box, rounded by 3.
TEST(PupilShapes, HexagonLeafMatchesTheWorkedListing) {
  const auto expected = gfx::Path::parse(
      "M 33,30; L 42,30; C 45,30 48,33 48,33; L 57,42; C 60,45 60,48 60,48; L 60,57; "
      "C 60,60 57,60 57,60; L 48,60; C 45,60 42,57 42,57; L 33,48; C 30,45 30,42 30,42; "
      "L 30,33; C 30,30 33,30 33,30");
  ASSERT_TRUE(expected.has_value());
  EXPECT_TRUE(gfx::approximatelyEqual(QRCodePupilShapeHexagonLeaf().pupilPath(), *expected, 1e-12))
      << QRCodePupilShapeHexagonLeaf().pupilPath().description();
}

TEST(PupilShapes, RoundedRectIsThePlatformRoundedRectangle) {
  gfx::Path expected;
  expected.addRoundedRect(gfx::Rect(30, 30, 30, 30), 4, 4);
  EXPECT_EQ(QRCodePupilShapeRoundedRect().pupilPath(), expected);
  // A corner of radius 4: filled one unit in from the edge past the corner curve, empty in
  // the cut corner.
  EXPECT_TRUE(filledBoth(expected, {31, 34}));
  EXPECT_TRUE(emptyBoth(expected, {30.5, 30.5}));
}

TEST(PupilShapes, KeptDegenerateCurvesStayInThePath) {
  // Pinch and CRT begin with curves whose control point coincides with their end point;
  // those elements are part of the outline and are not simplified away.
  for (const char* name : {"pinch", "crt", "roundedOuter"}) {
    const gfx::Path path = QRCodePupilShapeFactory::shared().named(name)->pupilPath();
    bool found = false;
    for (const gfx::PathElement& e : path.elements())
      if (e.type == gfx::PathElementType::cubic && e.points[1] == e.points[2]) found = true;
    EXPECT_TRUE(found) << name;
  }
}

}  // namespace
