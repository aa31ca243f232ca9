#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "QRCode/core/QRCodeColor.hpp"
#include "QRCode/design/QRCodeFillStyleSolid.hpp"
#include "QRCode/design/QRCodeStyle.hpp"
#include "platform/foundation/Error.hpp"

namespace {

using foundation::Settings;

const QRCodeFillStyleSolid& asSolid(const QRCodeFillStyleGeneratorPtr& fill) {
  const auto* solid = dynamic_cast<const QRCodeFillStyleSolid*>(fill.get());
  if (!solid) throw std::runtime_error("not a solid fill");
  return *solid;
}

Settings solidRecord(const char* color) { return {{"type", "solid"}, {"settings", {{"color", color}}}}; }

TEST(QRCodeStyle, Defaults) {
  const auto style = QRCodeStyle::make();
  EXPECT_EQ(asSolid(style->onPixels()).color(), qrcolor::commonBlack());
  ASSERT_NE(style->background(), nullptr);
  EXPECT_EQ(asSolid(style->background()).color(), qrcolor::commonWhite());
  EXPECT_EQ(style->offPixels(), nullptr);
  EXPECT_EQ(style->eye(), nullptr);
  EXPECT_EQ(style->pupil(), nullptr);
  EXPECT_EQ(style->shadow(), nullptr);
  EXPECT_FALSE(style->onPixelsBackground());
  EXPECT_FALSE(style->offPixelsBackground());
  EXPECT_FALSE(style->eyeBackground());
  EXPECT_EQ(style->backgroundFractionalCornerRadius(), 0.0);
}

TEST(QRCodeStyle, DefaultWritesOnlyTheTwoFills) {
  const Settings s = QRCodeStyle().settings();
  EXPECT_EQ(s, (Settings{{"onPixels", solidRecord("0.0,0.0,0.0,1.0")}, {"background", solidRecord("1.0,1.0,1.0,1.0")}}));
}

TEST(QRCodeStyle, ColourEntriesAndRadius) {
  QRCodeStyle style;
  style.setEyeBackground(qrcolor::sRGB(1, 0, 0, 1));
  style.setBackgroundFractionalCornerRadius(0.25);
  const Settings s = style.settings();
  EXPECT_EQ(s["eyeBackground"], (Settings{{"color", "1.0,0.0,0.0,1.0"}}));
  EXPECT_EQ(foundation::doubleValue(s, "backgroundFractionalCornerRadius"), 0.25);
}

TEST(QRCodeStyle, ReadingRadius) {
  const struct {
    Settings value;
    double expected;
  } cases[] = {{-1, 0.0}, {3.0, 3.0}, {0.5, 0.5}, {"0.5", 0.0}, {true, 1.0},
               {std::numeric_limits<double>::quiet_NaN(), 0.0}};
  for (const auto& c : cases) {
    const auto style = QRCodeStyle::CreateWithSettings({{"backgroundFractionalCornerRadius", c.value}});
    EXPECT_EQ(style->backgroundFractionalCornerRadius(), c.expected) << c.value.dump();
  }
}

TEST(QRCodeStyle, AbsentBackgroundReadsAsNone) {
  const auto fromEmpty = QRCodeStyle::CreateWithSettings(Settings::object());
  EXPECT_EQ(fromEmpty->background(), nullptr);
  EXPECT_EQ(asSolid(fromEmpty->onPixels()).color(), qrcolor::commonBlack());

  const auto fromOnPixels = QRCodeStyle::CreateWithSettings({{"onPixels", solidRecord("1.0,0.0,0.0,1.0")}});
  EXPECT_EQ(fromOnPixels->background(), nullptr);
  EXPECT_EQ(qrcolor::rgbaComponents(asSolid(fromOnPixels->onPixels()).color()), RGBAComponents(1, 0, 0, 1));

  // A background that is not a dictionary, or that the factory cannot read, is none too.
  EXPECT_EQ(QRCodeStyle::CreateWithSettings({{"background", "white"}})->background(), nullptr);
  EXPECT_EQ(QRCodeStyle::CreateWithSettings({{"background", {{"type", "plaid"}}}})->background(), nullptr);
  // A style written without a background reads back without one.
  QRCodeStyle none;
  none.setBackground(nullptr);
  EXPECT_EQ(QRCodeStyle::CreateWithSettings(none.settings())->background(), nullptr);
}

TEST(QRCodeStyle, BadEntriesFallBack) {
  const Settings s = {
      {"onPixels", {{"type", "Solid"}, {"settings", {{"color", "1.0,0.0,0.0,1.0"}}}}},
      {"eye", "red"},
      {"eyeBackground", {{"color", 5}}},
      {"onPixelsBackground", "1.0,0.0,0.0,1.0"},
      {"offPixelsBackground", {{"color", "1,0,0"}}},
      {"shadow", {{"type", 3}}},
  };
  const auto style = QRCodeStyle::CreateWithSettings(s);
  EXPECT_EQ(asSolid(style->onPixels()).color(), qrcolor::commonBlack());
  EXPECT_EQ(style->eye(), nullptr);
  EXPECT_FALSE(style->eyeBackground());
  EXPECT_FALSE(style->onPixelsBackground());
  EXPECT_FALSE(style->offPixelsBackground());
  EXPECT_EQ(style->shadow(), nullptr);
}

TEST(QRCodeStyle, ForegroundStyleClearsEyeAndPupil) {
  QRCodeStyle style;
  const auto eye = QRCodeFillStyleSolid::withGray(0.2);
  const auto pupil = QRCodeFillStyleSolid::withGray(0.4);
  style.setEye(eye);
  style.setPupil(pupil);
  EXPECT_EQ(style.actualEyeStyle(), eye);
  EXPECT_EQ(style.actualPupilStyle(), pupil);
  style.setPupil(nullptr);
  EXPECT_EQ(style.actualPupilStyle(), eye);
  style.setPupil(pupil);

  const auto foreground = QRCodeFillStyleSolid::withGray(0.6);
  style.setForegroundStyle(foreground);
  EXPECT_EQ(style.onPixels(), foreground);
  EXPECT_EQ(style.eye(), nullptr);
  EXPECT_EQ(style.pupil(), nullptr);
  EXPECT_EQ(style.actualEyeStyle(), foreground);
  EXPECT_EQ(style.actualPupilStyle(), foreground);
}

TEST(QRCodeStyle, CopyIsDeep) {
  QRCodeStyle style;
  style.setEye(QRCodeFillStyleSolid::withGray(0.2));
  style.setOffPixels(QRCodeFillStyleSolid::withGray(0.3));
  style.setShadow(std::make_shared<QRCodeShadow>());
  style.setOnPixelsBackground(qrcolor::sRGB(0, 1, 0, 1));
  style.setBackground(nullptr);
  style.setBackgroundFractionalCornerRadius(0.5);
  const auto copy = style.copyStyle();
  EXPECT_EQ(copy->settings(), style.settings());
  EXPECT_NE(copy->onPixels(), style.onPixels());
  EXPECT_NE(copy->eye(), style.eye());
  EXPECT_NE(copy->offPixels(), style.offPixels());
  EXPECT_NE(copy->shadow(), style.shadow());
  EXPECT_EQ(copy->background(), nullptr);  // an absent background stays absent
  EXPECT_EQ(copy->pupil(), nullptr);
  copy->shadow()->setBlur(1);
  EXPECT_EQ(style.shadow()->blur(), 4.0);
}

TEST(QRCodeStyle, FullRoundTrip) {
  QRCodeStyle style;
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
  const Settings s = style.settings();
  EXPECT_EQ(s.size(), 10u);
  const auto back = QRCodeStyle::CreateWithSettings(s);
  EXPECT_EQ(back->settings(), s);
  EXPECT_EQ(qrcolor::rgbaComponents(asSolid(back->pupil()).color()), RGBAComponents(0.7, 0.8, 0.9, 1));
  ASSERT_NE(back->shadow(), nullptr);
  EXPECT_EQ(back->shadow()->type(), QRCodeShadow::ShadowType::innerShadow);
}

}  // namespace

