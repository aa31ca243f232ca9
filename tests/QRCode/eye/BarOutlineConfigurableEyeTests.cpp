// The bar, CRT, circle, outline, module-built, shield and UFO eyes: ring and background
// properties, the placement of the background under the eye, default pupils, settings and
// records, and the single shapes' own rules.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <latch>
#include <limits>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "QRCode/QRCodeEyeShape.hpp"
#include "QRCode/QRCodePupilShape.hpp"
#include "tests/QRCode/eye/ShapeProperties.hpp"
#include "tests/support/Raster.hpp"

namespace {

using eyetest::boundsSpan;
using eyetest::boundsWithin;
using eyetest::emptyBoth;
using eyetest::filledBoth;
using eyetest::mirroredTopToBottom;
using eyetest::subpathsOf;
using gfx::Point;
using foundation::Settings;

enum class Ring {
  outlines,  // an outer and an inner outline in opposite directions
  modules,   // 24 separate module squares
  bars,      // four bars, the ring's corners empty
  quarters,  // four quarters
};

struct BarOutlineConfigurableEyeCase {
  std::string label;  // unique test name
  std::string name;
  std::string title;
  std::function<std::shared_ptr<QRCodeEyeShapeGenerator>()> make;
  std::string defaultPupilName;
  bool sharedPupil;  // one shared pupil per class, else a new configured pupil per call
  Ring ring;
};

void PrintTo(const BarOutlineConfigurableEyeCase& c, std::ostream* os) { *os << c.label; }

template <class Eye>
BarOutlineConfigurableEyeCase eyeCase(std::string label, std::string pupil, bool shared, Ring ring,
                    Settings settings = Settings()) {
  return {std::move(label), std::string(Eye::Name()), std::string(Eye::Title()),
          [settings] { return Eye::Create(settings); }, std::move(pupil), shared, ring};
}

// Each eye class by its defaults, and the configurable ones also in their other looks.
std::vector<BarOutlineConfigurableEyeCase> barOutlineConfigurableEyes() {
  return {
      eyeCase<QRCodeEyeShapeBarsHorizontal>("barsHorizontal", "barsHorizontal", true, Ring::outlines),
      eyeCase<QRCodeEyeShapeBarsVertical>("barsVertical", "barsVertical", true, Ring::outlines),
      eyeCase<QRCodeEyeShapeCRT>("crt", "crt", true, Ring::outlines),
      eyeCase<QRCodeEyeShapeCircle>("circle", "circle", true, Ring::outlines),
      eyeCase<QRCodeEyeShapeLeaf>("leaf", "leaf", true, Ring::outlines),
      eyeCase<QRCodeEyeShapeTeardrop>("teardrop", "teardrop", true, Ring::outlines),
      eyeCase<QRCodeEyeShapeFireball>("fireball", "teardrop", true, Ring::outlines),
      eyeCase<QRCodeEyeShapePeacock>("peacock", "circle", true, Ring::outlines),
      eyeCase<QRCodeEyeShapePinch>("pinch", "pinch", true, Ring::outlines),
      eyeCase<QRCodeEyeShapeCorneredPixels>("corneredPixels", "corneredPixels", false, Ring::modules),
      eyeCase<QRCodeEyeShapeCorneredPixels>("corneredPixelsSquare", "corneredPixels", false, Ring::modules,
                                            {{"cornerRadiusFraction", 0}}),
      eyeCase<QRCodeEyeShapeCorneredPixels>("corneredPixelsRound", "corneredPixels", false, Ring::modules,
                                            {{"cornerRadiusFraction", 1}}),
      eyeCase<QRCodeEyeShapeEdges>("edges", "edges", true, Ring::bars),
      eyeCase<QRCodeEyeShapeEdges>("edgesSquare", "edges", true, Ring::bars, {{"cornerRadiusFraction", 0}}),
      eyeCase<QRCodeEyeShapePixels>("pixels", "pixels", false, Ring::modules),
      eyeCase<QRCodeEyeShapePixels>("pixelsSquare", "pixels", false, Ring::modules,
                                    {{"cornerRadiusFraction", 0.0}}),
      eyeCase<QRCodeEyeShapePixels>("pixelsRound", "pixels", false, Ring::modules, {{"cornerRadiusFraction", 1}}),
      eyeCase<QRCodeEyeShapeShield>("shield", "shield", false, Ring::quarters),
      eyeCase<QRCodeEyeShapeShield>("shieldPlain", "shield", false, Ring::quarters, {{"corners", 0}}),
      eyeCase<QRCodeEyeShapeShield>("shieldMixed", "shield", false, Ring::quarters, {{"corners", 9}}),
      eyeCase<QRCodeEyeShapeUFO>("ufo", "ufo", false, Ring::outlines),
      eyeCase<QRCodeEyeShapeUFO>("ufoFlipped", "ufo", false, Ring::outlines, {{"isFlipped", true}}),
  };
}

std::size_t subpathCount(Ring ring) {
  switch (ring) {
    case Ring::outlines: return 2;
    case Ring::modules: return 24;
    case Ring::bars: return 4;
    case Ring::quarters: return 4;
  }
  return 0;
}

class BarOutlineConfigurableEyes : public testing::TestWithParam<BarOutlineConfigurableEyeCase> {};

TEST_P(BarOutlineConfigurableEyes, NameAndTitleOfItsClass) {
  const auto eye = GetParam().make();
  EXPECT_EQ(eye->name(), GetParam().name);
  EXPECT_EQ(eye->title(), GetParam().title);
  EXPECT_EQ(QRCodeEyeShape::nameOfGenerator(*eye), GetParam().name);
  EXPECT_EQ(QRCodeEyeShape::titleOfGenerator(*eye), GetParam().title);
}

TEST_P(BarOutlineConfigurableEyes, EverySubpathClosesWhereItStarts) {
  const auto eye = GetParam().make();
  const auto ring = subpathsOf(eye->eyePath());
  ASSERT_EQ(ring.size(), subpathCount(GetParam().ring));
  const auto background = subpathsOf(eye->eyeBackgroundPath());
  ASSERT_EQ(background.size(), 1u);
  // Written outlines come back to their start before the close element; the platform's
  // rectangles leave the last side to it.
  const bool written = GetParam().ring == Ring::outlines || GetParam().ring == Ring::quarters;
  for (const auto* list : {&ring, &background}) {
    for (const auto& s : *list) {
      EXPECT_TRUE(s.closed);
      if (written && list == &ring) {
        EXPECT_TRUE(eyetest::near(s.last, s.start, 1e-9))
            << "last (" << s.last.x << ", " << s.last.y << ") start (" << s.start.x << ", " << s.start.y << ")";
      }
      EXPECT_NE(s.signedArea, 0);
    }
  }
}

// Each subpath of a path as a path of its own.
std::vector<gfx::Path> splitSubpaths(const gfx::Path& path) {
  std::vector<gfx::Path> pieces;
  for (const gfx::PathElement& e : path.elements()) {
    if (e.type == gfx::PathElementType::move) pieces.emplace_back();
    if (pieces.empty()) continue;
    gfx::Path& piece = pieces.back();
    switch (e.type) {
      case gfx::PathElementType::move: piece.moveTo(e.points[0]); break;
      case gfx::PathElementType::line: piece.lineTo(e.points[0]); break;
      case gfx::PathElementType::quad: piece.quadTo(e.points[0], e.points[1]); break;
      case gfx::PathElementType::cubic: piece.cubicTo(e.points[0], e.points[1], e.points[2]); break;
      case gfx::PathElementType::close: piece.close(); break;
    }
  }
  return pieces;
}

// A ring of two outlines winds them in opposite directions, so that its hole stays empty
// under either fill rule. Rings of separate pieces (modules, bars, the shield's quarters)
// never overlap, so that no winding can cancel another; the modules and bars also all run
// the same way. (The shield's quarters are written partly in each direction.)
TEST_P(BarOutlineConfigurableEyes, RingPiecesWindWithoutCancelling) {
  const gfx::Path ring = GetParam().make()->eyePath();
  const auto subpaths = subpathsOf(ring);
  if (GetParam().ring == Ring::outlines) {
    ASSERT_EQ(subpaths.size(), 2u);
    EXPECT_NE(std::abs(subpaths[0].signedArea), std::abs(subpaths[1].signedArea));
    EXPECT_LT(subpaths[0].signedArea * subpaths[1].signedArea, 0) << "same direction";
    return;
  }
  if (GetParam().ring != Ring::quarters) {
    for (const auto& s : subpaths) EXPECT_GT(s.signedArea * subpaths[0].signedArea, 0);
  }
  const auto pieces = splitSubpaths(ring);
  ASSERT_EQ(pieces.size(), subpaths.size());
  for (double x = 10.25; x < 80; x += 0.5) {
    for (double y = 10.25; y < 80; y += 0.5) {
      int inside = 0;
      for (const gfx::Path& piece : pieces) inside += piece.contains({x, y}) ? 1 : 0;
      ASSERT_LE(inside, 1) << x << "," << y;
      ASSERT_EQ(ring.contains({x, y}), inside == 1) << x << "," << y;
    }
  }
}

TEST_P(BarOutlineConfigurableEyes, RingAndBackgroundStayInTheirBounds) {
  const auto eye = GetParam().make();
  const gfx::Path ring = eye->eyePath();
  // The shield's notched quarters end in a curve whose control point lies 0.06 beyond the
  // ring (80.06, 9.94); the curve itself overshoots by less than 0.03.
  const double tolerance = GetParam().ring == Ring::quarters ? 0.03 : 1e-9;
  EXPECT_TRUE(boundsWithin(ring, 10, 80, tolerance)) << ring.description();
  if (GetParam().ring == Ring::modules) {
    EXPECT_TRUE(boundsSpan(ring, 10, 79)) << ring.description();  // 9-unit squares with a gap
  } else {
    EXPECT_TRUE(boundsSpan(ring, 10, 80, tolerance)) << ring.description();
  }
  const gfx::Path background = eye->eyeBackgroundPath();
  EXPECT_TRUE(boundsWithin(background, 0, 90)) << background.description();
  EXPECT_TRUE(boundsSpan(background, 0, 90)) << background.description();
}

TEST_P(BarOutlineConfigurableEyes, RingIsFilledOnEverySideAndHollowInside) {
  const gfx::Path ring = GetParam().make()->eyePath();
  // The shield's quarters meet on the lines x = 45 and y = 45; sample beside them.
  std::vector<double> offsets{-0.5, 0.5};
  if (GetParam().ring != Ring::quarters) offsets.push_back(0);
  for (double d : offsets) {
    for (Point p : {Point{15, 45 + d}, Point{45 + d, 15}, Point{75, 45 + d}, Point{45 + d, 75}})
      EXPECT_TRUE(filledBoth(ring, p)) << p.x << "," << p.y;
  }
  EXPECT_TRUE(emptyBoth(ring, {45, 45}));
  // The ring never reaches into the pupil box, nor outside the finder ring.
  for (double x = 20.5; x < 70; x += 1)
    for (double y = 20.5; y < 70; y += 1)
      if (x > 29 && x < 61 && y > 29 && y < 61) {
        ASSERT_TRUE(emptyBoth(ring, {x, y})) << x << "," << y;
      }
  for (double t = 0.5; t < 90; t += 1) {
    for (Point p : {Point{t, 9.7}, Point{t, 80.3}, Point{9.7, t}, Point{80.3, t}})
      ASSERT_TRUE(emptyBoth(ring, p)) << p.x << "," << p.y;
  }
}

// The renderer mirrors the background top to bottom and then places it with the eye, so
// the mirrored background must lie under every part of the ring.
TEST_P(BarOutlineConfigurableEyes, MirroredBackgroundContainsTheEye) {
  const auto eye = GetParam().make();
  const gfx::Path ring = eye->eyePath();
  const gfx::Path placed = mirroredTopToBottom(eye->eyeBackgroundPath());
  int covered = 0;
  for (double x = 0.25; x < 90; x += 0.5) {
    for (double y = 0.25; y < 90; y += 0.5) {
      if (!ring.contains({x, y})) continue;
      ++covered;
      ASSERT_TRUE(placed.contains({x, y})) << x << "," << y;
    }
  }
  EXPECT_GT(covered, 2000);
  for (const Point& p : eyetest::endPoints(ring)) EXPECT_TRUE(placed.contains(p)) << p.x << "," << p.y;
}

TEST_P(BarOutlineConfigurableEyes, EachCallBuildsEqualNewPaths) {
  const auto eye = GetParam().make();
  gfx::Path ring = eye->eyePath();
  gfx::Path background = eye->eyeBackgroundPath();
  EXPECT_EQ(ring, eye->eyePath());
  EXPECT_EQ(background, eye->eyeBackgroundPath());
  ring.lineTo({1, 1});
  background.lineTo({2, 2});
  EXPECT_NE(ring, eye->eyePath());
  EXPECT_NE(background, eye->eyeBackgroundPath());
}

TEST_P(BarOutlineConfigurableEyes, ProposesItsDefaultPupil) {
  const auto eye = GetParam().make();
  const auto pupil = eye->defaultPupil();
  ASSERT_NE(pupil, nullptr);
  EXPECT_EQ(pupil->name(), GetParam().defaultPupilName);
  const auto again = eye->defaultPupil();
  if (GetParam().sharedPupil) {
    // The same object on every call and for every instance of the eye class, also for a
    // copy and an instance made through the factory.
    EXPECT_EQ(again.get(), pupil.get());
    EXPECT_EQ(GetParam().make()->defaultPupil().get(), pupil.get());
    EXPECT_EQ(eye->copyShape()->defaultPupil().get(), pupil.get());
    EXPECT_EQ(QRCodeEyeShapeFactory::shared().named(GetParam().name)->defaultPupil().get(), pupil.get());
  } else {
    // A new pupil per call carrying the eye's own setting (same key, same value).
    EXPECT_NE(again.get(), pupil.get());
    EXPECT_EQ(pupil->settings(), eye->settings());
    EXPECT_EQ(again->settings(), eye->settings());
  }
  // A proper pupil of its class: the same outline as a fresh one with its settings.
  const auto fresh = QRCodePupilShapeFactory::shared().named(GetParam().defaultPupilName, pupil->settings());
  EXPECT_EQ(pupil->pupilPath(), fresh->pupilPath());
}

TEST_P(BarOutlineConfigurableEyes, RecordRoundTripsThroughTheFactory) {
  const auto eye = GetParam().make();
  const GeneratorSettingsRecord record = eye->typeAndSettings();
  ASSERT_TRUE(record.is_object());
  EXPECT_EQ(record.size(), 2u);
  EXPECT_EQ(foundation::stringValue(record, "type"), GetParam().name);
  const Settings* settings = foundation::objectValue(record, "settings");
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(*settings, eye->settings());

  // Through JSON text and back, as a design archive carries it.
  const auto text = foundation::writeJSON(record);
  ASSERT_TRUE(text.has_value());
  const auto read = foundation::readJSON(*text);
  ASSERT_TRUE(read.has_value());
  const auto restored = QRCodeEyeShapeFactory::shared().createWithSettings(*read);
  ASSERT_NE(restored, nullptr);
  EXPECT_NE(restored.get(), eye.get());
  EXPECT_EQ(restored->name(), GetParam().name);
  EXPECT_EQ(restored->settings(), eye->settings());
  EXPECT_EQ(restored->eyePath(), eye->eyePath());
  EXPECT_EQ(restored->eyeBackgroundPath(), eye->eyeBackgroundPath());
  EXPECT_EQ(restored->typeAndSettings(), record);
}

TEST_P(BarOutlineConfigurableEyes, CopyIsANewEqualEye) {
  const auto eye = GetParam().make();
  const auto copy = eye->copyShape();
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy.get(), eye.get());
  EXPECT_EQ(copy->name(), eye->name());
  EXPECT_EQ(copy->settings(), eye->settings());
  EXPECT_EQ(copy->eyePath(), eye->eyePath());
  EXPECT_EQ(copy->eyeBackgroundPath(), eye->eyeBackgroundPath());
}

