#include "QRCode/core/QRCodeColor.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

RGBAComponents components(const gfx::Color& c) { return qrcolor::rgbaComponents(c); }

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
  const gfx::Color color = qrcolor::fromRGBAString(c.text);
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
  const auto e = errorOf([&] { (void)qrcolor::fromRGBAString(text); });
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
  EXPECT_EQ(qrcolor::rgbaString(qrcolor::sRGB(1, 0, 0, 1)), "1.0,0.0,0.0,1.0");
  EXPECT_EQ(RGBAComponents(1e-05, -0.5, 0.1, 1).stringValue(), "1e-05,-0.5,0.1,1.0");
  EXPECT_EQ(qrcolor::rgbaString(qrcolor::commonBlack()), "0.0,0.0,0.0,1.0");
  EXPECT_EQ(qrcolor::rgbaString(qrcolor::commonWhite()), "1.0,1.0,1.0,1.0");
  EXPECT_EQ(qrcolor::rgbaString(qrcolor::commonClear()), "0.0,0.0,0.0,0.0");
  EXPECT_EQ(qrcolor::rgbaString(qrcolor::commonBlack().withAlpha(0.8)), "0.0,0.0,0.0,0.8");
}

TEST(RGBAString, ComponentsWithinRangeSurviveTheRoundTrip) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int i = 0; i < 2000; ++i) {
    const RGBAComponents c(unit(random), unit(random), unit(random), unit(random));
    EXPECT_EQ(components(qrcolor::fromRGBAString(c.stringValue())), c) << c.stringValue();
  }
}

TEST(SharedColors, AreGenericGrayAndShared) {
  EXPECT_EQ(qrcolor::commonWhite().space(), gfx::ColorSpace::genericGray);
  EXPECT_EQ(&qrcolor::commonClear(), &qrcolor::commonClear());
  EXPECT_EQ(qrcolor::commonClear().alpha(), 0);
  EXPECT_EQ(qrcolor::commonSRGB(), gfx::ColorSpace::sRGB);
  EXPECT_EQ(qrcolor::commonLinearRGB(), gfx::ColorSpace::linearRGB);
  EXPECT_EQ(qrcolor::commonExtendedGray(), gfx::ColorSpace::extendedGray);
  EXPECT_EQ(qrcolor::sRGB(0.1, 0.2, 0.3, 0.4), gfx::Color::sRGB(0.1, 0.2, 0.3, 0.4));
  EXPECT_EQ(qrcolor::genericRGB(1, 0, 0, 1).space(), gfx::ColorSpace::genericRGB);
  EXPECT_EQ(qrcolor::genericGray(0.5, 1).space(), gfx::ColorSpace::genericGray);
}

// --- hex ---------------------------------------------------------------------------------

TEST(HexString, WriterTruncatesClampsAndDropsAlpha) {
  struct Case {
    gfx::Color color;
    const char* hex;
  };
  for (const Case& c : {Case{qrcolor::sRGB(0.5, 0.5, 0.5, 1), "#7f7f7f"}, Case{qrcolor::sRGB(1, 1, 1, 1), "#ffffff"},
                        Case{qrcolor::sRGB(1, 0, 0, 0.5), "#ff0000"}, Case{qrcolor::commonWhite(), "#ffffff"},
                        Case{qrcolor::commonBlack(), "#000000"}, Case{qrcolor::sRGB(0.1, 0.2, 0.3, 1), "#19334c"},
                        // Out of range and NaN: clamped to 0...255, NaN as 0.
                        Case{qrcolor::sRGB(2, -1, kNaN, 1), "#ff0000"}, Case{qrcolor::sRGB(1e300, -1e300, 0, 1), "#ff0000"},
                        Case{qrcolor::sRGB(kNaN, kNaN, kNaN, kNaN), "#000000"}}) {
    EXPECT_EQ(qrcolor::hexString(c.color), c.hex);
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
    const gfx::Color color = qrcolor::fromHexString(c.text);
    EXPECT_EQ(color.space(), gfx::ColorSpace::sRGB);
    EXPECT_EQ(components(color), c.expected) << c.text;
  }
  EXPECT_EQ(qrcolor::fromHexString("#ffffff", gfx::ColorSpace::genericRGB).space(), gfx::ColorSpace::genericRGB);
}

TEST(HexString, ReaderRefusesEverythingElse) {
  for (const char* text : {"#12345", "##fff", " #fff", "#fff ", "0xffffff", "", "#", "#ggg", "#ffffffffff",
                           // Only hexadecimal digits: nothing that strtod would also take.
                           "#0x1", "#0x12", "#+fff", "#-fffff", "#1.5", "#1.5ff", "#1e+5", "#1p-3", "#inf",
                           "#nan", "# fff", "#ff\nf"}) {
    const auto e = errorOf([&] { (void)qrcolor::fromHexString(text); });
    EXPECT_TRUE(e.is(QRCodeError::invalidHexColorString)) << text << ": " << e.what();
  }
  // A space that cannot hold four components refuses too.
  EXPECT_TRUE(errorOf([] { (void)qrcolor::fromHexString("#fff", gfx::ColorSpace::genericGray); })
                  .is(QRCodeError::invalidHexColorString));
}

TEST(HexString, WhatTheWriterWritesTheReaderReads) {
  for (int v = 0; v < 256; v += 5) {
    const gfx::Color c = qrcolor::sRGB(v / 255.0, (255 - v) / 255.0, (v * 7 % 256) / 255.0, 1);
    EXPECT_EQ(qrcolor::hexString(qrcolor::fromHexString(qrcolor::hexString(c))), qrcolor::hexString(c));
  }
}

TEST(Components, ConvertOtherSpacesToSRGB) {
  EXPECT_EQ(components(qrcolor::commonWhite()), RGBAComponents(1, 1, 1, 1));
  EXPECT_EQ(components(gfx::Color::genericCMYK(0, 0, 0, 0, 0.5)), RGBAComponents(1, 1, 1, 0.5));
  EXPECT_EQ(components(qrcolor::sRGB(0.25, 0.5, 0.75, 1)), RGBAComponents(0.25, 0.5, 0.75, 1));
}
