#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "QRCode/core/QRCodeColor.hpp"
#include "QRCode/design/QRCodeShadow.hpp"
#include "platform/foundation/Error.hpp"

namespace {

using ShadowType = QRCodeShadow::ShadowType;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// The drop-shadow filter for id "x", written out line by line as the SVG reader expects.
std::string expectedDropFilter(const std::string& a, const std::string& rgb, const std::string& s,
                               const std::string& dx, const std::string& dy) {
  return "<filter\n"
         "   style='color-interpolation-filters:sRGB'\n"
         "   id='x'\n"
         "   x='-0.1'\n"
         "   y='-0.1'\n"
         "   width='1.2'\n"
         "   height='1.2'>\n"
         "     <feFlood\n"
         "      result='flood-x'\n"
         "      in='SourceGraphic'\n"
         "      flood-opacity='" + a + "'\n"
         "      flood-color='" + rgb + "'\n"
         "      id='feFlood-x' />\n"
         "     <feGaussianBlur\n"
         "      result='blur'\n"
         "      in='SourceGraphic'\n"
         "      stdDeviation='" + s + "'\n"
         "      id='feGaussian-x' />\n"
         "     <feOffset\n"
         "      result='offset-x'\n"
         "      in='blur'\n"
         "      dx='" + dx + "'\n"
         "      dy='" + dy + "'\n"
         "      id='feOffset-x' />\n"
         "     <feComposite\n"
         "      result='comp1'\n"
         "      operator='in'\n"
         "      in='flood-x'\n"
         "      in2='offset-x'\n"
         "      id='feComposite-x-6' />\n"
         "     <feComposite\n"
         "      result='comp2'\n"
         "      operator='over'\n"
         "      in='SourceGraphic'\n"
         "      in2='comp1'\n"
         "      id='feComposite-x-7' />\n"
         "   </filter>\n";
}

std::string expectedInnerFilter(const std::string& a, const std::string& rgb, const std::string& s,
                                const std::string& dx, const std::string& dy) {
  return "<filter\n"
         " style='color-interpolation-filters:sRGB'\n"
         " id='x'\n"
         "   x='-0.1'\n"
         "   y='-0.1'\n"
         "   width='1.2'\n"
         "   height='1.2'>\n"
         "  <feFlood\n"
         "      result='flood-x'\n"
         "      in='SourceGraphic'\n"
         "      flood-opacity='" + a + "'\n"
         "      flood-color='" + rgb + "'\n"
         "      id='feFlood-x' />\n"
         "  <feGaussianBlur\n"
         "      result='blur'\n"
         "      in='SourceGraphic'\n"
         "      stdDeviation='" + s + "'\n"
         "      id='feGaussian-x' />\n"
         "  <feOffset\n"
         "      result='offset-x'\n"
         "      in='blur'\n"
         "      dx='" + dx + "'\n"
         "      dy='" + dy + "'\n"
         "      id='feOffset-x' />\n"
         "  <feComposite\n"
         "      result='comp1'\n"
         "      operator='out'\n"
         "      in='flood-x'\n"
         "      in2='offset-x'\n"
         "      id='feComposite-x-6' />\n"
         "  <feComposite\n"
         "      result='comp2'\n"
         "      operator='atop'\n"
         "      in='comp1'\n"
         "      in2='SourceGraphic'\n"
         "     id='feComposite-x-7' />\n"
         "</filter>\n";
}

TEST(QRCodeShadow, DefaultValues) {
  QRCodeShadow shadow;
  EXPECT_EQ(shadow.offset().width, 0.2);
  EXPECT_EQ(shadow.offset().height, -0.2);
  EXPECT_EQ(shadow.blur(), 4.0);
  EXPECT_EQ(shadow.type(), ShadowType::dropShadow);
  const RGBAComponents c = qrcolor::rgbaComponents(shadow.color());
  EXPECT_EQ(c.r, 0.0);
  EXPECT_EQ(c.g, 0.0);
  EXPECT_EQ(c.b, 0.0);
  EXPECT_EQ(c.a, 0.8);
}

TEST(QRCodeShadow, DefaultSettings) {
  const foundation::Settings s = QRCodeShadow().settings();
  ASSERT_TRUE(s.is_object());
  EXPECT_EQ(s.size(), 5u);
  EXPECT_EQ(foundation::doubleValue(s, "offset-width"), 0.2);
  EXPECT_EQ(foundation::doubleValue(s, "offset-height"), -0.2);
  EXPECT_EQ(foundation::doubleValue(s, "blur"), 4.0);
  EXPECT_EQ(foundation::int64Value(s, "type"), 0);
  EXPECT_EQ(foundation::stringValue(s, "color"), "0.0,0.0,0.0,0.8");
}

TEST(QRCodeShadow, SettingsRoundTrip) {
  QRCodeShadow shadow(ShadowType::innerShadow, 1.5, -2.25, 7.0, qrcolor::sRGB(1.0, 0.5, 0.25, 0.75));
  const auto back = QRCodeShadow::Create(shadow.settings());
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->type(), ShadowType::innerShadow);
  EXPECT_EQ(back->offset(), (gfx::Size{1.5, -2.25}));
  EXPECT_EQ(back->blur(), 7.0);
  EXPECT_EQ(qrcolor::rgbaComponents(back->color()), RGBAComponents(1.0, 0.5, 0.25, 0.75));
  EXPECT_EQ(back->settings(), shadow.settings());
}