TEST_P(BarOutlineConfigurableEyes, UnknownKeysAndValuesChangeNothing) {
  const auto eye = GetParam().make();
  const Settings before = eye->settings();
  const gfx::Path ring = eye->eyePath();
  for (const char* key : {"insetFraction", "rotationFraction", "", "CornerRadiusFraction", "Corners"}) {
    EXPECT_FALSE(eye->supportsSettingValueForKey(key)) << key;
    EXPECT_FALSE(eye->setSettingValue(Settings(0.25), key)) << key;
    EXPECT_FALSE(eye->setSettingValue(Settings(), key)) << key;
  }
  EXPECT_EQ(eye->settings(), before);
  EXPECT_EQ(eye->eyePath(), ring);
}

INSTANTIATE_TEST_SUITE_P(Eyes, BarOutlineConfigurableEyes, testing::ValuesIn(barOutlineConfigurableEyes()),
                         [](const testing::TestParamInfo<BarOutlineConfigurableEyeCase>& info) { return info.param.label; });

// --- the eyes without settings ----------------------------------------------------------------

struct FixedEye {
  std::string name;
  std::function<std::shared_ptr<QRCodeEyeShapeGenerator>(const Settings&)> create;
};

std::vector<FixedEye> fixedEyes() {
  auto of = [](auto tag) {
    using Eye = typename decltype(tag)::type;
    return FixedEye{std::string(Eye::Name()), [](const Settings& s) { return Eye::Create(s); }};
  };
  return {of(std::type_identity<QRCodeEyeShapeBarsHorizontal>{}), of(std::type_identity<QRCodeEyeShapeBarsVertical>{}),
          of(std::type_identity<QRCodeEyeShapeCRT>{}),            of(std::type_identity<QRCodeEyeShapeCircle>{}),
          of(std::type_identity<QRCodeEyeShapeLeaf>{}),           of(std::type_identity<QRCodeEyeShapeTeardrop>{}),
          of(std::type_identity<QRCodeEyeShapeFireball>{}),       of(std::type_identity<QRCodeEyeShapePeacock>{}),
          of(std::type_identity<QRCodeEyeShapePinch>{})};
}

