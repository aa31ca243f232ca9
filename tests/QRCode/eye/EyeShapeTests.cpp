// The seven eyes drawn as fixed outlines: ring and background properties, the placement
// of the background under the eye, default pupils, settings and records.

#include <gtest/gtest.h>

#include <functional>
#include <latch>
#include <ostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "QRCode/QRCodeEyeShape.hpp"
#include "QRCode/QRCodePupilShape.hpp"
#include "tests/QRCode/eye/ShapeProperties.hpp"

namespace {

using eyetest::boundsSpan;
using eyetest::boundsWithin;
using eyetest::emptyBoth;
using eyetest::filledBoth;
using eyetest::mirroredTopToBottom;
using eyetest::subpathsOf;
using gfx::Point;

struct EyeCase {
  std::string name;
  std::string title;
  std::function<std::shared_ptr<QRCodeEyeShapeGenerator>()> make;
  std::string defaultPupilName;
};

template <class Eye>
EyeCase eyeCase(std::string defaultPupilName) {
  return {std::string(Eye::Name()), std::string(Eye::Title()), [] { return Eye::Create(); },
          std::move(defaultPupilName)};
}

// Every eye with the pupil it proposes (each a shared instance per eye class).
std::vector<EyeCase> allEyes() {
  return {
      eyeCase<QRCodeEyeShapeSquare>("square"),
      eyeCase<QRCodeEyeShapeRoundedRect>("roundedRect"),
      eyeCase<QRCodeEyeShapeRoundedOuter>("roundedOuter"),
      eyeCase<QRCodeEyeShapeRoundedPointingIn>("roundedPointingIn"),
      eyeCase<QRCodeEyeShapeRoundedPointingOut>("roundedPointingOut"),
      eyeCase<QRCodeEyeShapeSquircle>("squircle"),
      eyeCase<QRCodeEyeShapeSquarePeg>("squircle"),
  };
}

void PrintTo(const EyeCase& c, std::ostream* os) { *os << c.name; }

class EveryEye : public testing::TestWithParam<EyeCase> {};

TEST_P(EveryEye, NameAndTitleOfItsClass) {
  const auto eye = GetParam().make();
  EXPECT_EQ(eye->name(), GetParam().name);
  EXPECT_EQ(eye->title(), GetParam().title);
  EXPECT_EQ(QRCodeEyeShape::nameOfGenerator(*eye), GetParam().name);
  EXPECT_EQ(QRCodeEyeShape::titleOfGenerator(*eye), GetParam().title);
}

TEST_P(EveryEye, RingIsTwoClosedOutlinesInOppositeDirections) {
  const gfx::Path ring = GetParam().make()->eyePath();
  const auto subpaths = subpathsOf(ring);
  ASSERT_EQ(subpaths.size(), 2u);
  for (const auto& s : subpaths) {
    EXPECT_TRUE(s.closed);
    EXPECT_TRUE(eyetest::near(s.last, s.start))
        << "last (" << s.last.x << ", " << s.last.y << ") start (" << s.start.x << ", " << s.start.y
        << ")";
  }
  // The inner outline comes first and encloses less than the outer one.
  EXPECT_LT(std::abs(subpaths[0].signedArea), std::abs(subpaths[1].signedArea));
  EXPECT_LT(subpaths[0].signedArea * subpaths[1].signedArea, 0) << "same direction";
}

TEST_P(EveryEye, RingLiesOnTheFinderRing) {
  const gfx::Path ring = GetParam().make()->eyePath();
  EXPECT_TRUE(boundsWithin(ring, 10, 80)) << ring.description();
  EXPECT_TRUE(boundsSpan(ring, 10, 80)) << ring.description();
}

TEST_P(EveryEye, RingIsFilledOnEverySideAndHollowInside) {
  const gfx::Path ring = GetParam().make()->eyePath();
  for (Point p : {Point{15, 45}, Point{45, 15}, Point{75, 45}, Point{45, 75}})
    EXPECT_TRUE(filledBoth(ring, p)) << p.x << "," << p.y;
  EXPECT_TRUE(emptyBoth(ring, {45, 45}));
  // The ring never reaches into the pupil box, nor outside the finder ring.
  for (double x = 30.5; x < 60; x += 1)
    for (double y = 30.5; y < 60; y += 1) ASSERT_TRUE(emptyBoth(ring, {x, y})) << x << "," << y;
  for (double t = 0.5; t < 90; t += 1) {
    for (Point p : {Point{t, 9.7}, Point{t, 80.3}, Point{9.7, t}, Point{80.3, t}})
      ASSERT_TRUE(emptyBoth(ring, p)) << p.x << "," << p.y;
  }
}

TEST_P(EveryEye, BackgroundIsOneClosedOutlineInTheEyeSpace) {
  const gfx::Path background = GetParam().make()->eyeBackgroundPath();
  const auto subpaths = subpathsOf(background);
  ASSERT_EQ(subpaths.size(), 1u);
  EXPECT_TRUE(subpaths[0].closed);
  EXPECT_TRUE(boundsWithin(background, 0, 90)) << background.description();
  EXPECT_TRUE(boundsSpan(background, 0, 90)) << background.description();
}

// The renderer mirrors the background top to bottom and then places it with the eye, so
// the mirrored background must lie under every part of the ring.
TEST_P(EveryEye, MirroredBackgroundContainsTheEye) {
  const auto eye = GetParam().make();
  const gfx::Path ring = eye->eyePath();
  const gfx::Path placed = mirroredTopToBottom(eye->eyeBackgroundPath());
  int covered = 0;
  for (double x = 0.25; x < 90; x += 0.5) {
    for (double y = 0.25; y < 90; y += 0.5) {
      if (!ring.contains({x, y})) continue;
      ++covered;
      ASSERT_TRUE(placed.contains({x, y})) << GetParam().name << " " << x << "," << y;
    }
  }
  EXPECT_GT(covered, 4000);  // the ring covers a good part of the 180 x 180 samples
  // Every point of the ring's outline lies inside the background too.
  for (const Point& p : eyetest::endPoints(ring)) EXPECT_TRUE(placed.contains(p)) << p.x << "," << p.y;
}

TEST_P(EveryEye, EachCallBuildsEqualNewPaths) {
  const auto eye = GetParam().make();
  gfx::Path ring = eye->eyePath();
  gfx::Path background = eye->eyeBackgroundPath();
  EXPECT_EQ(ring, eye->eyePath());
  EXPECT_EQ(background, eye->eyeBackgroundPath());
  ring.close();
  ring.lineTo({1, 1});
  background.lineTo({2, 2});
  EXPECT_NE(ring, eye->eyePath());
  EXPECT_NE(background, eye->eyeBackgroundPath());
}

TEST_P(EveryEye, ProposesItsSharedDefaultPupil) {
  const auto eye = GetParam().make();
  const auto other = GetParam().make();
  const auto pupil = eye->defaultPupil();
  ASSERT_NE(pupil, nullptr);
  EXPECT_EQ(pupil->name(), GetParam().defaultPupilName);
  // The same object on every call and for every instance of the eye class, also for a
  // copy and an instance made through the factory.
  EXPECT_EQ(eye->defaultPupil().get(), pupil.get());
  EXPECT_EQ(other->defaultPupil().get(), pupil.get());
  EXPECT_EQ(eye->copyShape()->defaultPupil().get(), pupil.get());
  EXPECT_EQ(QRCodeEyeShapeFactory::shared().named(GetParam().name)->defaultPupil().get(), pupil.get());
  // It is a proper pupil of its class.
  const auto fresh = QRCodePupilShapeFactory::shared().named(GetParam().defaultPupilName);
  EXPECT_EQ(pupil->pupilPath(), fresh->pupilPath());
}

TEST_P(EveryEye, HasNoSettings) {
  const auto eye = GetParam().make();
  EXPECT_TRUE(eye->settings().is_object());
  EXPECT_TRUE(eye->settings().empty());
  for (const char* key : {"cornerRadiusFraction", "corners", "isFlipped", "insetFraction", ""}) {
    EXPECT_FALSE(eye->supportsSettingValueForKey(key)) << key;
    EXPECT_FALSE(eye->setSettingValue(foundation::Settings(0.25), key)) << key;
    EXPECT_FALSE(eye->setSettingValue(foundation::Settings(true), key)) << key;
    EXPECT_FALSE(eye->setSettingValue(foundation::Settings(), key)) << key;
  }
  EXPECT_TRUE(eye->settings().empty());
  EXPECT_FALSE(eye->settingValueForKey<double>("cornerRadiusFraction").has_value());
}

TEST_P(EveryEye, RecordRoundTripsThroughTheFactory) {
  const auto eye = GetParam().make();
  const GeneratorSettingsRecord record = eye->typeAndSettings();
  ASSERT_TRUE(record.is_object());
  EXPECT_EQ(record.size(), 2u);
  EXPECT_EQ(foundation::stringValue(record, "type"), GetParam().name);
  const foundation::Settings* settings = foundation::objectValue(record, "settings");
  ASSERT_NE(settings, nullptr);
  EXPECT_TRUE(settings->empty());

  const auto restored = QRCodeEyeShapeFactory::shared().createWithSettings(record);
  ASSERT_NE(restored, nullptr);
  EXPECT_NE(restored.get(), eye.get());
  EXPECT_EQ(restored->name(), GetParam().name);
  EXPECT_EQ(restored->eyePath(), eye->eyePath());
  EXPECT_EQ(restored->eyeBackgroundPath(), eye->eyeBackgroundPath());
  EXPECT_EQ(restored->typeAndSettings(), record);
}

TEST_P(EveryEye, CreateIgnoresItsDictionaryAndCopyIsANewEqualEye) {
  const auto eye = GetParam().make();
  const foundation::Settings unrelated = {{"cornerRadiusFraction", 0.1}, {"corners", 3}, {"q", "r"}};
  const auto created = QRCodeEyeShapeFactory::shared().named(GetParam().name, unrelated);
  EXPECT_EQ(created->name(), GetParam().name);
  EXPECT_TRUE(created->settings().empty());
  EXPECT_EQ(created->eyePath(), eye->eyePath());

  const auto copy = eye->copyShape();
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy.get(), eye.get());
  EXPECT_EQ(copy->name(), eye->name());
  EXPECT_EQ(copy->eyePath(), eye->eyePath());
  EXPECT_EQ(copy->eyeBackgroundPath(), eye->eyeBackgroundPath());
}

