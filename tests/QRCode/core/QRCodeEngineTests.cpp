#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "QRCode/QRCode+Core.hpp"
#include "support/Decode.hpp"

namespace {

const std::string kURL = "https://vidlumen.app/wallpaper/aurora-borealis?utm_source=share&x=1";

std::shared_ptr<QRCodeEngine> engineNamed(const std::string& name) {
  for (auto& engine : QRCode::QRCodeAvailableEngines())
    if (engine->name() == name) return engine;
  return nullptr;
}

bool raises(QRCodeError expected, auto&& fn) {
  try {
    fn();
  } catch (const foundation::Error& e) {
    return e.is(expected);
  }
  return false;
}

std::span<const std::uint8_t> bytesOf(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// Every result: square, one-module unset border, the top-left finder corner at (1, 1), and
// the three finder patterns where they belong.
void expectSymbolShape(const QRCodeBoolMatrix& m) {
  const std::int64_t d = m.dimension();
  ASSERT_GE(d, 23);
  EXPECT_EQ((d - 2 - 17) % 4, 0) << "symbol size must be 17 + 4 * version";
  for (std::int64_t i = 0; i < d; ++i) {
    EXPECT_FALSE(m.value(0, i));
    EXPECT_FALSE(m.value(d - 1, i));
    EXPECT_FALSE(m.value(i, 0));
    EXPECT_FALSE(m.value(i, d - 1));
  }
  // Finder patterns: a 7 x 7 ring around a 3 x 3 core, at (1,1), (1,d-8) and (d-8,1).
  for (auto [r0, c0] : {std::pair{std::int64_t(1), std::int64_t(1)}, {1, d - 8}, {d - 8, 1}}) {
    for (int r = 0; r < 7; ++r)
      for (int c = 0; c < 7; ++c) {
        const bool ring = r == 0 || r == 6 || c == 0 || c == 6;
        const bool core = r >= 2 && r <= 4 && c >= 2 && c <= 4;
        EXPECT_EQ(m.value(r0 + r, c0 + c), ring || core) << r0 + r << "," << c0 + c;
      }
  }
  EXPECT_TRUE(m.value(1, 1));
}

void expectDecodes(const QRCodeBoolMatrix& m, const std::string& expected, const char* tag) {
  const ModuleImage image = matrixImage(m, 4, m.dimension() > 100 ? 3 : 4);
  writeGreyPNG(image, std::string("qr_core_") + tag + ".png");
  const DecodeResults results = decodeBoth(image);
  ASSERT_EQ(results.zxing.size(), 1u) << tag;
  EXPECT_EQ(results.zxing[0], expected) << tag;
  ASSERT_EQ(results.zbar.size(), 1u) << tag;
  EXPECT_EQ(results.zbar[0], expected) << tag;
}

class BothEngines : public ::testing::TestWithParam<const char*> {
 protected:
  std::shared_ptr<QRCodeEngine> engine = engineNamed(GetParam());
};

TEST_P(BothEngines, URLAtEveryLevelDecodes) {
  ASSERT_TRUE(engine);
  for (int level = 0; level < 4; ++level) {
    const QRCodeBoolMatrix m = engine->generateWithText(kURL, level);
    expectSymbolShape(m);
    expectDecodes(m, kURL, (std::string(GetParam()) + "_url_" + std::to_string(level)).c_str());
  }
}

TEST_P(BothEngines, DecodersReadTheLevelAsked) {
  // Bytes that exactly fill a version 1 symbol at each level (17, 14, 11 and 7 bytes at
  // L, M, Q and H), so that no engine can raise the level without a larger symbol.
  const struct {
    const char* letter;
    std::size_t capacity;
  } levels[] = {{"L", 17}, {"M", 14}, {"Q", 11}, {"H", 7}};
  for (int level = 0; level < 4; ++level) {
    SCOPED_TRACE(levels[level].letter);
    const std::string payload(levels[level].capacity, 'v');
    const QRCodeBoolMatrix m = engine->generateWithData(bytesOf(payload), level);
    EXPECT_EQ(m.dimension(), 21 + 2);
    EXPECT_EQ(zxingLevels(matrixImage(m)), std::vector<std::string>{levels[level].letter});
  }
}

TEST_P(BothEngines, HigherLevelsNeedNoSmallerSymbols) {
  std::int64_t previous = 0;
  for (int level = 0; level < 4; ++level) {
    const std::int64_t d = engine->generateWithText(kURL, level).dimension();
    EXPECT_GE(d, previous);
    previous = d;
  }
}

TEST_P(BothEngines, LargestPayloadAtLowDecodes) {
  std::mt19937 rng(2953);
  std::string payload(2953, '\0');
  for (char& c : payload) c = static_cast<char>(rng() & 0xFF);
  const QRCodeBoolMatrix m = engine->generateWithData(bytesOf(payload), 0);
  EXPECT_EQ(m.dimension(), 177 + 2);
  expectSymbolShape(m);
  expectDecodes(m, payload, (std::string(GetParam()) + "_v40").c_str());
}

TEST_P(BothEngines, TooMuchDataFails) {
  const std::string payload(3000, 'x');
  const QRCodeError expected = engine->name() == "external" ? QRCodeError::cannotGenerateQRCode
                                                            : QRCodeError::cannotGenerateImage;
  EXPECT_TRUE(raises(expected, [&] { engine->generateWithData(bytesOf(payload), 3); }));
  EXPECT_TRUE(raises(expected, [&] { engine->generateWithText(payload, 3); }));
  const std::string beyond(2954, '\xC3');
  EXPECT_TRUE(raises(expected, [&] { engine->generateWithData(bytesOf(beyond), 0); }));
}

TEST_P(BothEngines, LevelOutsideTheRangeIsAnError) {
  const QRCodeError expected = engine->name() == "external" ? QRCodeError::cannotGenerateQRCode
                                                            : QRCodeError::cannotGenerateImage;
  for (int level : {-1, 4, 7, 1 << 30}) {
    EXPECT_TRUE(raises(expected, [&] { engine->generateWithText("abc", level); })) << level;
    EXPECT_TRUE(raises(expected, [&] { engine->generateWithData(bytesOf("abc"), level); })) << level;
  }
}

TEST_P(BothEngines, TextThatIsNotUTF8IsRefused) {
  for (const char* bad : {"\xFF", "abc\xC3", "\xED\xA0\x80", "\xC0\xAF"}) {
    EXPECT_TRUE(raises(QRCodeError::unableToConvertTextToRequestedEncoding,
                       [&] { engine->generateWithText(bad, 2); }))
        << bad;
  }
}

TEST_P(BothEngines, TextWithNULIsEncodedWhole) {
  const std::string text("before\0after", 12);
  const QRCodeBoolMatrix m = engine->generateWithText(text, 1);
  expectSymbolShape(m);
  expectDecodes(m, text, (std::string(GetParam()) + "_nul").c_str());
}

TEST_P(BothEngines, UnicodeTextDecodesAsUTF8) {
  const std::string text = "Grüße, 世界 🌍";
  const QRCodeBoolMatrix m = engine->generateWithText(text, 2);
  expectDecodes(m, text, (std::string(GetParam()) + "_utf8").c_str());
}

TEST_P(BothEngines, ResultsAreFreshObjects) {
  QRCodeBoolMatrix a = engine->generateWithText("same", 2);
  const QRCodeBoolMatrix b = engine->generateWithText("same", 2);
  EXPECT_EQ(a, b);
  a.setValue(1, 1, false);
  EXPECT_TRUE(b.value(1, 1));
}

INSTANTIATE_TEST_SUITE_P(Engines, BothEngines, ::testing::Values("coreimage", "external"));

TEST(Engines, DefaultAndAvailable) {
  EXPECT_EQ(QRCode::QRCodeDefaultEngine()->name(), "coreimage");
  EXPECT_NE(dynamic_cast<QRCodeEngineCoreImage*>(QRCode::QRCodeDefaultEngine().get()), nullptr);
  const auto engines = QRCode::QRCodeAvailableEngines();
  ASSERT_EQ(engines.size(), 2u);
  EXPECT_EQ(engines[0]->name(), "coreimage");
  EXPECT_EQ(engines[1]->name(), "external");
  EXPECT_NE(QRCode::QRCodeAvailableEngines()[0], engines[0]);  // new objects every time
}

TEST(Engines, EmptyInput) {
  QRCodeEngineExternal external;
  const QRCodeBoolMatrix m = external.generateWithText("", 2);
  EXPECT_EQ(m.dimension(), 23);
  expectSymbolShape(m);
  EXPECT_EQ(external.generateWithData({}, 2).dimension(), 23);
  QRCodeEngineCoreImage core;
  EXPECT_TRUE(raises(QRCodeError::cannotGenerateImage, [&] { core.generateWithText("", 2); }));
  EXPECT_TRUE(raises(QRCodeError::cannotGenerateImage, [&] { core.generateWithData({}, 2); }));
}

TEST(Engines, CoreImageKeepsTheFilterInputs) {
  QRCodeEngineCoreImage engine;
  EXPECT_EQ(engine.filter().name(), "CIQRCodeGenerator");
  engine.generateWithText("hello", 3);
  EXPECT_EQ(engine.filter().inputCorrectionLevel(), "H");
  EXPECT_EQ(foundation::stringOf(engine.filter().inputMessage()), "hello");
  engine.generateWithData(bytesOf("xyz"), 0);
  EXPECT_EQ(engine.filter().inputCorrectionLevel(), "L");
  EXPECT_EQ(foundation::stringOf(engine.filter().inputMessage()), "xyz");
}

TEST(Engines, FilterOutputImage) {
  QRCodeGeneratorFilter filter;
  filter.setInputMessage(bytesOf("filter"));
  filter.setInputCorrectionLevel("Q");
  const auto image = filter.outputImage();
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->width, image->height);
  EXPECT_EQ(image->width, 21 + 2);
  EXPECT_EQ(image->pixels.size(), std::size_t(23 * 23));
  for (std::uint8_t v : image->pixels) EXPECT_TRUE(v == 0 || v == 255);
  for (int i = 0; i < 23; ++i) {
    EXPECT_EQ(image->pixels[i], 255);
    EXPECT_EQ(image->pixels[22 * 23 + i], 255);
    EXPECT_EQ(image->pixels[i * 23], 255);
    EXPECT_EQ(image->pixels[i * 23 + 22], 255);
  }
  EXPECT_EQ(image->pixels[1 * 23 + 1], 0);
  for (const char* bad : {"", "q", "X", "LL", "0"}) {
    filter.setInputCorrectionLevel(bad);
    EXPECT_FALSE(filter.outputImage().has_value()) << bad;
  }
  filter.setInputCorrectionLevel("M");
  filter.setInputMessage({});
  EXPECT_FALSE(filter.outputImage().has_value());
}

TEST(Engines, CoreImageEncodesBytesAtExactlyTheLevelAsked) {
  // In byte mode a 17-byte message fits version 1 at L (17 bytes) but not at M (14).
  QRCodeEngineCoreImage engine;
  const std::string seventeen(17, 'a');
  EXPECT_EQ(engine.generateWithData(bytesOf(seventeen), 0).dimension(), 23);
  EXPECT_EQ(engine.generateWithData(bytesOf(seventeen), 1).dimension(), 27);
  // Digits stay in byte mode too: 41 digits fit version 1 only in numeric mode.
  const std::string digits(41, '7');
  EXPECT_GT(engine.generateWithText(digits, 0).dimension(), 23);
}

}  // namespace