TEST(FixedEyes, CreateIgnoresItsDictionaryAndSettingsStayEmpty) {
  for (const auto& e : fixedEyes()) {
    SCOPED_TRACE(e.name);
    const auto plain = e.create(Settings());
    const auto withSettings = e.create({{"cornerRadiusFraction", 0.3}});
    EXPECT_TRUE(withSettings->settings().is_object());
    EXPECT_TRUE(withSettings->settings().empty());
    EXPECT_EQ(withSettings->eyePath(), plain->eyePath());
    EXPECT_EQ(withSettings->eyeBackgroundPath(), plain->eyeBackgroundPath());
    for (const char* key : {"cornerRadiusFraction", "corners", "isFlipped"}) {
      EXPECT_FALSE(plain->supportsSettingValueForKey(key)) << key;
      EXPECT_FALSE(plain->setSettingValue(Settings(0.3), key)) << key;
    }
    EXPECT_TRUE(plain->settings().empty());
    const GeneratorSettingsRecord record = plain->typeAndSettings();
    EXPECT_EQ(record, (Settings{{"type", e.name}, {"settings", Settings::object()}}));
  }
}

TEST(FixedEyes, EachEyeClassKeepsItsOwnSharedPupil) {
  const std::vector<std::shared_ptr<QRCodePupilShapeGenerator>> pupils = {
      QRCodeEyeShapeBarsHorizontal().defaultPupil(), QRCodeEyeShapeBarsVertical().defaultPupil(),
      QRCodeEyeShapeCRT().defaultPupil(),            QRCodeEyeShapeCircle().defaultPupil(),
      QRCodeEyeShapeLeaf().defaultPupil(),           QRCodeEyeShapeTeardrop().defaultPupil(),
      QRCodeEyeShapeFireball().defaultPupil(),       QRCodeEyeShapePeacock().defaultPupil(),
      QRCodeEyeShapePinch().defaultPupil(),          QRCodeEyeShapeEdges(0.5).defaultPupil(),
      // The eyes of other families that propose pupils of the same classes.
      QRCodeEyeShapeSquare().defaultPupil(),         QRCodeEyeShapeSquircle().defaultPupil()};
  for (std::size_t i = 0; i < pupils.size(); ++i)
    for (std::size_t j = i + 1; j < pupils.size(); ++j) EXPECT_NE(pupils[i].get(), pupils[j].get()) << i << " " << j;
}

// --- bars, CRT and circle ---------------------------------------------------------------------

TEST(BarEyes, ShareTheirRingAndBackgroundAndDifferInTheirPupil) {
  const QRCodeEyeShapeBarsHorizontal horizontal;
  const QRCodeEyeShapeBarsVertical vertical;
  EXPECT_EQ(horizontal.eyePath(), vertical.eyePath());
  EXPECT_EQ(horizontal.eyeBackgroundPath(), vertical.eyeBackgroundPath());
  EXPECT_EQ(horizontal.defaultPupil()->name(), "barsHorizontal");
  EXPECT_EQ(vertical.defaultPupil()->name(), "barsVertical");
  EXPECT_NE(dynamic_cast<QRCodePupilShapeBarsHorizontal*>(horizontal.defaultPupil().get()), nullptr);
  EXPECT_NE(dynamic_cast<QRCodePupilShapeBarsVertical*>(vertical.defaultPupil().get()), nullptr);
  EXPECT_NE(horizontal.defaultPupil()->pupilPath(), vertical.defaultPupil()->pupilPath());
}

TEST(BarEyes, RingHasRoundedCornersOfRadiusTenOutsideAndFiveInside) {
  const gfx::Path ring = QRCodeEyeShapeBarsHorizontal().eyePath();
  // Outside: the corner (10, 10) is cut by a quarter of radius 10 about (20, 20).
  EXPECT_TRUE(emptyBoth(ring, {11, 11}));
  EXPECT_TRUE(filledBoth(ring, {14, 14}));
  // Inside: the hole's corner (20, 20) is filled by a quarter of radius 5 about (25, 25).
  EXPECT_TRUE(filledBoth(ring, {20.8, 20.8}));
  EXPECT_TRUE(emptyBoth(ring, {22.5, 22.5}));
}

// Backgrounds symmetric about y = 45 are left as they are by the renderer's mirroring.
TEST(BarEyes, BarAndCRTBackgroundsAreSymmetricTopToBottom) {
  for (const auto& background : {QRCodeEyeShapeBarsVertical().eyeBackgroundPath(), QRCodeEyeShapeCRT().eyeBackgroundPath()}) {
    const gfx::Path mirrored = mirroredTopToBottom(background);
    EXPECT_TRUE(eyetest::boundsSpan(mirrored, 0, 90));
    for (double x = 0.25; x < 90; x += 0.5)
      for (double y = 0.25; y < 90; y += 0.5)
        ASSERT_EQ(background.contains({x, y}), mirrored.contains({x, y})) << x << "," << y;
  }
}

TEST(CRTEye, OuterOutlineTouchesTheRingBoundsOnlyAtTheSideMiddles) {
  const gfx::Path ring = QRCodeEyeShapeCRT().eyePath();
  const auto subpaths = subpathsOf(ring);
  ASSERT_EQ(subpaths.size(), 2u);
  // The side middles lie on the bounds...
  for (Point p : {Point{10, 45}, Point{45, 10}, Point{80, 45}, Point{45, 80}})
    EXPECT_TRUE(eyetest::passesThrough(ring, p)) << p.x << "," << p.y;
  // ... while just inside the bounds the ring is filled only near them.
  for (Point p : {Point{10.2, 45}, Point{45, 10.2}, Point{79.8, 45}, Point{45, 79.8}})
    EXPECT_TRUE(filledBoth(ring, p)) << p.x << "," << p.y;
  for (double t : {14.0, 20.0, 70.0, 76.0}) {
    for (Point p : {Point{10.2, t}, Point{t, 10.2}, Point{79.8, t}, Point{t, 79.8}})
      EXPECT_TRUE(emptyBoth(ring, p)) << p.x << "," << p.y;
  }
  // The corners are drawn in to (13, 13) outside and (22.14, 22.14) inside.
  EXPECT_TRUE(eyetest::passesThrough(ring, {13, 13}));
  EXPECT_TRUE(eyetest::passesThrough(ring, {22.14, 22.14}));
  EXPECT_TRUE(emptyBoth(ring, {12.5, 12.5}));
  EXPECT_TRUE(filledBoth(ring, {13.5, 13.5}));
  EXPECT_TRUE(filledBoth(ring, {21.8, 21.8}));
}

TEST(CircleEye, RingLiesBetweenTheRadiiTwentyFiveAndThirtyFive) {
  const gfx::Path ring = QRCodeEyeShapeCircle().eyePath();
  for (int i = 0; i < 144; ++i) {
    const double a = i * 3.14159265358979 / 72;
    const auto at = [&](double r) { return Point{45 + r * std::cos(a), 45 + r * std::sin(a)}; };
    EXPECT_TRUE(emptyBoth(ring, at(24.8))) << i;
    EXPECT_TRUE(filledBoth(ring, at(25.2))) << i;
    EXPECT_TRUE(filledBoth(ring, at(34.8))) << i;
    EXPECT_TRUE(emptyBoth(ring, at(35.2))) << i;
  }
}