TEST(QRCodeShadow, CreateRefusesBadDictionaries) {
  const foundation::Settings good = QRCodeShadow().settings();
  struct Case {
    const char* what;
    const char* key;
    foundation::Settings value;  // null: remove the key
  };
  const Case cases[] = {
      {"type 2", "type", 2},
      {"type -1", "type", -1},
      {"type as text", "type", "0"},
      {"no color", "color", nullptr},
      {"color not text", "color", 1},
      {"color unreadable", "color", "red"},
      {"no blur", "blur", nullptr},
      {"blur as text", "blur", "4"},
      {"offset-width missing", "offset-width", nullptr},
      {"offset-height as text", "offset-height", "1"},
      {"blur NaN", "blur", kNaN},
      {"offset-width infinite", "offset-width", kInf},
  };
  for (const Case& c : cases) {
    foundation::Settings s = good;
    if (c.value.is_null()) {
      s.erase(c.key);
    } else {
      s[c.key] = c.value;
    }
    EXPECT_EQ(QRCodeShadow::Create(s), nullptr) << c.what;
  }
  EXPECT_EQ(QRCodeShadow::Create(foundation::Settings::object()), nullptr);
  EXPECT_EQ(QRCodeShadow::Create(foundation::Settings()), nullptr);
  EXPECT_EQ(QRCodeShadow::Create(foundation::Settings::array({1, 2})), nullptr);
  EXPECT_NE(QRCodeShadow::Create(good), nullptr);
}

TEST(QRCodeShadow, BooleansCountAsNumbers) {
  foundation::Settings s = QRCodeShadow().settings();
  s["type"] = true;  // 1: inner shadow
  s["blur"] = false;
  const auto shadow = QRCodeShadow::Create(s);
  ASSERT_NE(shadow, nullptr);
  EXPECT_EQ(shadow->type(), ShadowType::innerShadow);
  EXPECT_EQ(shadow->blur(), 0.0);
}