INSTANTIATE_TEST_SUITE_P(Eyes, EveryEye, testing::ValuesIn(allEyes()),
                         [](const testing::TestParamInfo<EyeCase>& info) { return info.param.name; });

// --- default pupils across classes ----------------------------------------------------------

TEST(EyeDefaultPupils, EachEyeClassKeepsItsOwnSharedPupil) {
  std::vector<std::shared_ptr<QRCodePupilShapeGenerator>> pupils;
  for (const auto& eye : QRCodeEyeShapeFactory::shared().all()) pupils.push_back(eye->defaultPupil());
  for (std::size_t i = 0; i < pupils.size(); ++i)
    for (std::size_t j = i + 1; j < pupils.size(); ++j) EXPECT_NE(pupils[i].get(), pupils[j].get());
}

TEST(EyeDefaultPupils, SquarePegAndSquircleShareTheClassButNotTheObject) {
  const auto peg = QRCodeEyeShapeSquarePeg().defaultPupil();
  const auto squircle = QRCodeEyeShapeSquircle().defaultPupil();
  EXPECT_EQ(peg->name(), "squircle");
  EXPECT_EQ(squircle->name(), "squircle");
  EXPECT_NE(peg.get(), squircle.get());
  EXPECT_NE(dynamic_cast<QRCodePupilShapeSquircle*>(peg.get()), nullptr);
  EXPECT_NE(dynamic_cast<QRCodePupilShapeSquircle*>(squircle.get()), nullptr);
}

