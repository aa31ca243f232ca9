#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "QRCode/core/QRCodeColor.hpp"
#include "QRCode/core/QRCodeError.hpp"
#include "QRCode/design/QRCodeDesign.hpp"
#include "QRCode/design/QRCodeFillStyleSolid.hpp"
#include "QRCode/eye/QRCodeEyeShapesRounded.hpp"
#include "QRCode/eye/QRCodePupilShapesRounded.hpp"
#include "QRCode/pixel/CommonPixelShapes.hpp"
#include "QRCode/pixel/QRCodePixelInsetGenerator.hpp"
#include "platform/foundation/Error.hpp"
#include "platform/foundation/Text.hpp"

namespace {

using foundation::Settings;

Settings record(const char* type, Settings settings = Settings::object()) {
  return {{"type", type}, {"settings", std::move(settings)}};
}

TEST(QRCodeShape, Defaults) {
  const auto shape = QRCodeShape::create();
  EXPECT_EQ(shape->onPixels()->name(), "square");
  EXPECT_EQ(shape->onPixels()->settings(), QRCodePixelShapeSquare::Create()->settings());
  EXPECT_EQ(shape->offPixels(), nullptr);
  EXPECT_FALSE(shape->negatedOnPixelsOnly());
  EXPECT_EQ(shape->eye()->name(), "square");
  EXPECT_EQ(shape->pupil(), nullptr);
  // The square eye's default pupil is one shared object.
  EXPECT_EQ(shape->actualPupilShape()->name(), "square");
  EXPECT_EQ(shape->actualPupilShape(), QRCodeShape::create()->actualPupilShape());
}

TEST(QRCodeShape, SettingTheEyeClearsThePupil) {
  const auto shape = QRCodeShape::create();
  const auto pupil = QRCodePupilShapeCircle::Create();
  shape->setPupil(pupil);
  EXPECT_EQ(shape->actualPupilShape(), pupil);
  shape->setEye(std::make_shared<QRCodeEyeShapeRoundedRect>());
  EXPECT_EQ(shape->pupil(), nullptr);
  EXPECT_EQ(shape->actualPupilShape()->name(), "roundedRect");
  shape->setPupil(pupil);  // a pupil set after the eye sticks
  EXPECT_EQ(shape->pupil(), pupil);
  // A null eye or on-pixel shape is replaced by the default one.
  shape->setEye(nullptr);
  EXPECT_EQ(shape->eye()->name(), "square");
  shape->setOnPixels(nullptr);
  ASSERT_NE(shape->onPixels(), nullptr);
}

TEST(QRCodeShape, Settings) {
  const auto shape = QRCodeShape::create();
  const Settings s = shape->settings();
  EXPECT_EQ(s.size(), 3u);
  EXPECT_EQ(s["onPixels"], shape->onPixels()->typeAndSettings());
  EXPECT_EQ(s["eye"], (Settings{{"type", "square"}, {"settings", Settings::object()}}));
  EXPECT_EQ(s["negatedOnPixelsOnly"], false);
  EXPECT_FALSE(s.contains("pupil"));
  EXPECT_FALSE(s.contains("offPixels"));
}

TEST(QRCodeShape, ReaderPrecedence) {
  const Settings a = record("arrow", {{"insetFraction", 0.25}});
  const Settings b = record("flower");
  // "data" wins over "onPixels"; "onPixels" alone is read.
  EXPECT_EQ(QRCodeShape::CreateWithSettings({{"data", a}, {"onPixels", b}})->onPixels()->name(), "arrow");
  EXPECT_EQ(QRCodeShape::CreateWithSettings({{"data", a}, {"onPixels", b}})->onPixels()->settingValueForKey<double>("insetFraction"),
            0.25);
  EXPECT_EQ(QRCodeShape::CreateWithSettings({{"onPixels", b}})->onPixels()->name(), "flower");
  // An unreadable "data" leaves "onPixels" in charge.
  EXPECT_EQ(QRCodeShape::CreateWithSettings({{"data", record("nothing")}, {"onPixels", b}})->onPixels()->name(),
            "flower");
  // "dataInverted" wins over "offPixels" and has nothing to do with the flag.
  const auto inverted = QRCodeShape::CreateWithSettings({{"dataInverted", a}, {"offPixels", b}});
  ASSERT_NE(inverted->offPixels(), nullptr);
  EXPECT_EQ(inverted->offPixels()->name(), "arrow");
  EXPECT_FALSE(inverted->negatedOnPixelsOnly());
  // The pupil is read after the eye, so it survives the eye's assignment.
  const auto both = QRCodeShape::CreateWithSettings({{"pupil", record("circle")}, {"eye", record("roundedRect")}});
  EXPECT_EQ(both->eye()->name(), "roundedRect");
  ASSERT_NE(both->pupil(), nullptr);
  EXPECT_EQ(both->pupil()->name(), "circle");
  const auto eyeOnly = QRCodeShape::CreateWithSettings({{"eye", record("roundedRect")}});
  EXPECT_EQ(eyeOnly->pupil(), nullptr);
  EXPECT_EQ(eyeOnly->actualPupilShape(), eyeOnly->eye()->defaultPupil());
}

TEST(QRCodeShape, ReaderIgnoresBadEntries) {
  const Settings s = {{"onPixels", record("unknown")},
                      {"eye", "square"},
                      {"pupil", {{"settings", Settings::object()}}},
                      {"offPixels", 3},
                      {"negatedOnPixelsOnly", 1}};  // only a boolean counts
  const auto shape = QRCodeShape::CreateWithSettings(s);
  EXPECT_EQ(shape->onPixels()->name(), "square");
  EXPECT_EQ(shape->eye()->name(), "square");
  EXPECT_EQ(shape->pupil(), nullptr);
  EXPECT_EQ(shape->offPixels(), nullptr);
  EXPECT_FALSE(shape->negatedOnPixelsOnly());
  EXPECT_TRUE(QRCodeShape::CreateWithSettings({{"negatedOnPixelsOnly", true}})->negatedOnPixelsOnly());
}

TEST(QRCodeShape, CopyIsIndependent) {
  const auto shape = QRCodeShape::create();
  shape->setOffPixels(QRCodePixelShapeArrow::Create());
  const auto copy = shape->copyShape();
  EXPECT_EQ(copy->settings(), shape->settings());
  EXPECT_NE(copy->onPixels(), shape->onPixels());
  EXPECT_NE(copy->offPixels(), shape->offPixels());
  EXPECT_NE(copy->eye(), shape->eye());
  EXPECT_EQ(copy->pupil(), nullptr);
  ASSERT_TRUE(copy->onPixels()->setSettingValue(0.5, "insetFraction"));
  EXPECT_EQ(shape->onPixels()->settingValueForKey<double>("insetFraction"), 0.0);
}

// A design with every optional field set.
std::shared_ptr<QRCodeDesign> fullDesign() {
  auto design = QRCodeDesign::make();
  auto& shape = *design->shape();
  shape.setOnPixels(std::make_shared<QRCodePixelShapeRoundedRect>(0.7, std::make_shared<QRCodePixelInsetFixed>(), 0.1,
                                                                   0.0, false));
  shape.setOffPixels(QRCodePixelShapeFlower::Create({{"insetFraction", 0.2}}));
  shape.setEye(std::make_shared<QRCodeEyeShapeRoundedOuter>());
  shape.setPupil(QRCodePupilShapeLeaf::Create());
  shape.setNegatedOnPixelsOnly(true);
  auto& style = *design->style();
  style.setOnPixels(QRCodeFillStyleSolid::withSrgbRed(0.1, 0.2, 0.3, 1));
  style.setEye(QRCodeFillStyleSolid::withSrgbRed(0.4, 0.5, 0.6, 1));
  style.setPupil(QRCodeFillStyleSolid::withSrgbRed(0.7, 0.8, 0.9, 1));
  style.setBackground(QRCodeFillStyleSolid::withSrgbRed(1, 1, 0.5, 0.5));
  style.setOffPixels(QRCodeFillStyleSolid::withSrgbRed(0, 0, 1, 0.25));
  style.setBackgroundFractionalCornerRadius(0.75);
  style.setEyeBackground(qrcolor::sRGB(1, 0, 0, 1));
  style.setOnPixelsBackground(qrcolor::sRGB(0, 1, 0, 1));
  style.setOffPixelsBackground(qrcolor::sRGB(0, 0, 1, 1));
  style.setShadow(std::make_shared<QRCodeShadow>(QRCodeShadow::ShadowType::innerShadow, 0.5, 0.5, 2, qrcolor::sRGB(0, 0, 0, 0.5)));
  design->setAdditionalQuietZonePixels(2);
  return design;
}

TEST(QRCodeDesign, DefaultSettings) {
  const Settings s = QRCodeDesign().settings();
  EXPECT_EQ(s.size(), 2u);
  EXPECT_EQ(s["shape"], QRCodeShape::create()->settings());
  EXPECT_EQ(s["style"], QRCodeStyle().settings());
  QRCodeDesign two;
  two.setAdditionalQuietZonePixels(2);
  EXPECT_EQ(two.settings()["additionalQuietZonePixels"], 2);
}

TEST(QRCodeDesign, FullJSONRoundTrip) {
  const auto design = fullDesign();
  const Settings written = design->settings();
  const foundation::Bytes json = design->jsonData();
  // The text is compact JSON.
  EXPECT_EQ(foundation::stringOf(json).find('\n'), std::string::npos);
  const auto back = QRCodeDesign::CreateWithJsonData(json);
  EXPECT_EQ(back->settings(), written);
  EXPECT_EQ(back->additionalQuietZonePixels(), 2u);
  const auto& shape = *back->shape();
  EXPECT_EQ(shape.onPixels()->name(), "roundedRect");
  EXPECT_EQ(shape.onPixels()->settingValueForKey<double>("cornerRadiusFraction"), 0.7);
  ASSERT_NE(shape.offPixels(), nullptr);
  EXPECT_EQ(shape.offPixels()->name(), "flower");
  EXPECT_EQ(shape.eye()->name(), "roundedOuter");
  ASSERT_NE(shape.pupil(), nullptr);
  EXPECT_EQ(shape.pupil()->name(), "leaf");
  EXPECT_TRUE(shape.negatedOnPixelsOnly());
  const auto& style = *back->style();
  ASSERT_TRUE(style.eyeBackground() && style.onPixelsBackground() && style.offPixelsBackground());
  EXPECT_EQ(qrcolor::rgbaComponents(*style.offPixelsBackground()), RGBAComponents(0, 0, 1, 1));
  ASSERT_NE(style.shadow(), nullptr);
  EXPECT_EQ(style.shadow()->offset(), (gfx::Size{0.5, 0.5}));
  EXPECT_EQ(style.backgroundFractionalCornerRadius(), 0.75);
}

TEST(QRCodeDesign, ReadingEmptyGivesTheDefault) {
  const auto design = QRCodeDesign::CreateWithSettings(Settings::object());
  EXPECT_EQ(design->shape()->settings(), QRCodeShape::create()->settings());
  EXPECT_EQ(design->additionalQuietZonePixels(), 0u);
  EXPECT_EQ(design->style()->settings(), QRCodeStyle().settings());
}

TEST(QRCodeDesign, ReadingTheQuietZone) {
  const struct {
    Settings value;
    std::uint64_t expected;
  } cases[] = {
      {2, 2},        {"3", 0},      {-3, 0},        {2.9, 2},    {0.5, 0},         {true, 1},
      {1000, 1000},  {1001, 1000},  {1e300, 1000},  {-1e300, 0}, {Settings::array({2}), 0},
      {std::numeric_limits<double>::quiet_NaN(), 0}, {std::numeric_limits<std::uint64_t>::max(), 1000},
  };
  for (const auto& c : cases) {
    const auto design = QRCodeDesign::CreateWithSettings({{"additionalQuietZonePixels", c.value}});
    EXPECT_EQ(design->additionalQuietZonePixels(), c.expected) << c.value.dump();
  }
}

TEST(QRCodeDesign, JSONReaderErrors) {
  for (const char* text : {"[1, 2]", "not json", "", "\"text\"", "{\"shape\": "}) {
    try {
      QRCodeDesign::CreateWithJsonData(foundation::bytesOf(text));
      ADD_FAILURE() << text;
    } catch (const foundation::Error& e) {
      EXPECT_TRUE(e.is(QRCodeError::cannotCreateGenerator)) << text << ": " << e.what();
    }
  }
}

TEST(QRCodeDesign, FluentColours) {
  auto design = QRCodeDesign::make(qrcolor::sRGB(1, 0, 0, 1), std::nullopt);
  const auto* on = dynamic_cast<const QRCodeFillStyleSolid*>(design->style()->onPixels().get());
  ASSERT_NE(on, nullptr);
  EXPECT_EQ(on->color(), qrcolor::sRGB(1, 0, 0, 1));
  // No background colour gives a solid of the clear colour, not an absent background.
  const auto* bg = dynamic_cast<const QRCodeFillStyleSolid*>(design->style()->background().get());
  ASSERT_NE(bg, nullptr);
  EXPECT_EQ(bg->color(), qrcolor::commonClear());

  design->style()->setEye(QRCodeFillStyleSolid::withGray(0.5));
  QRCodeDesign& same = design->foregroundColor(qrcolor::sRGB(0, 0, 1, 1)).backgroundColor(qrcolor::sRGB(1, 1, 1, 1));
  EXPECT_EQ(&same, design.get());
  EXPECT_EQ(design->style()->eye(), nullptr);
  const auto fill = QRCodeFillStyleSolid::withGray(0.25);
  design->foregroundStyle(fill);
  EXPECT_EQ(design->style()->onPixels(), fill);
}

TEST(QRCodeDesign, CopyIsDeep) {
  const auto design = fullDesign();
  const auto copy = design->copyDesign();
  EXPECT_EQ(copy->settings(), design->settings());
  EXPECT_NE(copy->shape(), design->shape());
  EXPECT_NE(copy->style(), design->style());
  copy->setAdditionalQuietZonePixels(5);
  copy->style()->setBackgroundFractionalCornerRadius(0);
  EXPECT_EQ(design->additionalQuietZonePixels(), 2u);
  EXPECT_EQ(design->style()->backgroundFractionalCornerRadius(), 0.75);
}

TEST(QRCodeDesign, WriterRefusesNonFiniteNumbers) {
  QRCodeDesign design;
  design.style()->setBackgroundFractionalCornerRadius(std::numeric_limits<double>::infinity());
  try {
    design.jsonData();
    ADD_FAILURE() << "no error";
  } catch (const foundation::Error& e) {
    EXPECT_TRUE(e.is(QRCodeError::cannotGenerateJSON)) << e.what();
  }
}

}  // namespace