TEST(QRCodeShadow, ValuesAreKeptSound) {
  QRCodeShadow shadow(ShadowType::dropShadow, kNaN, kInf, kNaN, gfx::Color::sRGB(kNaN, 0, 0, 1));
  EXPECT_EQ(shadow.offset().width, QRCodeShadow::defaultOffsetWidth);
  EXPECT_EQ(shadow.offset().height, QRCodeShadow::defaultOffsetHeight);
  EXPECT_EQ(shadow.blur(), QRCodeShadow::defaultBlur);
  EXPECT_EQ(shadow.color(), QRCodeShadow::defaultColor());

  shadow.setBlur(1e12);
  EXPECT_EQ(shadow.blur(), QRCodeShadow::maxBlur);
  shadow.setBlur(-3);
  EXPECT_EQ(shadow.blur(), 0.0);
  shadow.setOffset({1e9, -1e9});
  EXPECT_EQ(shadow.offset(), (gfx::Size{QRCodeShadow::maxOffset, -QRCodeShadow::maxOffset}));

  foundation::Settings s = QRCodeShadow().settings();
  s["blur"] = 1e300;
  const auto read = QRCodeShadow::Create(s);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->blur(), QRCodeShadow::maxBlur);
}

TEST(QRCodeShadow, CopyIsIndependent) {
  QRCodeShadow shadow(ShadowType::innerShadow, 1, 2, 3, qrcolor::sRGB(0.1, 0.2, 0.3, 0.4));
  const auto copy = shadow.copyShadow();
  ASSERT_NE(copy.get(), &shadow);
  EXPECT_EQ(copy->settings(), shadow.settings());
  copy->setBlur(9);
  copy->setType(ShadowType::dropShadow);
  EXPECT_EQ(shadow.blur(), 3.0);
  EXPECT_EQ(shadow.type(), ShadowType::innerShadow);
}

TEST(QRCodeShadow, DrawingOffsetIsScaledBlurIsNot) {
  const QRCodeShadow shadow(ShadowType::dropShadow, 1, 2, 4, qrcolor::sRGB(0, 0, 0, 1));
  EXPECT_EQ(shadow.scaledOffset(10), (gfx::Size{10, 20}));
  EXPECT_EQ(shadow.blur(), 4.0);
  EXPECT_EQ(shadow.scaledOffset(kNaN), (gfx::Size{0, 0}));
}

TEST(QRCodeShadow, DropFilterOfTheDefaultShadow) {
  EXPECT_EQ(QRCodeShadow().svgDropShadowFilter("x", 10),
            expectedDropFilter("0.8", "rgb(0,0,0)", "2.0", "2.0", "2.0"));
}

TEST(QRCodeShadow, InnerFilterOfTheDefaultShadow) {
  EXPECT_EQ(QRCodeShadow().svgInnerShadowFilter("x", 10),
            expectedInnerFilter("0.8", "rgb(0,0,0)", "2.0", "2.0", "2.0"));
}

TEST(QRCodeShadow, FilterValuesTruncateAndFlipTheHeight) {
  // 0.5 * 255 = 127.5 truncates to 127; 1.0 gives 255; a positive height gives a
  // negative dy.
  QRCodeShadow shadow(ShadowType::dropShadow, -0.5, 0.25, 3.0, qrcolor::sRGB(0.5, 1.0, 0.0, 0.5));
  EXPECT_EQ(shadow.svgDropShadowFilter("x", 4),
            expectedDropFilter("0.5", "rgb(127,255,0)", "1.5", "-2.0", "-1.0"));
  EXPECT_EQ(shadow.svgInnerShadowFilter("x", 4),
            expectedInnerFilter("0.5", "rgb(127,255,0)", "1.5", "-2.0", "-1.0"));
}

TEST(QRCodeShadow, FilterIdIsInsertedUnchanged) {
  const std::string text = QRCodeShadow().svgDropShadowFilter("fill-a-shadow", 1);
  EXPECT_NE(text.find("   id='fill-a-shadow'\n"), std::string::npos);
  EXPECT_NE(text.find("      id='feComposite-fill-a-shadow-7' />\n"), std::string::npos);
  EXPECT_NE(text.find("      in2='offset-fill-a-shadow'\n"), std::string::npos);
}

}  // namespace