TEST(EyeDefaultPupils, DefaultPupilIsNotAFreshPupilOfTheSameClass) {
  const auto shared = QRCodeEyeShapeRoundedRect().defaultPupil();
  const auto fresh = QRCodePupilShapeRoundedRect::Create();
  EXPECT_NE(shared.get(), fresh.get());
  EXPECT_NE(shared.get(), shared->copyShape().get());
}

// An eye class of its own, whose shared pupil nothing else has asked for yet.
class ProbeEye final : public QRCodeFixedEyeShape<ProbeEye, QRCodePupilShapeSeal> {
 public:
  static std::string_view Name() { return "probe"; }
  static std::string_view Title() { return "Probe"; }
  gfx::Path eyePath() const override { return {}; }
  gfx::Path eyeBackgroundPath() const override { return {}; }
};

TEST(EyeDefaultPupils, FirstRequestsFromManyThreadsAgreeOnOneObject) {
  constexpr std::size_t kThreads = 8;
  std::vector<const QRCodePupilShapeGenerator*> seen(kThreads, nullptr);
  std::latch start(kThreads);
  std::vector<std::thread> threads;
  threads.reserve(kThreads);
  for (std::size_t i = 0; i < kThreads; ++i) {
    threads.emplace_back([&seen, &start, i] {
      const ProbeEye eye;
      start.arrive_and_wait();
      seen[i] = eye.defaultPupil().get();
    });
  }
  for (auto& t : threads) t.join();
  ASSERT_NE(seen[0], nullptr);
  for (const auto* p : seen) EXPECT_EQ(p, seen[0]);
  EXPECT_EQ(seen[0]->name(), "seal");
  // Its own object: not the pupil of any registered eye.
  for (const auto& eye : QRCodeEyeShapeFactory::shared().all()) EXPECT_NE(eye->defaultPupil().get(), seen[0]);
}