TEST(CircleEye, BackgroundIsThePlatformCircleOfTheEyeSpace) {
  gfx::Path expected;
  expected.addEllipse(gfx::Rect{0, 0, 90, 90});
  EXPECT_EQ(QRCodeEyeShapeCircle().eyeBackgroundPath(), expected);
}

TEST(CircleEye, RecordAndSharedPupil) {
  const auto record = QRCodeEyeShapeCircle::Create()->typeAndSettings();
  EXPECT_EQ(record, (Settings{{"type", "circle"}, {"settings", Settings::object()}}));
  const auto a = QRCodeEyeShapeCircle::Create();
  const auto b = QRCodeEyeShapeCircle::Create();
  EXPECT_EQ(a->defaultPupil().get(), b->defaultPupil().get());
  EXPECT_NE(dynamic_cast<QRCodePupilShapeCircle*>(a->defaultPupil().get()), nullptr);
}

// --- leaf, teardrop, fireball, peacock, pinch -------------------------------------------------

// Points just inside each corner of the eye ring and of the mirrored background.
struct Corners4 {
  bool c00, c90, c09, c99;  // (low x, low y), (high x, low y), (low x, high y), (high x, high y)
};

void expectEyeCorners(const gfx::Path& ring, Corners4 square) {
  EXPECT_EQ(filledBoth(ring, {10.3, 10.3}), square.c00);
  EXPECT_EQ(filledBoth(ring, {79.7, 10.3}), square.c90);
  EXPECT_EQ(filledBoth(ring, {10.3, 79.7}), square.c09);
  EXPECT_EQ(filledBoth(ring, {79.7, 79.7}), square.c99);
}

void expectBackgroundCorners(const gfx::Path& background, Corners4 square) {
  EXPECT_EQ(background.contains({0.3, 0.3}), square.c00);
  EXPECT_EQ(background.contains({89.7, 0.3}), square.c90);
  EXPECT_EQ(background.contains({0.3, 89.7}), square.c09);
  EXPECT_EQ(background.contains({89.7, 89.7}), square.c99);
}

TEST(OutlineEyes, MirroredBackgroundsPutTheirSquareCornersUnderTheEyes) {
  struct Case {
    std::shared_ptr<QRCodeEyeShapeGenerator> eye;
    Corners4 square;
  };
  const std::vector<Case> cases = {
      {QRCodeEyeShapeLeaf::Create(), {true, false, false, true}},
      {QRCodeEyeShapeTeardrop::Create(), {true, false, false, false}},
      {QRCodeEyeShapeFireball::Create(), {true, false, false, true}},
      {QRCodeEyeShapePeacock::Create(), {true, false, false, true}},
      {QRCodeEyeShapeUFO::Create(), {true, false, false, true}},
      {QRCodeEyeShapeUFO::Create({{"isFlipped", 1}}), {false, true, true, false}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.eye->name()) + c.eye->settings().dump());
    expectEyeCorners(c.eye->eyePath(), c.square);
    expectBackgroundCorners(mirroredTopToBottom(c.eye->eyeBackgroundPath()), c.square);
  }
}

TEST(OutlineEyes, TeardropAndFireballBackgroundsAreHandedOutMirrored) {
  const gfx::Path teardrop = QRCodeEyeShapeTeardrop().eyeBackgroundPath();
  ASSERT_FALSE(teardrop.empty());
  EXPECT_EQ(teardrop.elements().front().type, gfx::PathElementType::move);
  EXPECT_TRUE(eyetest::near(teardrop.elements().front().points[0], {90, 45}));
  // As returned, the square corner is at (0, 90).
  expectBackgroundCorners(teardrop, {false, false, true, false});

  const gfx::Path fireball = QRCodeEyeShapeFireball().eyeBackgroundPath();
  EXPECT_TRUE(eyetest::near(fireball.elements().front().points[0], {90, 0}));
  expectBackgroundCorners(fireball, {false, true, true, false});
  EXPECT_EQ(QRCodeEyeShapePeacock().eyeBackgroundPath(), fireball);
}

TEST(OutlineEyes, FireballAndTeardropKeepTwoSharedTeardropPupils) {
  const auto fireball = QRCodeEyeShapeFireball().defaultPupil();
  const auto teardrop = QRCodeEyeShapeTeardrop().defaultPupil();
  EXPECT_NE(dynamic_cast<QRCodePupilShapeTeardrop*>(fireball.get()), nullptr);
  EXPECT_NE(dynamic_cast<QRCodePupilShapeTeardrop*>(teardrop.get()), nullptr);
  EXPECT_NE(fireball.get(), teardrop.get());
  EXPECT_NE(dynamic_cast<QRCodePupilShapeCircle*>(QRCodeEyeShapePeacock().defaultPupil().get()), nullptr);
  EXPECT_NE(QRCodeEyeShapePeacock().defaultPupil().get(), QRCodeEyeShapeCircle().defaultPupil().get());
}

TEST(OutlineEyes, PinchAddsItsOuterOutlineFirstAndStaysHollow) {
  const gfx::Path ring = QRCodeEyeShapePinch().eyePath();
  const auto subpaths = subpathsOf(ring);
  ASSERT_EQ(subpaths.size(), 2u);
  EXPECT_GT(std::abs(subpaths[0].signedArea), std::abs(subpaths[1].signedArea));
  EXPECT_TRUE(eyetest::near(subpaths[0].start, {80, 80}));
  EXPECT_TRUE(emptyBoth(ring, {45, 45}));
  // The sides bow in: by 2 outside and 1.43 inside at their middles, not at the corners.
  EXPECT_TRUE(emptyBoth(ring, {11, 45}));
  EXPECT_TRUE(filledBoth(ring, {12.5, 45}));
  EXPECT_TRUE(filledBoth(ring, {10.2, 10.5}));
  EXPECT_TRUE(filledBoth(ring, {21, 45}));
  EXPECT_TRUE(emptyBoth(ring, {22, 45}));
}

TEST(OutlineEyes, LeafRingHasTwoRoundedCorners) {
  const gfx::Path ring = QRCodeEyeShapeLeaf().eyePath();
  // Outer radius 20 at (10, 80) and (80, 10); inner radius 10 at (20, 70) and (70, 20).
  EXPECT_TRUE(emptyBoth(ring, {13, 77}));
  EXPECT_TRUE(filledBoth(ring, {17, 73}));
  EXPECT_TRUE(emptyBoth(ring, {77, 13}));
  EXPECT_TRUE(filledBoth(ring, {21, 69}));
  EXPECT_TRUE(filledBoth(ring, {69, 21}));
  EXPECT_TRUE(filledBoth(ring, {20.5, 20.5 - 1}));
  EXPECT_TRUE(emptyBoth(ring, {20.5, 20.5}));
}

// --- cornered pixels and edges ----------------------------------------------------------------

TEST(CorneredPixelsEye, DefaultsAndClamping) {
  const auto eye = QRCodeEyeShapeCorneredPixels::Create();
  EXPECT_DOUBLE_EQ(eye->cornerRadiusFraction(), 0.65);
  EXPECT_DOUBLE_EQ(eye->actualCornerRadius(), 3.25);
  EXPECT_EQ(eye->typeAndSettings(),
            (Settings{{"type", "corneredPixels"}, {"settings", {{"cornerRadiusFraction", 0.65}}}}));
  EXPECT_DOUBLE_EQ(QRCodeEyeShapeCorneredPixels::Create({{"cornerRadiusFraction", 2}})->cornerRadiusFraction(), 1);
  EXPECT_DOUBLE_EQ(QRCodeEyeShapeCorneredPixels::Create({{"cornerRadiusFraction", -1}})->cornerRadiusFraction(), 0);
  EXPECT_DOUBLE_EQ(QRCodeEyeShapeCorneredPixels::Create({{"cornerRadiusFraction", "0.3"}})->cornerRadiusFraction(),
                   0.65);
  EXPECT_DOUBLE_EQ(QRCodeEyeShapeCorneredPixels(1.7).cornerRadiusFraction(), 1);
  EXPECT_DOUBLE_EQ(QRCodeEyeShapeCorneredPixels(1.7).actualCornerRadius(), 5);
  EXPECT_DOUBLE_EQ(QRCodeEyeShapeCorneredPixels(std::numeric_limits<double>::quiet_NaN()).cornerRadiusFraction(), 0);
}

