#include "QRCode/core/QRCodeColor.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

RGBAComponents components(const gfx::Color& c) { return rgbaComponents(c); }

template <class F>
foundation::Error errorOf(F&& f) {
  try {
    f();
  } catch (const foundation::Error& e) {
    return e;
  }
  ADD_FAILURE() << "no error";
  return foundation::Error("none", -1, "none");
}

struct ReadCase {
  std::string text;
  RGBAComponents expected;
};

class RGBAStringReads : public testing::TestWithParam<ReadCase> {};
class RGBAStringFails : public testing::TestWithParam<std::string> {};

}  // namespace

TEST_P(RGBAStringReads, ToTheseComponents) {
  const ReadCase& c = GetParam();
  const gfx::Color color = fromRGBAString(c.text);
  EXPECT_EQ(color.space(), gfx::ColorSpace::sRGB);
  EXPECT_EQ(components(color), c.expected) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, RGBAStringReads,
    testing::Values(ReadCase{"1, 0.5 ,0 ,1", {1, 0.5, 0, 1}},
                    ReadCase{"1,,0,0,1", {1, 0, 0, 1}},           // empty field dropped
                    ReadCase{"1,x,0,0,1", {1, 0, 0, 1}},          // unreadable field dropped
                    ReadCase{",1,0,0,1,", {1, 0, 0, 1}},
                    ReadCase{"2,-1,0.5,1", {1, 0, 0.5, 1}},       // limited to 0...1
                    ReadCase{"1e-05,0,0,1", {1e-05, 0, 0, 1}},
                    ReadCase{"+1,0x1p-1,.25,1", {1, 0.5, 0.25, 1}},  // strtod grammar
                    ReadCase{"inf,-inf,INFINITY,1", {1, 0, 1, 1}},   // infinities are limited
                    ReadCase{"\t1\xC2\xA0,0\xE3\x80\x80,0,1", {1, 0, 0, 1}},  // tab, U+00A0, U+3000
                    ReadCase{"0.1,0.2,0.3,0.4", {0.1, 0.2, 0.3, 0.4}}));

TEST_P(RGBAStringFails, WithTheTextAsPayload) {
  const std::string& text = GetParam();
  const auto e = errorOf([&] { (void)fromRGBAString(text); });
  EXPECT_TRUE(e.is(RGBAComponentsError::unableToUnarchiveColor)) << e.what();
  EXPECT_EQ(e.text(), text);
}

INSTANTIATE_TEST_SUITE_P(Table, RGBAStringFails,
                         testing::Values("1,0,0", "1,0,0,1,1", "1,0,0,1\n", "\n1,0,0,1", "", ",,,",
                                         "a,b,c,d", "1 0 0 1", "1,0,0,1e",
                                         // A NaN component is refused, not passed on.
                                         "nan,0,0,1", "0,0,NaN,1", "1,0,0,nan(0x1)"));

TEST(RGBAString, WriterUsesTheShortestFormWithAFraction) {
  EXPECT_EQ(RGBAComponents(0.5, 0.25, 0, 1).stringValue(), "0.5,0.25,0.0,1.0");
  EXPECT_EQ(rgbaString(sRGB(1, 0, 0, 1)), "1.0,0.0,0.0,1.0");
  EXPECT_EQ(RGBAComponents(1e-05, -0.5, 0.1, 1).stringValue(), "1e-05,-0.5,0.1,1.0");
  EXPECT_EQ(rgbaString(commonBlack()), "0.0,0.0,0.0,1.0");
  EXPECT_EQ(rgbaString(commonWhite()), "1.0,1.0,1.0,1.0");
  EXPECT_EQ(rgbaString(commonClear()), "0.0,0.0,0.0,0.0");
  EXPECT_EQ(rgbaString(commonBlack().withAlpha(0.8)), "0.0,0.0,0.0,0.8");
}

TEST(RGBAString, ComponentsWithinRangeSurviveTheRoundTrip) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int i = 0; i < 2000; ++i) {
    const RGBAComponents c(unit(random), unit(random), unit(random), unit(random));
    EXPECT_EQ(components(fromRGBAString(c.stringValue())), c) << c.stringValue();
  }
}