// --- single shapes ---------------------------------------------------------------------------

TEST(EyeShapes, SquareRingCoversTheSevenModuleRing) {
  const gfx::Path ring = QRCodeEyeShapeSquare().eyePath();
  for (double x = 10.25; x < 80; x += 0.5) {
    for (double y = 10.25; y < 80; y += 0.5) {
      const bool inHole = x > 20 && x < 70 && y > 20 && y < 70;
      ASSERT_EQ(filledBoth(ring, {x, y}), !inHole) << x << "," << y;
      ASSERT_EQ(emptyBoth(ring, {x, y}), inHole) << x << "," << y;
    }
  }
}

TEST(EyeShapes, SquareRingKeepsItsDegenerateElements) {
  // The outer square is written with a straight curve and a repeated end point; both stay
  // in the path as listed.
  const gfx::Path ring = QRCodeEyeShapeSquare().eyePath();
  bool straightCurve = false, repeatedPoint = false;
  Point previous{-1, -1};
  for (const gfx::PathElement& e : ring.elements()) {
    if (e.type == gfx::PathElementType::close) continue;
    if (e.type == gfx::PathElementType::cubic && e.points[0].x == e.points[2].x &&
        e.points[1].x == e.points[2].x)
      straightCurve = true;
    if (e.type == gfx::PathElementType::line && e.endPoint() == previous) repeatedPoint = true;
    previous = e.endPoint();
  }
  EXPECT_TRUE(straightCurve);
  EXPECT_TRUE(repeatedPoint);
}

TEST(EyeShapes, SquareBackgroundIsTheWholeEyeSpace) {
  gfx::Path expected;
  expected.addRect(gfx::Rect(0, 0, 90, 90));
  EXPECT_EQ(QRCodeEyeShapeSquare().eyeBackgroundPath(), expected);
}

// After the renderer's mirroring the background's special corner lies under the eye's.
struct CornerAlignment {
  std::string name;
  Point eyeCorner, backgroundCorner;  // inside points near the corner of eye and background
  bool square;                         // the corner is square (else rounded)
};

void PrintTo(const CornerAlignment& c, std::ostream* os) { *os << c.name; }

class EyeCorner : public testing::TestWithParam<CornerAlignment> {};

TEST_P(EyeCorner, BackgroundCornerFollowsTheEyeCorner) {
  const auto eye = QRCodeEyeShapeFactory::shared().named(GetParam().name);
  const gfx::Path ring = eye->eyePath();
  const gfx::Path placed = mirroredTopToBottom(eye->eyeBackgroundPath());
  EXPECT_EQ(ring.contains(GetParam().eyeCorner), GetParam().square);
  EXPECT_EQ(placed.contains(GetParam().backgroundCorner), GetParam().square);
}

