#include "QRCode/KvelGradient.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "platform/graphics/Canvas.hpp"

namespace {

using GradientError = KvelGradient::GradientError;

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

struct BadText {
  std::string text;
  GradientError error;
};

class GradientStringFails : public testing::TestWithParam<BadText> {};

RGBAComponents rgba(const KvelGradientPin& pin) { return qrcolor::rgbaComponents(pin.color()); }

// A gradient string of n pins spread evenly over 0...1.
std::string evenPins(std::size_t n) {
  std::string text;
  // Appended piece by piece: g++ 12's -Wrestrict misreads `"..." + std::string` at -O2.
  for (std::size_t i = 0; i < n; ++i) {
    if (i) text += '|';
    text += std::to_string(static_cast<double>(i) / static_cast<double>(n - 1));
    text += ":1,0.5,0,1";
  }
  return text;
}

}  // namespace

TEST_P(GradientStringFails, WithItsError) {
  const auto e = errorOf([&] { (void)KvelGradient::FromRGBAGradientString(GetParam().text); });
  EXPECT_TRUE(e.is(GetParam().error)) << GetParam().text << ": " << e.what();
}

INSTANTIATE_TEST_SUITE_P(
    Table, GradientStringFails,
    testing::Values(BadText{"", GradientError::tooFewPins}, BadText{"0:1,0,0,1", GradientError::tooFewPins},
                    BadText{"0:1,0,0,1|", GradientError::tooFewPins}, BadText{"||", GradientError::tooFewPins},
                    BadText{"0:1:0,0,1|1:0,0,0,1", GradientError::tooFewPins},
                    BadText{"1|0:1,0,0,1", GradientError::tooFewPins},
                    BadText{"x:1,0,0,1|1:0,0,0,1", GradientError::invalidPin},
                    BadText{"0:1,0,0,1|\n1:0,0,0,1", GradientError::invalidPin},
                    BadText{"0:1,0,0|1:0,0,0,1", GradientError::invalidColor},
                    BadText{"0:1,0,0,1,1|1:0,0,0,1", GradientError::invalidColor},
                    BadText{"0:1,0,0,1|1:0,0,1e-5,1", GradientError::invalidColor},  // no exponents here
                    BadText{"0:1,0,0,1|1:0,0,nan,1", GradientError::invalidColor},
                    BadText{evenPins(KvelGradient::maxPins + 1), GradientError::invalidPin}));

TEST(GradientString, ReaderIsLenientWhereTheFormatAllows) {
  // Empty fields dropped; blanks and tabs around positions and components.
  const KvelGradient a = KvelGradient::FromRGBAGradientString("0:1,0,0,1||1:0,0,1,0.5");
  ASSERT_EQ(a.pins().size(), 2u);
  const KvelGradient b = KvelGradient::FromRGBAGradientString(" 0 :\t1 , 0 ,0, 1|\t1\t: 0,0,1,0.5");
  EXPECT_EQ(a, b);
  // An unreadable component among five is dropped and four remain.
  const KvelGradient c = KvelGradient::FromRGBAGradientString("0:1,0,y,0,1|1:0,0,1,0.5");
  EXPECT_EQ(rgba(c.pins()[0]), RGBAComponents(1, 0, 0, 1));
  // Positions are limited and the pins sorted: -1 becomes 0 and comes first.
  const KvelGradient d = KvelGradient::FromRGBAGradientString("1.5:1,0,0,1|-1:0,1,0,1");
  EXPECT_EQ(d.pins()[0].position(), 0);
  EXPECT_EQ(rgba(d.pins()[0]), RGBAComponents(0, 1, 0, 1));
  EXPECT_EQ(d.pins()[1].position(), 1);
  // Equal positions keep their order in the text; components are limited too.
  const KvelGradient e = KvelGradient::FromRGBAGradientString("0.5:1,0,0,1|0.5:0,0,1,1|0.5:2,-3,0,1");
  EXPECT_EQ(rgba(e.pins()[0]), RGBAComponents(1, 0, 0, 1));
  EXPECT_EQ(rgba(e.pins()[1]), RGBAComponents(0, 0, 1, 1));
  EXPECT_EQ(rgba(e.pins()[2]), RGBAComponents(1, 0, 0, 1));
  // The position follows the number text rule (hexadecimal, sign, inf).
  EXPECT_EQ(KvelGradient::FromRGBAGradientString("0x1p-2:0,0,0,1|+inf:1,1,1,1").pins()[0].position(), 0.25);
}

TEST(GradientString, ReadsUpToTheMostPins) {
  EXPECT_EQ(KvelGradient::maxPins, 1024u);
  EXPECT_EQ(KvelGradient::FromRGBAGradientString(evenPins(KvelGradient::maxPins)).pins().size(), 1024u);
}

