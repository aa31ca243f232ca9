#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "PixelTestSupport.hpp"
#include "QRCode/QRCodePixelShape.hpp"

// Every shape draws the data modules of a real code of a URL into a 300-pixel picture
// (finder patterns as plain squares, quiet zone around), which ZXing and zbar must read.
// Set VL_KEEP_TEST_FILES to keep the pictures.
//
// For the bar and connected rounded shapes, limits found by sweeping in steps of 0.01
// (not asserted where a decoder is near its edge): bars with round ends stop reading with zbar from insetFraction 0.75 (horizontal)
// or 0.76 (vertical) and with ZXing from 0.80; bars with square corners read up to 0.8
// and stop before 0.9. The rounded-end-indent and rounded-path shapes read at every
// cornerRadiusFraction in 0...1, with and without inner corners.

namespace {

using foundation::Settings;
using pixeltest::contains;
using pixeltest::shareURL;

std::string pngPath(const std::string& label) {
  return std::getenv("VL_KEEP_TEST_FILES") ? testsupport::testPath("pixel_" + label + ".png").string() : std::string();
}

const QRCodeBoolMatrix& urlMatrix() {
  static const QRCodeBoolMatrix m = pixeltest::codeMatrix(shareURL());
  return m;
}

struct Reading {
  bool zxing = false;
  bool zbar = false;
};

// The code drawn into a picture of size pixels with a quiet zone of 2/25 of that.
Reading read(QRCodePixelShapeGenerator& shape, const std::string& label, int size = 300) {
  const auto results = pixeltest::renderCode(shape, urlMatrix(), size, size * 2 / 25, pngPath(label)).decode();
  return {contains(results.zxing, shareURL()), contains(results.zbar, shareURL())};
}

Settings settingsOf(const std::string& json) { return Settings::parse(json); }

TEST(PixelShapeDecode, TheCodeUnderTestIsARealSymbol) {
  // Version 6 (41 modules) with the one-module border.
  EXPECT_EQ(urlMatrix().dimension(), 43);
  // The plain picture reads, and a picture without data modules does not.
  auto square = QRCodePixelShapeSquare::Create();
  const Reading plain = read(*square, "plain");
  EXPECT_TRUE(plain.zxing);
  EXPECT_TRUE(plain.zbar);
  auto empty = QRCodePixelShapeSquare::Create(settingsOf(R"({"insetFraction": 1.0})"));
  const Reading none = read(*empty, "emptied");
  EXPECT_FALSE(none.zxing);
  EXPECT_FALSE(none.zbar);
}

TEST(PixelShapeDecode, EveryShapeWithItsDefaultsReads) {
  for (const auto& shape : QRCodePixelShapeFactory::shared().all()) {
    const std::string name(shape->name());
    SCOPED_TRACE(name);
    const Reading r = read(*shape, name);
    EXPECT_TRUE(r.zbar);
    // The donut's hole lies on the module centre, where ZXing samples each module: ZXing
    // sees light modules there, zbar reads the code.
    if (name == "donut") {
      RecordProperty("donutZXing", r.zxing ? "read" : "unread");
    } else {
      EXPECT_TRUE(r.zxing);
    }
  }
}

TEST(PixelShapeDecode, SharePanelShapeReads) {
  QRCodePixelShapeRoundedRect share(0.7, std::make_shared<QRCodePixelInsetFixed>(), 0.1, 0.0, false);
  const Reading r = read(share, "share");
  EXPECT_TRUE(r.zxing);
  EXPECT_TRUE(r.zbar);
}

struct Styled {
  const char* label;
  const char* settings;
};

// Settings at which every shape with settings still reads with both decoders (found by
// sweeping each setting in steps of 0.1; the closing limits are kept in the notes).
const std::vector<Styled>& readableSettings() {
  static const std::vector<Styled> list{
      {"fixed06", R"({"insetGeneratorName": "fixed", "insetFraction": 0.6})"},
      {"random07", R"({"insetGeneratorName": "random", "insetFraction": 0.7})"},
      {"punch10", R"({"insetGeneratorName": "punch", "insetFraction": 1.0})"},
      {"hwave09", R"({"insetGeneratorName": "horizontalWave", "insetFraction": 0.9})"},
      {"vwave09", R"({"insetGeneratorName": "verticalWave", "insetFraction": 0.9})"},
      {"rot0125", R"({"rotationFraction": 0.125, "insetFraction": 0.2})"},
      {"rot025", R"({"rotationFraction": 0.25})"},
      {"randomRot05", R"({"rotationFraction": 0.5, "useRandomRotation": true, "insetFraction": 0.3})"},
      {"oldRandomFlag", R"({"useRandomInset": true, "insetFraction": 0.5, "cornerRadiusFraction": 1.0})"},
  };
  return list;
}

TEST(PixelShapeDecode, ShapesReadWithInsetsAndRotations) {
  for (const auto& shape : QRCodePixelShapeFactory::shared().all()) {
    const std::string name(shape->name());
    if (shape->settings().empty() || name == "donut") continue;  // no settings to vary
    // The table varies inset generators; shapes without one read insetFraction their own way.
    if (!shape->supportsSettingValueForKey("insetGeneratorName")) continue;
    for (const auto& styled : readableSettings()) {
      SCOPED_TRACE(name + " " + styled.label);
      auto g = QRCodePixelShapeFactory::shared().named(name, settingsOf(styled.settings));
      const Reading r = read(*g, name + "_" + styled.label);
      EXPECT_TRUE(r.zxing);
      EXPECT_TRUE(r.zbar);
    }
  }
}

TEST(PixelShapeDecode, BarAndRoundedShapesReadSmallAndLarge) {
  for (const char* name : {"horizontal", "vertical", "roundedEndIndent", "roundedPath"}) {
    SCOPED_TRACE(name);
    auto shape = QRCodePixelShapeFactory::shared().named(name);
    const Reading r = read(*shape, std::string("run_") + name);
    EXPECT_TRUE(r.zxing);
    EXPECT_TRUE(r.zbar);
    // A large picture reads as well.
    const Reading large = read(*shape, std::string("run_") + name + "_900", 900);
    EXPECT_TRUE(large.zxing);
    EXPECT_TRUE(large.zbar);
  }
}

struct NamedStyled {
  const char* name;
  const char* label;
  const char* settings;
};

TEST(PixelShapeDecode, BarAndRoundedShapesReadWhenStyled) {
  const std::vector<NamedStyled> styled{
      {"horizontal", "touching", R"({"insetFraction": 0.0, "cornerRadiusFraction": 1.0})"},
      {"horizontal", "thin", R"({"insetFraction": 0.6, "cornerRadiusFraction": 1.0})"},
      {"horizontal", "square", R"({"insetFraction": 0.3, "cornerRadiusFraction": 0.0})"},
      {"vertical", "touching", R"({"insetFraction": 0.0, "cornerRadiusFraction": 0.5})"},
      {"vertical", "thin", R"({"insetFraction": 0.6, "cornerRadiusFraction": 1.0})"},
      {"vertical", "thinSquare", R"({"insetFraction": 0.7, "cornerRadiusFraction": 0.0})"},
      {"roundedEndIndent", "sharp", R"({"cornerRadiusFraction": 0.0, "hasInnerCorners": false})"},
      {"roundedEndIndent", "roundInner", R"({"cornerRadiusFraction": 1.0, "hasInnerCorners": true})"},
      {"roundedPath", "sharp", R"({"cornerRadiusFraction": 0.0, "hasInnerCorners": true})"},
      {"roundedPath", "roundNoInner", R"({"cornerRadiusFraction": 1.0, "hasInnerCorners": false})"},
      {"roundedPath", "round", R"({"cornerRadiusFraction": 1.0, "hasInnerCorners": true})"},
  };
  for (const auto& s : styled) {
    const std::string label = std::string(s.name) + "_" + s.label;
    SCOPED_TRACE(label);
    auto shape = QRCodePixelShapeFactory::shared().named(s.name, Settings::parse(s.settings));
    const Reading r = read(*shape, "run_" + label);
    EXPECT_TRUE(r.zxing);
    EXPECT_TRUE(r.zbar);
  }
}

TEST(PixelShapeDecode, BarsInsetToNothingDoNotRead) {
  for (const char* name : {"horizontal", "vertical"}) {
    SCOPED_TRACE(name);
    auto shape = QRCodePixelShapeFactory::shared().named(name, Settings::parse(R"({"insetFraction": 1.0})"));
    const Reading r = read(*shape, std::string("run_") + name + "_emptied");
    EXPECT_FALSE(r.zxing);
    EXPECT_FALSE(r.zbar);
  }
}

}  // namespace
