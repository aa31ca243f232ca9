// The shared decoders themselves: grey and RGBA input, light-on-dark codes, strides, and
// images that hold no code.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "QRCode/QRCode+Core.hpp"
#include "support/Decode.hpp"

namespace {

const std::string kText = "decoder check 12345";

ModuleImage sample() {
  QRCodeEngineExternal engine;
  return matrixImage(engine.generateWithText(kText, 1), 4, 5);
}

TEST(DecodeSupport, GreyImage) {
  QRCodeEngineExternal engine;
  const QRCodeBoolMatrix m = engine.generateWithText(kText, 1);
  const ModuleImage image = matrixImage(m, 4, 5);
  EXPECT_EQ(image.size, (m.dimension() + 8) * 5);
  EXPECT_EQ(image.pixels[static_cast<std::size_t>(image.size) * 25 + 25], 0);  // module (1, 1)
  EXPECT_EQ(image.pixels[static_cast<std::size_t>(image.size) * 24 + 24], 255);  // border
  const DecodeResults r = decodeBoth(image);
  EXPECT_EQ(r.zxing, std::vector<std::string>{kText});
  EXPECT_EQ(r.zbar, std::vector<std::string>{kText});
}

TEST(DecodeSupport, RGBAWithStrideAndColours) {
  const ModuleImage image = sample();
  const int w = image.size;
  const std::size_t stride = static_cast<std::size_t>(w) * 4 + 12;  // padded rows
  std::vector<std::uint8_t> rgba(stride * static_cast<std::size_t>(w), 0xAB);
  for (int y = 0; y < w; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = rgba.data() + static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x) * 4;
      const bool dark = image.pixels[static_cast<std::size_t>(y) * w + x] == 0;
      // Dark blue modules on a pale yellow ground, opaque.
      p[0] = dark ? 10 : 250;
      p[1] = dark ? 20 : 240;
      p[2] = dark ? 120 : 200;
      p[3] = 255;
    }
  EXPECT_EQ(decodeWithZXing(rgba.data(), w, w, 4, stride), std::vector<std::string>{kText});
  EXPECT_EQ(decodeWithZbar(rgba.data(), w, w, 4, stride), std::vector<std::string>{kText});
}

TEST(DecodeSupport, TransparentGroundCountsAsWhite) {
  const ModuleImage image = sample();
  const int w = image.size;
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(w) * w * 4, 0);
  for (std::size_t i = 0; i < image.pixels.size(); ++i)
    if (image.pixels[i] == 0) rgba[i * 4 + 3] = 255;  // opaque black modules, clear elsewhere
  EXPECT_EQ(decodeWithZXing(rgba.data(), w, w, 4, static_cast<std::size_t>(w) * 4),
            std::vector<std::string>{kText});
  EXPECT_EQ(decodeWithZbar(rgba.data(), w, w, 4, static_cast<std::size_t>(w) * 4),
            std::vector<std::string>{kText});
}

TEST(DecodeSupport, LightOnDark) {
  ModuleImage image = sample();
  for (auto& v : image.pixels) v = static_cast<std::uint8_t>(255 - v);
  const DecodeResults r = decodeBoth(image);
  EXPECT_EQ(r.zxing, std::vector<std::string>{kText});
  EXPECT_EQ(r.zbar, std::vector<std::string>{kText});
}

TEST(DecodeSupport, NothingToFind) {
  ModuleImage blank;
  blank.size = 64;
  blank.pixels.assign(64 * 64, 255);
  EXPECT_TRUE(decodeBoth(blank).zxing.empty());
  EXPECT_TRUE(decodeBoth(blank).zbar.empty());
  EXPECT_TRUE(decodeWithZXing(nullptr, 10, 10, 1, 10).empty());
  EXPECT_TRUE(decodeWithZbar(blank.pixels.data(), 64, 64, 3, 64).empty());  // bad channel count
}

}  // namespace
