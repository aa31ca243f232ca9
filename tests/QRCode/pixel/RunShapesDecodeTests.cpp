#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "PixelTestSupport.hpp"
#include "QRCode/QRCodePixelShape.hpp"

// The bar and connected rounded shapes draw the data modules of a real code of a URL into a
// 300-pixel picture (finder patterns as plain squares, quiet zone around), which ZXing and
// zbar must read. Set VL_PIXEL_PNG_DIR to keep the pictures.
//
// Limits found by sweeping in steps of 0.01 (not asserted where a decoder is near its
// edge): bars with round ends stop reading with zbar from insetFraction 0.75 (horizontal)
// or 0.76 (vertical) and with ZXing from 0.80; bars with square corners read up to 0.8
// and stop before 0.9. The rounded-end-indent and rounded-path shapes read at every
// cornerRadiusFraction in 0...1, with and without inner corners.

namespace {

using foundation::Settings;
using pixeltest::contains;
using pixeltest::shareURL;

std::string pngPath(const std::string& label) {
  const char* dir = std::getenv("VL_PIXEL_PNG_DIR");
  return dir ? std::string(dir) + "/run_" + label + ".png" : std::string();
}

const QRCodeBoolMatrix& urlMatrix() {
  static const QRCodeBoolMatrix m = pixeltest::codeMatrix(shareURL());
  return m;
}

struct Reading {
  bool zxing = false;
  bool zbar = false;
};

Reading read(QRCodePixelShapeGenerator& shape, const std::string& label, int size = 300) {
  const auto results = pixeltest::renderCode(shape, urlMatrix(), size, size * 2 / 25, pngPath(label)).decode();
  return {contains(results.zxing, shareURL()), contains(results.zbar, shareURL())};
}

TEST(RunShapesDecode, DefaultsRead) {
  for (const char* name : {"horizontal", "vertical", "roundedEndIndent", "roundedPath"}) {
    SCOPED_TRACE(name);
    auto shape = QRCodePixelShapeFactory::shared().named(name);
    const Reading r = read(*shape, name);
    EXPECT_TRUE(r.zxing);
    EXPECT_TRUE(r.zbar);
    // A large picture reads as well.
    const Reading large = read(*shape, std::string(name) + "_900", 900);
    EXPECT_TRUE(large.zxing);
    EXPECT_TRUE(large.zbar);
  }
}

struct Styled {
  const char* name;
  const char* label;
  const char* settings;
};

TEST(RunShapesDecode, StyledShapesRead) {
  const std::vector<Styled> styled{
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
    const Reading r = read(*shape, label);
    EXPECT_TRUE(r.zxing);
    EXPECT_TRUE(r.zbar);
  }
}

TEST(RunShapesDecode, BarsInsetToNothingDoNotRead) {
  for (const char* name : {"horizontal", "vertical"}) {
    SCOPED_TRACE(name);
    auto shape = QRCodePixelShapeFactory::shared().named(name, Settings::parse(R"({"insetFraction": 1.0})"));
    const Reading r = read(*shape, std::string(name) + "_emptied");
    EXPECT_FALSE(r.zxing);
    EXPECT_FALSE(r.zbar);
  }
}

}  // namespace