TEST(EdgesEye, DefaultsAndClamping) {
  const auto eye = QRCodeEyeShapeEdges::Create();
  EXPECT_DOUBLE_EQ(eye->cornerRadiusFraction(), 1.0);
  EXPECT_EQ(eye->settings(), (Settings{{"cornerRadiusFraction", 1.0}}));
  EXPECT_DOUBLE_EQ(QRCodeEyeShapeEdges::Create({{"cornerRadiusFraction", 2}})->cornerRadiusFraction(), 1);
  EXPECT_DOUBLE_EQ(QRCodeEyeShapeEdges::Create({{"cornerRadiusFraction", -1}})->cornerRadiusFraction(), 0);
  EXPECT_DOUBLE_EQ(QRCodeEyeShapeEdges::Create({{"cornerRadiusFraction", "0.3"}})->cornerRadiusFraction(), 1.0);
  EXPECT_DOUBLE_EQ(QRCodeEyeShapeEdges::Create({{"cornerRadiusFraction", nullptr}})->cornerRadiusFraction(), 1.0);
  EXPECT_DOUBLE_EQ(QRCodeEyeShapeEdges::Create(Settings::array({0.2}))->cornerRadiusFraction(), 1.0);
}

template <class Eye>
void expectFractionSetting(double defaultFraction) {
  SCOPED_TRACE(std::string(Eye::Name()));
  const auto eye = Eye::Create();
  EXPECT_TRUE(eye->supportsSettingValueForKey("cornerRadiusFraction"));
  EXPECT_FALSE(eye->supportsSettingValueForKey("corners"));
  EXPECT_TRUE(eye->setSettingValue(Settings(0.3), "cornerRadiusFraction"));
  EXPECT_EQ(eye->settings(), (Settings{{"cornerRadiusFraction", 0.3}}));
  EXPECT_FALSE(eye->setSettingValue(Settings(0.3), "corners"));
  EXPECT_TRUE(eye->setSettingValue(Settings(1.7), "cornerRadiusFraction"));
  EXPECT_DOUBLE_EQ(eye->cornerRadiusFraction(), 1.0);
  EXPECT_TRUE(eye->setSettingValue(Settings(-0.3), "cornerRadiusFraction"));
  EXPECT_DOUBLE_EQ(eye->cornerRadiusFraction(), 0.0);
  EXPECT_TRUE(eye->setSettingValue(Settings(true), "cornerRadiusFraction"));  // a number
  EXPECT_DOUBLE_EQ(eye->cornerRadiusFraction(), 1.0);
  // Values that are not numbers, and NaN, change nothing.
  for (const Settings& bad : {Settings(), Settings("0.5"), Settings::array({0.5}), Settings::object(),
                              Settings(std::numeric_limits<double>::quiet_NaN())}) {
    EXPECT_FALSE(eye->setSettingValue(bad, "cornerRadiusFraction")) << bad.dump();
    EXPECT_DOUBLE_EQ(eye->cornerRadiusFraction(), 1.0);
  }
  // The property setter keeps the value unclamped; a copy is made as Create makes one.
  eye->setCornerRadiusFraction(1.5);
  EXPECT_EQ(eye->settings(), (Settings{{"cornerRadiusFraction", 1.5}}));
  const auto copy = std::dynamic_pointer_cast<Eye>(eye->copyShape());
  ASSERT_NE(copy, nullptr);
  EXPECT_DOUBLE_EQ(copy->cornerRadiusFraction(), 1.0);
  // A NaN through the property setter counts as 0, so settings stay writable as JSON.
  eye->setCornerRadiusFraction(std::numeric_limits<double>::quiet_NaN());
  EXPECT_DOUBLE_EQ(eye->cornerRadiusFraction(), 0.0);
  EXPECT_TRUE(foundation::writeJSON(eye->typeAndSettings()).has_value());
  EXPECT_DOUBLE_EQ(Eye::Create()->cornerRadiusFraction(), defaultFraction);
}

TEST(CornerRadiusEyes, SettingTheFraction) {
  expectFractionSetting<QRCodeEyeShapeCorneredPixels>(0.65);
  expectFractionSetting<QRCodeEyeShapeEdges>(1.0);
  expectFractionSetting<QRCodeEyeShapePixels>(0.65);
}

// The rectangles of the 24 ring modules in the order the module-built eyes add them.
std::vector<gfx::Rect> corneredPixelsOrder() {
  std::vector<gfx::Rect> cells;
  cells.push_back({10, 10, 9, 9});
  for (double y = 20; y <= 60; y += 10) cells.push_back({10, y, 9, 9});
  cells.push_back({10, 70, 9, 9});
  cells.push_back({70, 10, 9, 9});
  for (double y = 20; y <= 60; y += 10) cells.push_back({70, y, 9, 9});
  cells.push_back({70, 70, 9, 9});
  for (double x = 20; x <= 60; x += 10) cells.push_back({x, 10, 9, 9});
  for (double x = 20; x <= 60; x += 10) cells.push_back({x, 70, 9, 9});
  return cells;
}

TEST(CorneredPixelsEye, FractionZeroGivesTwentyFourSquaresOfLines) {
  const gfx::Path ring = QRCodeEyeShapeCorneredPixels(0).eyePath();
  for (const gfx::PathElement& e : ring.elements()) EXPECT_NE(e.type, gfx::PathElementType::cubic);
  const auto subpaths = subpathsOf(ring);
  const auto cells = corneredPixelsOrder();
  ASSERT_EQ(subpaths.size(), cells.size());
  for (std::size_t i = 0; i < cells.size(); ++i) {
    EXPECT_NEAR(std::abs(subpaths[i].signedArea), 81, 1e-9) << i;
    EXPECT_TRUE(eyetest::near(subpaths[i].start, {cells[i].minX(), cells[i].minY()})) << i;
  }
  // The first corner module as listed: move, four lines, close.
  const auto first = gfx::Path::parse("M 10,10; L 19,10; L 19,19; L 10,19; L 10,10; Z.");
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(std::vector<gfx::PathElement>(ring.elements().begin(), ring.elements().begin() + 6),
            first->elements());
}

TEST(CorneredPixelsEye, OnlyTheOuterCornerOfEachCornerModuleIsRounded) {
  const QRCodeEyeShapeCorneredPixels eye(0.65);
  const gfx::Path ring = eye.eyePath();
  const double r = 3.25;
  // The first corner module as listed: start one radius after the corner, the rounding a
  // cubic whose controls are the corner and the end point.
  const auto first = gfx::Path::parse(
      "M 13.25,10; L 19,10; L 19,19; L 10,19; L 10,13.25; C 10,10 13.25,10 13.25,10; Z.");
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(std::vector<gfx::PathElement>(ring.elements().begin(), ring.elements().begin() + 7),
            first->elements());
  // Each outer corner is cut away, every other corner of the corner modules is square.
  for (Point corner : {Point{10, 10}, Point{10, 79}, Point{79, 10}, Point{79, 79}}) {
    const Point inward{corner.x < 45 ? corner.x + 0.3 : corner.x - 0.3, corner.y < 45 ? corner.y + 0.3 : corner.y - 0.3};
    EXPECT_TRUE(emptyBoth(ring, inward)) << corner.x << "," << corner.y;
    const Point deeper{corner.x < 45 ? corner.x + r : corner.x - r, corner.y < 45 ? corner.y + r : corner.y - r};
    EXPECT_TRUE(filledBoth(ring, deeper)) << corner.x << "," << corner.y;
  }
  for (Point p : {Point{18.8, 10.2}, Point{10.2, 18.8}, Point{18.8, 18.8}, Point{70.2, 10.2}, Point{70.2, 78.8},
                  Point{10.2, 70.2}, Point{78.8, 70.2}, Point{10.2, 20.2}, Point{20.2, 10.2}})
    EXPECT_TRUE(filledBoth(ring, p)) << p.x << "," << p.y;
  // The gaps between modules stay empty.
  for (Point p : {Point{19.5, 15}, Point{15, 19.5}, Point{69.5, 75}, Point{75, 69.5}, Point{45, 19.5}})
    EXPECT_TRUE(emptyBoth(ring, p)) << p.x << "," << p.y;
}