TEST(GradientString, WriterAndReaderRoundTrip) {
  const KvelGradient g = KvelGradient::FromRGBAGradientString("0:1,0,0,1|1:0,0,1,0.5");
  const std::string text = g.asRGBAGradientString();
  EXPECT_EQ(text, "0.0:1,0,0,1|1.0:0,0,1,0.5");
  EXPECT_EQ(KvelGradient::FromRGBAGradientString(text), g);
  // Four fraction digits at most, half to even; positions in the shortest form.
  const KvelGradient third({{0.25, qrcolor::sRGB(1.0 / 3, 0.00005, 0.12345, 1)}, {0.8, qrcolor::commonWhite()}});
  EXPECT_EQ(third.asRGBAGradientString(), "0.25:0.3333,0,0.1234,1|0.8:1,1,1,1");
  // A component that is not a number is written 0.
  const KvelGradient nan({{0, qrcolor::sRGB(std::nan(""), 0, 0, 1)}, {1, qrcolor::commonBlack()}});
  EXPECT_EQ(nan.asRGBAGradientString(), "0.0:0,0,0,1|1.0:0,0,0,1");
}

TEST(GradientPin, PositionIsLimited) {
  EXPECT_EQ(KvelGradientPin(qrcolor::commonBlack(), 2).position(), 1);
  EXPECT_EQ(KvelGradientPin(qrcolor::commonBlack(), -0.5).position(), 0);
  EXPECT_EQ(KvelGradientPin(qrcolor::commonBlack(), std::nan("")).position(), 0);
  EXPECT_EQ(KvelGradientPin(qrcolor::commonBlack(), 0.3).position(), 0.3);
  const KvelGradientPin pin = KvelGradientPin::withHexColor("#ff000080", 0.5);
  EXPECT_EQ(rgba(pin), RGBAComponents(1, 0, 0, 128 / 255.0));
  EXPECT_EQ(pin.copyPin(), pin);
  EXPECT_TRUE(errorOf([] { (void)KvelGradientPin::withHexColor("red", 0); }).is(QRCodeError::invalidHexColorString));
}

TEST(Gradient, ConstructorSortsStablyByPosition) {
  // Pins come out sorted by position whatever order they were given in; equal positions
  // keep their order.
  const KvelGradient g({KvelGradientPin(qrcolor::sRGB(0, 0, 1, 1), 1), KvelGradientPin(qrcolor::sRGB(1, 0, 0, 1), 0),
                        KvelGradientPin(qrcolor::sRGB(0, 1, 0, 1), 0)},
                       gfx::ColorSpace::sRGB);
  ASSERT_EQ(g.pins().size(), 3u);
  EXPECT_EQ(rgba(g.pins()[0]), RGBAComponents(1, 0, 0, 1));
  EXPECT_EQ(rgba(g.pins()[1]), RGBAComponents(0, 1, 0, 1));
  EXPECT_EQ(rgba(g.pins()[2]), RGBAComponents(0, 0, 1, 1));
  const auto& stops = g.cgGradient().stops();
  ASSERT_EQ(stops.size(), 3u);
  EXPECT_EQ(stops[0].location, 0);
  EXPECT_EQ(stops[0].rgba, (std::array<double, 4>{1, 0, 0, 1}));
  EXPECT_EQ(stops[2].location, 1);
}

TEST(Gradient, OtherConstructorsAndTheirErrors) {
  const KvelGradient hex(std::vector<std::pair<double, std::string>>{{0, "#000"}, {1, "#fff"}});
  EXPECT_EQ(hex.asRGBAGradientString(), "0.0:0,0,0,1|1.0:1,1,1,1");
  EXPECT_TRUE(errorOf([] {
                (void)KvelGradient(std::vector<std::pair<double, std::string>>{{0, "#000"}, {1, "#12345"}});
              }).is(QRCodeError::invalidHexColorString));
  EXPECT_TRUE(errorOf([] { (void)KvelGradient(std::vector<KvelGradientPin>{}, gfx::ColorSpace::sRGB); })
                  .is(GradientError::cannotCreateCoreGraphicsGradient));
  EXPECT_NO_THROW((void)KvelGradient({KvelGradientPin(qrcolor::commonBlack(), 0.5)}, gfx::ColorSpace::sRGB));
}

TEST(Gradient, CopyHasEqualPinsAndKeepsTheirColours) {
  const KvelGradient g({KvelGradientPin(qrcolor::commonWhite(), 0.2), KvelGradientPin(qrcolor::sRGB(1, 0, 0, 0.5), 0.9)},
                       gfx::ColorSpace::genericGray);
  const KvelGradient copy = g.copyGradient();
  EXPECT_EQ(copy, g);
  EXPECT_EQ(copy.pins()[0].color().space(), gfx::ColorSpace::genericGray);
  EXPECT_EQ(copy.asRGBAGradientString(), g.asRGBAGradientString());
}

TEST(Gradient, ItsTwoEndsCarryThePinColoursWhenDrawn) {
  const KvelGradient g = KvelGradient::FromRGBAGradientString("0:1,0,0,1|1:0,0,1,1");
  gfx::Canvas canvas = gfx::Canvas::bitmap(100, 20);
  canvas.drawLinearGradient(g.cgGradient(), {10, 0}, {90, 0}, gfx::GradientExtend::both);
  const gfx::Image image = canvas.makeImage();
  EXPECT_EQ(image.pixelAt(5, 10), (gfx::Image::RGBA{255, 0, 0, 255}));
  EXPECT_EQ(image.pixelAt(95, 10), (gfx::Image::RGBA{0, 0, 255, 255}));
  const auto middle = image.pixelAt(50, 10);
  EXPECT_NEAR(middle.r, 128, 4);
  EXPECT_NEAR(middle.b, 128, 4);
}