TEST(QRCodeStyle, ColoursThatAreNotFiniteAreWrittenSoTheyReadBack) {
  // A component that is not a number becomes 0, an infinite one 0 or 1, where the colour
  // enters: the solid fill and the three colour entries.
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  constexpr double inf = std::numeric_limits<double>::infinity();
  const struct {
    gfx::Color given;
    RGBAComponents expected;
  } cases[] = {
      {qrcolor::sRGB(nan, 0.5, 0.25, 1), {0, 0.5, 0.25, 1}},
      {qrcolor::sRGB(inf, -inf, 0.5, nan), {1, 0, 0.5, 0}},
      {qrcolor::sRGB(0.5, 0.5, 0.5, inf), {0.5, 0.5, 0.5, 1}},
  };
  for (const auto& c : cases) {
    QRCodeStyle style;
    style.setOnPixels(QRCodeFillStyleSolid::make(c.given));
    style.setEyeBackground(c.given);
    style.setOnPixelsBackground(c.given);
    style.setOffPixelsBackground(c.given);
    const auto back = QRCodeStyle::CreateWithSettings(Settings::parse(style.settings().dump()));
    SCOPED_TRACE(style.settings().dump());
    EXPECT_EQ(qrcolor::rgbaComponents(asSolid(back->onPixels()).color()), c.expected);
    for (const auto* colour : {&back->eyeBackground(), &back->onPixelsBackground(), &back->offPixelsBackground()}) {
      ASSERT_TRUE(colour->has_value());
      EXPECT_EQ(qrcolor::rgbaComponents(**colour), c.expected);
    }
  }
}