TEST(CorneredPixelsEye, RadiiOutsideTheRangeStillGiveClosedModules) {
  for (double fraction : {1.0, 1.8, 3.0, 1e9, -2.0, std::numeric_limits<double>::infinity()}) {
    SCOPED_TRACE(fraction);
    QRCodeEyeShapeCorneredPixels eye(0.5);
    eye.setCornerRadiusFraction(fraction);
    EXPECT_EQ(eye.settings(), (Settings{{"cornerRadiusFraction", fraction}}));
    const gfx::Path ring = eye.eyePath();
    const auto subpaths = subpathsOf(ring);
    ASSERT_EQ(subpaths.size(), 24u);
    for (const auto& s : subpaths) EXPECT_TRUE(s.closed);
    // The four corner modules (added first, seventh, eighth and fourteenth) are written
    // out and come back to their start; the others are the platform's rectangles.
    for (std::size_t i : {0u, 6u, 7u, 13u}) {
      EXPECT_TRUE(eyetest::near(subpaths[i].last, subpaths[i].start)) << i;
      EXPECT_GT(std::abs(subpaths[i].signedArea), 81 - 0.22 * 81) << i;  // at most a quarter-disc cut off
    }
    EXPECT_TRUE(boundsWithin(ring, 10, 79));
    EXPECT_TRUE(emptyBoth(ring, {45, 45}));
    EXPECT_TRUE(filledBoth(ring, {15, 45}));
  }
}

TEST(CorneredPixelsEye, EachDefaultPupilCarriesTheEyesFraction) {
  QRCodeEyeShapeCorneredPixels eye(0.65);
  eye.setCornerRadiusFraction(0.4);
  const auto pupil = std::dynamic_pointer_cast<QRCodePupilShapeCorneredPixels>(eye.defaultPupil());
  ASSERT_NE(pupil, nullptr);
  EXPECT_DOUBLE_EQ(pupil->cornerRadiusFraction(), 0.4);
  EXPECT_DOUBLE_EQ(pupil->actualCornerRadius(), 2.0);
  // Unclamped through the property setter: the pupil takes the value as stored.
  eye.setCornerRadiusFraction(1.2);
  const auto large = std::dynamic_pointer_cast<QRCodePupilShapeCorneredPixels>(eye.defaultPupil());
  ASSERT_NE(large, nullptr);
  EXPECT_DOUBLE_EQ(large->cornerRadiusFraction(), 1.2);
  EXPECT_DOUBLE_EQ(large->actualCornerRadius(), 6.0);
  // Two eyes, two distinct pupils; a pupil handed out earlier keeps its value.
  const auto other = QRCodeEyeShapeCorneredPixels::Create()->defaultPupil();
  EXPECT_NE(other.get(), pupil.get());
  EXPECT_EQ(other->settings(), (Settings{{"cornerRadiusFraction", 0.65}}));
  EXPECT_DOUBLE_EQ(pupil->cornerRadiusFraction(), 0.4);
}

TEST(EdgesEye, FourRoundedBarsAndEmptyCorners) {
  const auto eye = QRCodeEyeShapeEdges::Create();
  const gfx::Path ring = eye->eyePath();
  gfx::Path expected;
  for (gfx::Rect bar : {gfx::Rect{30, 70, 30, 10}, gfx::Rect{30, 10, 30, 10}, gfx::Rect{10, 30, 10, 30},
                        gfx::Rect{70, 30, 10, 30}})
    expected.addRoundedRect(bar, 5, 5);
  EXPECT_EQ(ring, expected);
  // Radius 5, half the bar's thickness: the bar ends are fully round.
  EXPECT_TRUE(emptyBoth(ring, {30.5, 70.5}));
  EXPECT_TRUE(filledBoth(ring, {30.5, 75}));
  // The ring's corner areas stay empty.
  for (Point p : {Point{15, 15}, Point{25, 15}, Point{15, 25}, Point{75, 75}, Point{65, 75}, Point{75, 15}, Point{15, 75}})
    EXPECT_TRUE(emptyBoth(ring, p)) << p.x << "," << p.y;
  // Fraction 0, and a negative one set through the property, give plain rectangles.
  gfx::Path squares;
  for (gfx::Rect bar : {gfx::Rect{30, 70, 30, 10}, gfx::Rect{30, 10, 30, 10}, gfx::Rect{10, 30, 10, 30},
                        gfx::Rect{70, 30, 10, 30}})
    squares.addRect(bar);
  EXPECT_EQ(QRCodeEyeShapeEdges(0).eyePath(), squares);
  QRCodeEyeShapeEdges negative(0.5);
  negative.setCornerRadiusFraction(-2);
  EXPECT_EQ(negative.eyePath(), squares);
  // Larger radii set through the property draw as 5: the ends stay round.
  QRCodeEyeShapeEdges huge(0.5);
  huge.setCornerRadiusFraction(40);
  EXPECT_EQ(huge.eyePath(), expected);
  huge.setCornerRadiusFraction(std::numeric_limits<double>::infinity());
  EXPECT_EQ(huge.eyePath(), expected);
}

TEST(EdgesEye, ProposesOneSharedPupilWithTheDefaultFraction) {
  const QRCodeEyeShapeEdges eye(0.2);
  const auto pupil = std::dynamic_pointer_cast<QRCodePupilShapeEdges>(eye.defaultPupil());
  ASSERT_NE(pupil, nullptr);
  EXPECT_DOUBLE_EQ(pupil->cornerRadiusFraction(), 0.65);
  EXPECT_DOUBLE_EQ(pupil->actualCornerRadius(), 3.25);
  EXPECT_EQ(QRCodeEyeShapeEdges(0.4).defaultPupil().get(), pupil.get());
  EXPECT_EQ(QRCodeEyeShapeEdges::sharedDefaultPupil().get(), pupil.get());
  EXPECT_NE(pupil.get(), QRCodePupilShapeEdges::Create().get());
}

TEST(EdgesEye, FirstPupilRequestsFromManyThreadsAgreeOnOneObject) {
  constexpr std::size_t kThreads = 8;
  std::vector<const QRCodePupilShapeGenerator*> seen(kThreads, nullptr);
  std::latch start(kThreads);
  std::vector<std::thread> threads;
  threads.reserve(kThreads);
  for (std::size_t i = 0; i < kThreads; ++i) {
    threads.emplace_back([&seen, &start, i] {
      const QRCodeEyeShapeEdges eye(0.1 * static_cast<double>(i));
      start.arrive_and_wait();
      seen[i] = eye.defaultPupil().get();
    });
  }
  for (auto& t : threads) t.join();
  ASSERT_NE(seen[0], nullptr);
  for (const auto* p : seen) EXPECT_EQ(p, seen[0]);
}

// --- pixels ----------------------------------------------------------------------------------

TEST(PixelsEye, DefaultsAndTypedConstruction) {
  const auto eye = QRCodeEyeShapePixels::Create();
  EXPECT_DOUBLE_EQ(eye->cornerRadiusFraction(), 0.65);
  EXPECT_DOUBLE_EQ(eye->actualCornerRadius(), 3.25);
  EXPECT_DOUBLE_EQ(QRCodeEyeShapePixels(-1).cornerRadiusFraction(), 0);
  EXPECT_DOUBLE_EQ(QRCodeEyeShapePixels(-1).actualCornerRadius(), 0);
  EXPECT_DOUBLE_EQ(QRCodeEyeShapePixels(2).cornerRadiusFraction(), 1);
  EXPECT_DOUBLE_EQ(QRCodeEyeShapePixels(2).actualCornerRadius(), 5);
  QRCodeEyeShapePixels set(0.5);
  set.setCornerRadiusFraction(2);
  EXPECT_EQ(set.settings(), (Settings{{"cornerRadiusFraction", 2}}));
  EXPECT_DOUBLE_EQ(set.actualCornerRadius(), 5);
  set.setCornerRadiusFraction(-3);
  EXPECT_DOUBLE_EQ(set.actualCornerRadius(), 0);
  EXPECT_FALSE(set.setSettingValue(Settings("0.5"), "cornerRadiusFraction"));
  EXPECT_DOUBLE_EQ(set.cornerRadiusFraction(), -3);
}