TEST(SharedColors, AreGenericGrayAndShared) {
  EXPECT_EQ(commonWhite().space(), gfx::ColorSpace::genericGray);
  EXPECT_EQ(&commonClear(), &commonClear());
  EXPECT_EQ(commonClear().alpha(), 0);
  EXPECT_EQ(commonSRGB(), gfx::ColorSpace::sRGB);
  EXPECT_EQ(commonLinearRGB(), gfx::ColorSpace::linearRGB);
  EXPECT_EQ(commonExtendedGray(), gfx::ColorSpace::extendedGray);
  EXPECT_EQ(sRGB(0.1, 0.2, 0.3, 0.4), gfx::Color::sRGB(0.1, 0.2, 0.3, 0.4));
  EXPECT_EQ(genericRGB(1, 0, 0, 1).space(), gfx::ColorSpace::genericRGB);
  EXPECT_EQ(genericGray(0.5, 1).space(), gfx::ColorSpace::genericGray);
}

// --- hex ---------------------------------------------------------------------------------

TEST(HexString, WriterTruncatesClampsAndDropsAlpha) {
  struct Case {
    gfx::Color color;
    const char* hex;
  };
  for (const Case& c : {Case{sRGB(0.5, 0.5, 0.5, 1), "#7f7f7f"}, Case{sRGB(1, 1, 1, 1), "#ffffff"},
                        Case{sRGB(1, 0, 0, 0.5), "#ff0000"}, Case{commonWhite(), "#ffffff"},
                        Case{commonBlack(), "#000000"}, Case{sRGB(0.1, 0.2, 0.3, 1), "#19334c"},
                        // Out of range and NaN: clamped to 0...255, NaN as 0.
                        Case{sRGB(2, -1, kNaN, 1), "#ff0000"}, Case{sRGB(1e300, -1e300, 0, 1), "#ff0000"},
                        Case{sRGB(kNaN, kNaN, kNaN, kNaN), "#000000"}}) {
    EXPECT_EQ(hexString(c.color), c.hex);
  }
}

TEST(HexString, ReaderAcceptsThreeFourSixAndEightDigits) {
  struct Case {
    const char* text;
    RGBAComponents expected;
  };
  for (const Case& c : {Case{"#FFF", {1, 1, 1, 1}}, Case{"fff", {1, 1, 1, 1}}, Case{"ffff", {1, 1, 1, 1}},
                        Case{"#1a2b3c", {0x1a / 255.0, 0x2b / 255.0, 0x3c / 255.0, 1}},
                        Case{"#1A2B3C80", {0x1a / 255.0, 0x2b / 255.0, 0x3c / 255.0, 128 / 255.0}},
                        Case{"#0000", {0, 0, 0, 0}}, Case{"abc", {0xaa / 255.0, 0xbb / 255.0, 0xcc / 255.0, 1}}}) {
    const gfx::Color color = fromHexString(c.text);
    EXPECT_EQ(color.space(), gfx::ColorSpace::sRGB);
    EXPECT_EQ(components(color), c.expected) << c.text;
  }
  EXPECT_EQ(fromHexString("#ffffff", gfx::ColorSpace::genericRGB).space(), gfx::ColorSpace::genericRGB);
}

TEST(HexString, ReaderRefusesEverythingElse) {
  for (const char* text : {"#12345", "##fff", " #fff", "#fff ", "0xffffff", "", "#", "#ggg", "#ffffffffff",
                           // Only hexadecimal digits: nothing that strtod would also take.
                           "#0x1", "#0x12", "#+fff", "#-fffff", "#1.5", "#1.5ff", "#1e+5", "#1p-3", "#inf",
                           "#nan", "# fff", "#ff\nf"}) {
    const auto e = errorOf([&] { (void)fromHexString(text); });
    EXPECT_TRUE(e.is(QRCodeError::invalidHexColorString)) << text << ": " << e.what();
  }
  // A space that cannot hold four components refuses too.
  EXPECT_TRUE(errorOf([] { (void)fromHexString("#fff", gfx::ColorSpace::genericGray); })
                  .is(QRCodeError::invalidHexColorString));
}

TEST(HexString, WhatTheWriterWritesTheReaderReads) {
  for (int v = 0; v < 256; v += 5) {
    const gfx::Color c = sRGB(v / 255.0, (255 - v) / 255.0, (v * 7 % 256) / 255.0, 1);
    EXPECT_EQ(hexString(fromHexString(hexString(c))), hexString(c));
  }
}

TEST(Components, ConvertOtherSpacesToSRGB) {
  EXPECT_EQ(components(commonWhite()), RGBAComponents(1, 1, 1, 1));
  EXPECT_EQ(components(gfx::Color::genericCMYK(0, 0, 0, 0, 0.5)), RGBAComponents(1, 1, 1, 0.5));
  EXPECT_EQ(components(sRGB(0.25, 0.5, 0.75, 1)), RGBAComponents(0.25, 0.5, 0.75, 1));
}