INSTANTIATE_TEST_SUITE_P(
    Eyes, EyeCorner,
    testing::Values(
        // Square corner at the symbol's outer corner (10, 10), background (0, 0).
        CornerAlignment{"roundedPointingOut", {10.3, 10.3}, {0.3, 0.3}, true},
        // Its other corners are rounded.
        CornerAlignment{"roundedPointingOut", {79.7, 79.7}, {89.7, 89.7}, false},
        // Square corner pointing towards the centre of the symbol.
        CornerAlignment{"roundedPointingIn", {79.7, 79.7}, {89.7, 89.7}, true},
        CornerAlignment{"roundedPointingIn", {10.3, 10.3}, {0.3, 0.3}, false},
        // The one rounded corner is the outer one.
        CornerAlignment{"roundedOuter", {10.3, 10.3}, {0.3, 0.3}, false},
        CornerAlignment{"roundedOuter", {79.7, 79.7}, {89.7, 89.7}, true},
        CornerAlignment{"roundedOuter", {79.7, 10.3}, {89.7, 0.3}, true},
        CornerAlignment{"roundedOuter", {10.3, 79.7}, {0.3, 89.7}, true}),
    [](const testing::TestParamInfo<CornerAlignment>& info) {
      return info.param.name + "_" + std::to_string(info.index);
    });

// The corner-helper listing for the rectangle (0, 0, 90, 90), radius 30, corners topLeft,
// topRight and bottomLeft.
TEST(EyeShapes, RoundedPointingOutBackgroundMatchesTheWorkedListing) {
  const auto expected = gfx::Path::parse(
      "M 30,0; L 60,0; C 90,0 90,30 90,30; L 90,60; C 90,90 60,90 60,90; L 0,90; L 0,30; "
      "C 0,0 30,0 30,0; Z.");
  ASSERT_TRUE(expected.has_value());
  EXPECT_EQ(QRCodeEyeShapeRoundedPointingOut().eyeBackgroundPath(), *expected);
}

TEST(EyeShapes, RoundedRectAndSquarePegShareTheirBackground) {
  EXPECT_EQ(QRCodeEyeShapeRoundedRect().eyeBackgroundPath(), QRCodeEyeShapeSquarePeg().eyeBackgroundPath());
  // Symmetric about y = 45: the renderer's mirroring changes nothing visible.
  const gfx::Path background = QRCodeEyeShapeRoundedRect().eyeBackgroundPath();
  const gfx::Path mirrored = mirroredTopToBottom(background);
  for (double x = 0.25; x < 90; x += 1.5)
    for (double y = 0.25; y < 90; y += 1.5)
      ASSERT_EQ(background.contains({x, y}), mirrored.contains({x, y})) << x << "," << y;
}

TEST(EyeShapes, SquarePegHasACircularHole) {
  const gfx::Path ring = QRCodeEyeShapeSquarePeg().eyePath();
  for (int i = 0; i < 72; ++i) {
    const double a = i * 3.14159265358979 / 36;
    EXPECT_TRUE(emptyBoth(ring, {45 + 24.8 * std::cos(a), 45 + 24.8 * std::sin(a)})) << i;
    EXPECT_TRUE(filledBoth(ring, {45 + 25.3 * std::cos(a), 45 + 25.3 * std::sin(a)})) << i;
  }
}

TEST(EyeShapes, SquircleRingIsSymmetricAcrossBothAxes) {
  const gfx::Path ring = QRCodeEyeShapeSquircle().eyePath();
  const gfx::Path flippedX = ring.transformed(gfx::AffineTransform{-1, 0, 0, 1, 90, 0});
  const gfx::Path flippedY = ring.transformed(gfx::AffineTransform{1, 0, 0, -1, 0, 90});
  // Sampled away from the outlines, where the two-decimal coordinates cannot disagree.
  for (double x = 10.5; x < 80; x += 1) {
    for (double y = 10.5; y < 80; y += 1) {
      const bool in = ring.contains({x, y});
      const bool nearEdge = ring.contains({x - 0.2, y}) != in || ring.contains({x + 0.2, y}) != in ||
                            ring.contains({x, y - 0.2}) != in || ring.contains({x, y + 0.2}) != in;
      if (nearEdge) continue;
      ASSERT_EQ(flippedX.contains({x, y}), in) << x << "," << y;
      ASSERT_EQ(flippedY.contains({x, y}), in) << x << "," << y;
    }
  }
}

}  // namespace