TEST(PixelsEye, CoversExactlyTheTwentyFourRingModules) {
  const gfx::Path ring = QRCodeEyeShapePixels(-1).eyePath();
  gfx::Path expected;
  const auto cells = corneredPixelsOrder();
  // Added column by column, then row by row.
  for (double y = 10; y <= 70; y += 10) expected.addRect({10, y, 9, 9});
  for (double y = 10; y <= 70; y += 10) expected.addRect({70, y, 9, 9});
  for (double x = 20; x <= 60; x += 10) expected.addRect({x, 10, 9, 9});
  for (double x = 20; x <= 60; x += 10) expected.addRect({x, 70, 9, 9});
  EXPECT_EQ(ring, expected);
  for (double x = 10.25; x < 80; x += 0.5) {
    for (double y = 10.25; y < 80; y += 0.5) {
      bool inModule = false;
      for (const gfx::Rect& c : cells) inModule = inModule || c.contains({x, y});
      ASSERT_EQ(filledBoth(ring, {x, y}), inModule) << x << "," << y;
    }
  }
}

TEST(PixelsEye, RoundedModulesStayInsideTheirSquares) {
  for (double fraction : {0.65, 0.9, 1.0}) {
    SCOPED_TRACE(fraction);
    const gfx::Path ring = QRCodeEyeShapePixels(fraction).eyePath();
    const auto subpaths = subpathsOf(ring);
    ASSERT_EQ(subpaths.size(), 24u);
    EXPECT_TRUE(boundsWithin(ring, 10, 79));
    // The rounded corners leave the module corners empty, the module middles filled.
    for (const gfx::Rect& c : corneredPixelsOrder()) {
      EXPECT_TRUE(emptyBoth(ring, {c.minX() + 0.2, c.minY() + 0.2}));
      EXPECT_TRUE(emptyBoth(ring, {c.maxX() - 0.2, c.maxY() - 0.2}));
      EXPECT_TRUE(filledBoth(ring, {c.midX(), c.midY()}));
      EXPECT_TRUE(filledBoth(ring, {c.minX() + 0.2, c.midY()}));
    }
  }
  // Fractions 0.9 and 1 draw alike: the radius is limited to half the 9-unit square.
  EXPECT_EQ(QRCodeEyeShapePixels(0.9).eyePath(), QRCodeEyeShapePixels(1).eyePath());
}

TEST(PixelsEye, EachDefaultPupilCarriesTheEyesFraction) {
  QRCodeEyeShapePixels eye(0.3);
  const auto pupil = std::dynamic_pointer_cast<QRCodePupilShapePixels>(eye.defaultPupil());
  ASSERT_NE(pupil, nullptr);
  EXPECT_DOUBLE_EQ(pupil->cornerRadiusFraction(), 0.3);
  EXPECT_DOUBLE_EQ(pupil->actualCornerRadius(), 1.5);
  eye.setCornerRadiusFraction(2);
  const auto large = std::dynamic_pointer_cast<QRCodePupilShapePixels>(eye.defaultPupil());
  ASSERT_NE(large, nullptr);
  EXPECT_DOUBLE_EQ(large->cornerRadiusFraction(), 2);
  EXPECT_DOUBLE_EQ(large->actualCornerRadius(), 5);
  EXPECT_NE(large.get(), pupil.get());
  EXPECT_DOUBLE_EQ(pupil->cornerRadiusFraction(), 0.3);
}

// --- shield ----------------------------------------------------------------------------------

// Points that tell a notched quarter from a rounded one: beside the inner corner the notch's
// cut reaches further into the hole, and at the outer corner the notch dips inwards.
struct QuarterProbe {
  int bit;
  Point innerCut;     // filled only when notched
  Point outerCorner;  // filled only when rounded
};
const QuarterProbe kQuarters[] = {
    {1, {24.5, 65.5}, {17, 73}},
    {2, {65.5, 65.5}, {73, 73}},
    {4, {24.5, 24.5}, {17, 17}},
    {8, {65.5, 24.5}, {73, 17}},
};

void expectNotches(const gfx::Path& ring, std::int64_t corners) {
  for (const auto& q : kQuarters) {
    const bool notched = (corners & q.bit) != 0;
    EXPECT_EQ(filledBoth(ring, q.innerCut), notched) << "bit " << q.bit;
    EXPECT_EQ(filledBoth(ring, q.outerCorner), !notched) << "bit " << q.bit;
    EXPECT_EQ(emptyBoth(ring, q.innerCut), !notched) << "bit " << q.bit;
  }
}

TEST(ShieldEye, EachCornerBitChoosesItsQuarter) {
  for (std::int64_t corners = 0; corners < 16; ++corners) {
    SCOPED_TRACE(corners);
    const auto eye = QRCodeEyeShapeShield::Create({{"corners", corners}});
    EXPECT_EQ(eye->corners().rawValue, corners);
    expectNotches(eye->eyePath(), corners);
  }
}

// The quarters are written partly clockwise and partly anticlockwise; filled together
// under the non-zero rule they never cancel because no two of them overlap, and together
// they leave no gap on the ring's centre lines.
TEST(ShieldEye, QuartersNeverOverlap) {
  for (std::int64_t corners : {0, 15, 6, 9}) {
    SCOPED_TRACE(corners);
    const gfx::Path ring = QRCodeEyeShapeShield(QRCode::Corners(corners)).eyePath();
    const auto quarters = splitSubpaths(ring);
    ASSERT_EQ(quarters.size(), 4u);
    for (double x = 10.25; x < 80; x += 0.5) {
      for (double y = 10.25; y < 80; y += 0.5) {
        int inside = 0;
        for (const gfx::Path& q : quarters) inside += q.contains({x, y}) ? 1 : 0;
        ASSERT_LE(inside, 1) << x << "," << y;
        ASSERT_EQ(ring.contains({x, y}), inside == 1) << x << "," << y;
      }
    }
    for (double t = 11; t < 20; t += 1) {
      for (Point p : {Point{t, 45}, Point{45, t}, Point{90 - t, 45}, Point{45, 90 - t}})
        EXPECT_TRUE(ring.contains(p) || ring.contains({p.x, p.y + 0.05}) || ring.contains({p.x + 0.05, p.y}))
            << p.x << "," << p.y;
    }
  }
}

TEST(ShieldEye, DefaultsTypedConstructionAndOutOfRangeValues) {
  const auto eye = QRCodeEyeShapeShield::Create();
  EXPECT_EQ(eye->settings(), (Settings{{"corners", 15}}));
  expectNotches(eye->eyePath(), 15);
  const QRCodeEyeShapeShield plain(false, false, false, false);
  EXPECT_EQ(plain.settings(), (Settings{{"corners", 0}}));
  expectNotches(plain.eyePath(), 0);
  EXPECT_EQ(QRCodeEyeShapeShield(true, false, false, true).corners().rawValue, 9);
  // Only the quarter 10...45 x 45...80 (outer corner (10, 80)) is notched by 1.
  const auto one = QRCodeEyeShapeShield::Create({{"corners", 1}});
  expectNotches(one->eyePath(), 1);
  // 16 is stored and reported as given, and draws four rounded quarters.
  const auto sixteen = QRCodeEyeShapeShield::Create({{"corners", 16}});
  EXPECT_EQ(sixteen->settings(), (Settings{{"corners", 16}}));
  EXPECT_EQ(sixteen->eyePath(), plain.eyePath());
  // Values that are not numbers give the default.
  EXPECT_EQ(QRCodeEyeShapeShield::Create({{"corners", "3"}})->corners().rawValue, 15);
  EXPECT_EQ(QRCodeEyeShapeShield::Create({{"corners", std::numeric_limits<double>::quiet_NaN()}})->corners().rawValue,
            15);
  EXPECT_EQ(QRCodeEyeShapeShield::Create({{"corners", 5.9}})->corners().rawValue, 5);
}

TEST(ShieldEye, SettingTheCorners) {
  const auto eye = QRCodeEyeShapeShield::Create();
  EXPECT_TRUE(eye->supportsSettingValueForKey("corners"));
  EXPECT_FALSE(eye->supportsSettingValueForKey("cornerRadiusFraction"));
  EXPECT_TRUE(eye->setSettingValue(Settings(6), "corners"));
  EXPECT_EQ(eye->settings(), (Settings{{"corners", 6}}));
  expectNotches(eye->eyePath(), 6);
  EXPECT_TRUE(eye->setSettingValue(Settings(-1), "corners"));
  EXPECT_EQ(eye->corners().rawValue, -1);
  expectNotches(eye->eyePath(), 15);
  for (const Settings& bad : {Settings(), Settings("2"), Settings(1e300), Settings::object()}) {
    EXPECT_FALSE(eye->setSettingValue(bad, "corners")) << bad.dump();
    EXPECT_EQ(eye->corners().rawValue, -1);
  }
  EXPECT_FALSE(eye->setSettingValue(Settings(2), "cornerRadiusFraction"));
  EXPECT_EQ(eye->corners().rawValue, -1);
}

