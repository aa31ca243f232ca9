// The eye and pupil factories: registry order, creation by name and from records, errors,
// and preview images.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "QRCode/QRCodeEyeShape.hpp"
#include "QRCode/QRCodePupilShape.hpp"
#include "platform/foundation/Error.hpp"
#include "tests/support/Raster.hpp"

namespace {

// The full registry orders (every family member, sorted by Title in code-point order).
const std::vector<std::string> kFullEyeOrder = {
    "crt",          "circle",       "corneredPixels", "edges",          "fireball",
    "barsHorizontal", "leaf",       "peacock",        "pinch",          "pixels",
    "roundedOuter", "roundedPointingIn", "roundedPointingOut", "roundedRect", "shield",
    "square",       "squarePeg",    "squircle",       "teardrop",       "ufo",
    "usePixelShape", "barsVertical"};
const std::vector<std::string> kFullPupilOrder = {
    "blobby",      "crt",         "circle",         "corneredPixels",     "cross",
    "crossCurved", "edges",       "hexagonLeaf",    "barsHorizontal",     "leaf",
    "pinch",       "pixels",      "roundedOuter",   "roundedPointingIn",  "roundedPointingOut",
    "roundedRect", "seal",        "shield",         "square",             "barsHorizontalSquare",
    "barsVerticalSquare", "squircle", "teardrop",   "ufo",                "usePixelShape",
    "barsVertical"};

// The names registered so far.
const std::vector<std::string> kBuiltEyes = {"square",           "roundedRect",        "roundedOuter",
                                             "roundedPointingIn", "roundedPointingOut", "squircle",
                                             "squarePeg", "usePixelShape",
                                             "barsHorizontal", "barsVertical", "crt", "circle",
                                             "corneredPixels", "edges", "leaf", "teardrop",
                                             "fireball", "peacock", "pinch", "pixels", "shield",
                                             "ufo"};
const std::vector<std::string> kBuiltPupils = {
    "square",   "circle",   "roundedRect", "roundedOuter", "roundedPointingIn", "roundedPointingOut",
    "leaf",     "teardrop", "squircle",    "pinch",        "crt",               "blobby",
    "seal",     "hexagonLeaf", "cross",    "crossCurved",
    "barsHorizontal", "barsHorizontalSquare", "barsVertical", "barsVerticalSquare",
    "corneredPixels", "edges", "pixels", "shield", "ufo", "usePixelShape"};

bool contains(const std::vector<std::string>& list, const std::string& name) {
  return std::find(list.begin(), list.end(), name) != list.end();
}

// The full order restricted to the registered names.
std::vector<std::string> restricted(const std::vector<std::string>& full,
                                    const std::vector<std::string>& built) {
  std::vector<std::string> out;
  for (const auto& n : full)
    if (contains(built, n)) out.push_back(n);
  return out;
}

template <class F>
void expectError(QRCodeError code, F&& fn) {
  try {
    fn();
    ADD_FAILURE() << "no error";
  } catch (const foundation::Error& e) {
    EXPECT_TRUE(e.is(code)) << e.what();
  }
}

// --- registry ----------------------------------------------------------------------------

TEST(EyeShapeFactory, ListsItsClassesInTitleOrder) {
  const auto& factory = QRCodeEyeShapeFactory::shared();
  EXPECT_EQ(factory.availableGeneratorNames(), restricted(kFullEyeOrder, kBuiltEyes));
  EXPECT_EQ(factory.availableGeneratorNames().size(), kBuiltEyes.size());
  const auto& types = factory.registeredTypes();
  for (std::size_t i = 1; i < types.size(); ++i)
    EXPECT_TRUE(QRCodeEyeShapeFactory::titleLess(types[i - 1].title, types[i].title));
  // "Square" sorts before "Square Peg" (a prefix first), which sorts before "Squircle".
  const auto names = factory.availableGeneratorNames();
  const auto at = [&](const char* n) { return std::find(names.begin(), names.end(), n) - names.begin(); };
  EXPECT_LT(at("square"), at("squarePeg"));
  EXPECT_LT(at("squarePeg"), at("squircle"));
}

TEST(PupilShapeFactory, ListsItsClassesInTitleOrder) {
  const auto& factory = QRCodePupilShapeFactory::shared();
  EXPECT_EQ(factory.availableGeneratorNames(), restricted(kFullPupilOrder, kBuiltPupils));
  // "Blobby", "CRT", "Circle": capital R before small i.
  const auto names = factory.availableGeneratorNames();
  ASSERT_GE(names.size(), 3u);
  EXPECT_EQ(names[0], "blobby");
  EXPECT_EQ(names[1], "crt");
  EXPECT_EQ(names[2], "circle");
}

TEST(ShapeFactories, AllMakesNewDefaultInstancesInRegistryOrder) {
  const auto eyes = QRCodeEyeShapeFactory::shared().all();
  const auto eyesAgain = QRCodeEyeShapeFactory::shared().all();
  ASSERT_EQ(eyes.size(), kBuiltEyes.size());
  const auto eyeNames = QRCodeEyeShapeFactory::shared().availableGeneratorNames();
  for (std::size_t i = 0; i < eyes.size(); ++i) {
    EXPECT_EQ(eyes[i]->name(), eyeNames[i]);
    EXPECT_NE(eyes[i].get(), eyesAgain[i].get());
  }
  const auto pupils = QRCodePupilShapeFactory::shared().all();
  ASSERT_EQ(pupils.size(), kBuiltPupils.size());
  const auto pupilNames = QRCodePupilShapeFactory::shared().availableGeneratorNames();
  for (std::size_t i = 0; i < pupils.size(); ++i) EXPECT_EQ(pupils[i]->name(), pupilNames[i]);
}

TEST(ShapeFactories, ASecondFactoryBuildsTheSameList) {
  QRCodeEyeShapeFactory eyes;
  QRCodePupilShapeFactory pupils;
  EXPECT_EQ(eyes.availableGeneratorNames(), QRCodeEyeShapeFactory::shared().availableGeneratorNames());
  EXPECT_EQ(pupils.availableGeneratorNames(), QRCodePupilShapeFactory::shared().availableGeneratorNames());
  EXPECT_EQ(&QRCodeEyeShapeFactory::shared(), &QRCodeEyeShapeFactory::shared());
}

// --- creation and errors ------------------------------------------------------------------

TEST(EyeShapeFactory, NamesAreExactAndCaseSensitive) {
  const auto& factory = QRCodeEyeShapeFactory::shared();
  for (const auto& name : kBuiltEyes) EXPECT_EQ(factory.named(name)->name(), name);
  for (const char* bad : {"Square", "SQUARE", "square ", "", "roundedrect", "QRCodeEyeShapeSquare"})
    expectError(QRCodeError::unsupportedGeneratorName, [&] { factory.named(bad); });
}

TEST(ShapeFactories, NamesNotRegisteredYetAreUnsupported) {
  for (const auto& name : kFullEyeOrder) {
    if (contains(kBuiltEyes, name)) continue;
    expectError(QRCodeError::unsupportedGeneratorName, [&] { QRCodeEyeShapeFactory::shared().named(name); });
  }
  for (const auto& name : kFullPupilOrder) {
    if (contains(kBuiltPupils, name)) continue;
    expectError(QRCodeError::unsupportedGeneratorName,
                [&] { QRCodePupilShapeFactory::shared().named(name); });
  }
  // A pupil name spelled after its class name is not a name.
  expectError(QRCodeError::unsupportedGeneratorName,
              [] { QRCodePupilShapeFactory::shared().named("squareBarsHorizontal"); });
}

TEST(ShapeFactories, RecordsWithoutATextTypeCannotCreate) {
  const std::vector<foundation::Settings> bad = {
      foundation::Settings::object(),
      {{"settings", foundation::Settings::object()}},
      {{"type", 3}},
      {{"type", true}},
      {{"type", nullptr}},
      {{"type", foundation::Settings::array({"square"})}},
      foundation::Settings::array({"square"}),
      foundation::Settings("square"),
      foundation::Settings(),
  };
  for (const auto& record : bad) {
    expectError(QRCodeError::cannotCreateGenerator,
                [&] { QRCodeEyeShapeFactory::shared().createWithSettings(record); });
    expectError(QRCodeError::cannotCreateGenerator,
                [&] { QRCodePupilShapeFactory::shared().createWithSettings(record); });
  }
}

TEST(ShapeFactories, RecordsWithUnknownTypesAreUnsupported) {
  expectError(QRCodeError::unsupportedGeneratorName, [] {
    QRCodeEyeShapeFactory::shared().createWithSettings({{"type", "Square"}, {"settings", {}}});
  });
  expectError(QRCodeError::unsupportedGeneratorName, [] {
    QRCodePupilShapeFactory::shared().createWithSettings({{"type", "triangle"}});
  });
}

TEST(ShapeFactories, MalformedSettingsFallBackToDefaults) {
  for (const foundation::Settings& settings :
       {foundation::Settings("junk"), foundation::Settings(4), foundation::Settings::array({1, 2}),
        foundation::Settings()}) {
    const auto eye = QRCodeEyeShapeFactory::shared().createWithSettings(
        {{"type", "roundedRect"}, {"settings", settings}});
    EXPECT_EQ(eye->name(), "roundedRect");
    EXPECT_EQ(eye->eyePath(), QRCodeEyeShapeRoundedRect().eyePath());
    const auto pupil =
        QRCodePupilShapeFactory::shared().createWithSettings({{"type", "circle"}, {"settings", settings}});
    EXPECT_EQ(pupil->name(), "circle");
  }
  // No "settings" at all.
  EXPECT_EQ(QRCodeEyeShapeFactory::shared().createWithSettings({{"type", "square"}})->name(), "square");
}

TEST(ShapeFactories, TheNonThrowingFormHandsTheErrorBack) {
  std::optional<foundation::Error> error;
  const auto eye = foundation::attempt(
      [] { return QRCodeEyeShapeFactory::shared().named("Edges"); }, &error);
  EXPECT_FALSE(eye.has_value());
  ASSERT_TRUE(error.has_value());
  EXPECT_TRUE(error->is(QRCodeError::unsupportedGeneratorName));
}

// --- previews --------------------------------------------------------------------------------

bool opaque(const gfx::Image& image, int x, int y) { return image.pixelAt(x, y).a == 255; }
bool clear(const gfx::Image& image, int x, int y) { return image.pixelAt(x, y).a == 0; }

TEST(PupilShapeFactory, SquarePupilPreviewFillsTheEnlargedBox) {
  const gfx::Image image =
      QRCodePupilShapeFactory::previewImage(90, QRCodePupilShapeSquare(), gfx::Color::sRGB(0, 0, 0));
  ASSERT_EQ(image.width(), 90);
  ASSERT_EQ(image.height(), 90);
  testsupport::writeImagePNG(image, "eye-preview-pupil-square.png");
  for (int i = 16; i < 76; ++i) {
    EXPECT_TRUE(opaque(image, i, 16) && opaque(image, i, 75) && opaque(image, 16, i) && opaque(image, 75, i))
        << i;
    EXPECT_TRUE(clear(image, i, 15) && clear(image, i, 76) && clear(image, 15, i) && clear(image, 76, i))
        << i;
  }
}

TEST(PupilShapeFactory, PreviewIsDrawnTheRightWayUp) {
  // The rounded-outer pupil rounds only its (30, 30) corner, which the preview shows at
  // the top left of the image.
  const gfx::Image image =
      QRCodePupilShapeFactory::previewImage(180, QRCodePupilShapeRoundedOuter(), gfx::Color::sRGB(0, 0, 0));
  testsupport::writeImagePNG(image, "eye-preview-pupil-roundedOuter.png");
  EXPECT_TRUE(clear(image, 33, 33));    // eye-space (16.5, 16.5): the rounded corner
  EXPECT_TRUE(opaque(image, 149, 33));  // the other corners are square
  EXPECT_TRUE(opaque(image, 33, 149));
  EXPECT_TRUE(opaque(image, 149, 149));
}

TEST(EyeShapeFactory, PreviewShowsTheRingAndTheDefaultPupil) {
  const gfx::Color white = gfx::Color::sRGB(1, 1, 1);
  const gfx::Image image =
      QRCodeEyeShapeFactory::previewImage(180, QRCodeEyeShapeSquare(), nullptr, gfx::Color::sRGB(0, 0, 1), &white);
  testsupport::writeImagePNG(image, "eye-preview-eye-square.png");
  auto blue = [&](int x, int y) {
    const auto p = image.pixelAt(x, y);
    return p.b == 255 && p.r == 0 && p.a == 255;
  };
  auto whiteAt = [&](int x, int y) {
    const auto p = image.pixelAt(x, y);
    return p.r == 255 && p.g == 255 && p.b == 255;
  };
  // Every point (x, y) of the eye space at 2x, 2y.
  EXPECT_TRUE(blue(30, 90));    // ring (15, 45)
  EXPECT_TRUE(blue(90, 150));   // ring (45, 75)
  EXPECT_TRUE(whiteAt(50, 90)); // gap (25, 45)
  EXPECT_TRUE(blue(90, 90));    // pupil (45, 45)
  EXPECT_TRUE(blue(62, 62));    // the square pupil's corner (31, 31)
  EXPECT_TRUE(whiteAt(10, 10)); // outside the ring, background drawn, no eye background
}

TEST(EyeShapeFactory, PreviewWithAGivenPupilDrawsThatPupil) {
  const gfx::Image image = QRCodeEyeShapeFactory::previewImage(
      180, QRCodeEyeShapeRoundedRect(), QRCodePupilShapeCircle::Create().get(), gfx::Color::sRGB(0, 0, 0));
  testsupport::writeImagePNG(image, "eye-preview-eye-roundedRect-circle.png");
  EXPECT_TRUE(opaque(image, 90, 90));
  EXPECT_TRUE(clear(image, 62, 62));  // (31, 31) lies outside the circle
  EXPECT_TRUE(opaque(image, 30, 90));
  EXPECT_TRUE(clear(image, 21, 21));  // the ring's rounded outer corner
}

TEST(ShapeFactories, AllPreviewsAreLabelledInRegistryOrder) {
  const gfx::Color black = gfx::Color::sRGB(0, 0, 0);
  const auto eyes = QRCodeEyeShapeFactory::allPreviewImages(64, black);
  ASSERT_EQ(eyes.size(), kBuiltEyes.size());
  const auto eyeNames = QRCodeEyeShapeFactory::shared().availableGeneratorNames();
  for (std::size_t i = 0; i < eyes.size(); ++i) {
    EXPECT_EQ(eyes[i].first, eyeNames[i]);
    EXPECT_EQ(eyes[i].second.width(), 64);
    EXPECT_TRUE(opaque(eyes[i].second, 32, 32)) << eyes[i].first;  // the default pupil
    EXPECT_TRUE(clear(eyes[i].second, 2, 2)) << eyes[i].first;
  }
  const auto pupils = QRCodePupilShapeFactory::allPreviewImages(64, black);
  ASSERT_EQ(pupils.size(), kBuiltPupils.size());
  for (std::size_t i = 0; i < pupils.size(); ++i) {
    // The use-pixel-shape pupil shows as two bars with a gap across the middle.
    if (pupils[i].first == "usePixelShape") EXPECT_TRUE(opaque(pupils[i].second, 32, 20)) << pupils[i].first;
    else EXPECT_TRUE(opaque(pupils[i].second, 32, 32)) << pupils[i].first;
    EXPECT_TRUE(clear(pupils[i].second, 5, 5)) << pupils[i].first;
  }
}

TEST(ShapeFactories, PreviewSizeIsTheTruncatedDimension) {
  const gfx::Image image =
      QRCodePupilShapeFactory::previewImage(100.7, QRCodePupilShapeSquare(), gfx::Color::sRGB(0, 0, 0));
  EXPECT_EQ(image.width(), 100);
  EXPECT_EQ(image.height(), 100);
}

TEST(ShapeFactories, ImpossiblePreviewSizesFailCleanly) {
  const gfx::Color black = gfx::Color::sRGB(0, 0, 0);
  for (double d : {0.0, -5.0, 0.5, std::numeric_limits<double>::quiet_NaN(),
                   std::numeric_limits<double>::infinity(), 1e12}) {
    expectError(QRCodeError::cannotGenerateImage,
                [&] { QRCodePupilShapeFactory::previewImage(d, QRCodePupilShapeSquare(), black); });
    expectError(QRCodeError::cannotGenerateImage,
                [&] { QRCodeEyeShapeFactory::previewImage(d, QRCodeEyeShapeSquare(), nullptr, black); });
  }
}

}  // namespace