TEST(ShieldEye, BackgroundIsTheRoundedSquareWhateverTheCorners) {
  const gfx::Path expected = QRCodeEyeShapeRoundedRect().eyeBackgroundPath();
  for (std::int64_t corners : {0, 5, 15, 16})
    EXPECT_EQ(QRCodeEyeShapeShield(QRCode::Corners(corners)).eyeBackgroundPath(), expected);
}

TEST(ShieldEye, EachDefaultPupilCarriesTheRawCorners) {
  const QRCodeEyeShapeShield eye{QRCode::Corners(21)};
  const auto pupil = std::dynamic_pointer_cast<QRCodePupilShapeShield>(eye.defaultPupil());
  ASSERT_NE(pupil, nullptr);
  EXPECT_EQ(pupil->corners().rawValue, 21);
  const auto again = eye.defaultPupil();
  EXPECT_NE(again.get(), pupil.get());
  EXPECT_EQ(again->settings(), (Settings{{"corners", 21}}));
}

// --- UFO --------------------------------------------------------------------------------------

TEST(UFOEye, CreateAndTheSettingsConstructor) {
  EXPECT_FALSE(QRCodeEyeShapeUFO::Create()->isFlipped());
  EXPECT_FALSE(QRCodeEyeShapeUFO::Create(Settings::object())->isFlipped());
  EXPECT_TRUE(QRCodeEyeShapeUFO::Create({{"isFlipped", 1}})->isFlipped());
  EXPECT_TRUE(QRCodeEyeShapeUFO::Create({{"isFlipped", true}})->isFlipped());
  EXPECT_TRUE(QRCodeEyeShapeUFO::Create({{"isFlipped", 0.5}})->isFlipped());
  EXPECT_FALSE(QRCodeEyeShapeUFO::Create({{"isFlipped", 0}})->isFlipped());
  EXPECT_FALSE(QRCodeEyeShapeUFO::Create({{"isFlipped", "true"}})->isFlipped());
  EXPECT_FALSE(QRCodeEyeShapeUFO::Create({{"isFlipped", nullptr}})->isFlipped());
  EXPECT_FALSE(QRCodeEyeShapeUFO::Create(Settings::array({true}))->isFlipped());
  EXPECT_TRUE(QRCodeEyeShapeUFO(Settings{{"isFlipped", true}, {"other", 3}}).isFlipped());
  EXPECT_TRUE(QRCodeEyeShapeUFO(true).isFlipped());
  EXPECT_EQ(QRCodeEyeShapeUFO(true).settings(), (Settings{{"isFlipped", true}}));
  EXPECT_EQ(QRCodeEyeShapeUFO(false).settings(), (Settings{{"isFlipped", false}}));
}

TEST(UFOEye, SettingTheFlagAlwaysAnswersFalse) {
  QRCodeEyeShapeUFO eye(false);
  EXPECT_TRUE(eye.supportsSettingValueForKey("isFlipped"));
  EXPECT_FALSE(eye.supportsSettingValueForKey("corners"));
  EXPECT_FALSE(eye.setSettingValue(Settings(true), "isFlipped"));
  EXPECT_TRUE(eye.isFlipped());
  EXPECT_FALSE(eye.setSettingValue(Settings(2), "corners"));
  EXPECT_TRUE(eye.isFlipped());
  EXPECT_FALSE(eye.setSettingValue(Settings("yes"), "isFlipped"));
  EXPECT_FALSE(eye.isFlipped());
  eye.setIsFlipped(true);
  EXPECT_FALSE(eye.setSettingValue(Settings(), "isFlipped"));
  EXPECT_FALSE(eye.isFlipped());
}

TEST(UFOEye, FlippingMirrorsTheRingAndTheBackground) {
  const QRCodeEyeShapeUFO plain(false);
  const QRCodeEyeShapeUFO flipped(true);
  EXPECT_EQ(flipped.eyePath(), mirroredTopToBottom(plain.eyePath()));
  EXPECT_EQ(plain.eyeBackgroundPath(), mirroredTopToBottom(flipped.eyeBackgroundPath()));
  // Not flipped: square corners (10, 10) and (80, 80); the background as returned has
  // its square corners at (0, 90) and (90, 0).
  expectEyeCorners(plain.eyePath(), {true, false, false, true});
  expectBackgroundCorners(plain.eyeBackgroundPath(), {false, true, true, false});
  // Flipped: square corners (10, 80) and (80, 10); the background's (0, 0) and (90, 90).
  expectEyeCorners(flipped.eyePath(), {false, true, true, false});
  expectBackgroundCorners(flipped.eyeBackgroundPath(), {true, false, false, true});
}

TEST(UFOEye, EachDefaultPupilCarriesTheFlag) {
  QRCodeEyeShapeUFO eye(true);
  const auto pupil = std::dynamic_pointer_cast<QRCodePupilShapeUFO>(eye.defaultPupil());
  ASSERT_NE(pupil, nullptr);
  EXPECT_TRUE(pupil->isFlipped());
  eye.setIsFlipped(false);
  const auto plain = std::dynamic_pointer_cast<QRCodePupilShapeUFO>(eye.defaultPupil());
  ASSERT_NE(plain, nullptr);
  EXPECT_FALSE(plain->isFlipped());
  EXPECT_TRUE(pupil->isFlipped());  // handed out earlier, unchanged
  // The copy carries the flag.
  EXPECT_TRUE(std::dynamic_pointer_cast<QRCodeEyeShapeUFO>(QRCodeEyeShapeUFO(true).copyShape())->isFlipped());
}

// --- previews: look at the shapes -------------------------------------------------------------

TEST(BarOutlineConfigurableEyePreviews, EveryEyeDrawsItsRingAndPupil) {
  const gfx::Color black = gfx::Color::sRGB(0, 0, 0);
  const gfx::Color white = gfx::Color::sRGB(1, 1, 1);
  for (const auto& c : barOutlineConfigurableEyes()) {
    SCOPED_TRACE(c.label);
    const auto eye = c.make();
    const gfx::Image image = QRCodeEyeShapeFactory::previewImage(180, *eye, nullptr, black, &white);
    testsupport::writeImagePNG(image, "eye-" + c.label + ".png");
    // (x, y) of the eye space at (2x, 2y) of the image, from the top-left corner.
    EXPECT_EQ(image.pixelAt(30, 94).r, 0);   // the ring's left side (15, 47)
    EXPECT_EQ(image.pixelAt(90, 90).r, 0);   // the pupil's centre
    EXPECT_EQ(image.pixelAt(90, 50).r, 255); // between ring and pupil (45, 25)
    EXPECT_EQ(image.pixelAt(4, 4).r, 255);   // outside the ring
  }
}

}  // namespace

namespace {

// --- the factory ------------------------------------------------------------------------------

TEST(BarOutlineConfigurableEyeFactory, RecordsNameTheEyesExactly) {
  const auto& factory = QRCodeEyeShapeFactory::shared();
  const auto edges = std::dynamic_pointer_cast<QRCodeEyeShapeEdges>(
      factory.createWithSettings({{"type", "edges"}, {"settings", {{"cornerRadiusFraction", 0.5}}}}));
  ASSERT_NE(edges, nullptr);
  EXPECT_DOUBLE_EQ(edges->cornerRadiusFraction(), 0.5);
  for (const char* wrong : {"Edges", "ufO", "UFO", "crT", "bars", "corneredpixels"}) {
    try {
      factory.createWithSettings({{"type", wrong}});
      ADD_FAILURE() << wrong << " created an eye";
    } catch (const foundation::Error& e) {
      EXPECT_TRUE(e.is(QRCodeError::unsupportedGeneratorName)) << e.what();
    }
  }
  const auto names = factory.availableGeneratorNames();
  ASSERT_EQ(names.size(), 22u);
  EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 3),
            (std::vector<std::string>{"crt", "circle", "corneredPixels"}));
  EXPECT_EQ(std::vector<std::string>(names.end() - 2, names.end()),
            (std::vector<std::string>{"usePixelShape", "barsVertical"}));
  // Every eye of the family is made by its own class from its record.
  for (const auto& eye : factory.all()) {
    const auto again = factory.createWithSettings(eye->typeAndSettings());
    EXPECT_EQ(again->name(), eye->name());
    EXPECT_EQ(again->eyePath(), eye->eyePath());
  }
}

}  // namespace
