// Detection of QR codes in images: codes made by both engines at several module sizes and
// levels, rotated, inverted, in colour, on transparent ground, several in one image, and
// images with nothing to find or nothing to read. Where a code is found its text and place
// are checked, and the found texts are compared with what ZXing and zbar read themselves.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "QRCode/QRCode+Core.hpp"
#include "imageio/PNG.hpp"
#include "platform/graphics/Canvas.hpp"
#include "platform/graphics/Image.hpp"
#include "support/Decode.hpp"
#include "support/Raster.hpp"

namespace {

using Accuracy = QRCode::DetectionAccuracy;

std::shared_ptr<QRCodeEngine> engineNamed(const std::string& name) {
  if (name == "external") return std::make_shared<QRCodeEngineExternal>();
  return std::make_shared<QRCodeEngineCoreImage>();
}

// The matrix of a text; its dimension includes the engines' one-module border.
QRCodeBoolMatrix matrixFor(const std::string& text, QRCode::ErrorCorrection level,
                           const std::string& engine = "external") {
  const QRCode code(text, level, engineNamed(engine));
  return code.boolMatrix()->copyMatrix();
}

gfx::Image greyImage(const ModuleImage& m) {
  return gfx::Image::make(m.size, m.size, m.pixels, gfx::PixelFormat::gray);
}

// An opaque rgba image of the module image: dark modules in `dark`, the rest in `light`.
gfx::Image colourImage(const ModuleImage& m, gfx::Image::RGBA dark, gfx::Image::RGBA light) {
  const std::size_t side = static_cast<std::size_t>(m.size);
  std::vector<std::uint8_t> px(side * side * 4);
  for (std::size_t i = 0; i < m.pixels.size(); ++i) {
    const gfx::Image::RGBA c = m.pixels[i] == 0 ? dark : light;
    px[4 * i + 0] = c.r;
    px[4 * i + 1] = c.g;
    px[4 * i + 2] = c.b;
    px[4 * i + 3] = c.a;
  }
  return gfx::Image::make(m.size, m.size, std::move(px));
}

// The image turned by 90 degrees clockwise: the top row becomes the right column.
gfx::Image rotatedClockwise(const gfx::Image& image) {
  const int w = image.width(), h = image.height();
  const std::size_t bpp = gfx::bytesPerPixel(image.format());
  std::vector<std::uint8_t> px(image.pixels().size());
  const std::uint8_t* src = image.pixels().data();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int nx = h - 1 - y, ny = x;  // new image is h wide, w high
      std::copy_n(src + (static_cast<std::size_t>(y) * w + x) * bpp, bpp,
                  px.data() + (static_cast<std::size_t>(ny) * h + nx) * bpp);
    }
  return gfx::Image::make(h, w, std::move(px), image.format());
}

// A grey canvas with module images pasted at the given top-left corners.
struct Placement {
  ModuleImage image;
  int x = 0, y = 0;
  bool inverted = false;
};
gfx::Image composite(int width, int height, const std::vector<Placement>& items,
                     std::uint8_t ground = 255) {
  std::vector<std::uint8_t> px(static_cast<std::size_t>(width) * height, ground);
  for (const Placement& p : items)
    for (int y = 0; y < p.image.size; ++y)
      for (int x = 0; x < p.image.size; ++x) {
        std::uint8_t v = p.image.pixels[static_cast<std::size_t>(y) * p.image.size + x];
        if (p.inverted) v = static_cast<std::uint8_t>(255 - v);
        px[static_cast<std::size_t>(p.y + y) * width + (p.x + x)] = v;
      }
  return gfx::Image::make(width, height, std::move(px), gfx::PixelFormat::gray);
}

std::vector<std::string> texts(const std::vector<QRCodeFeature>& features) {
  std::vector<std::string> out;
  for (const QRCodeFeature& f : features)
    if (f.messageString) out.push_back(*f.messageString);
  return out;
}

std::vector<std::string> sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

double distance(gfx::Point a, gfx::Point b) { return std::hypot(a.x - b.x, a.y - b.y); }

// --- one code, table-driven ---------------------------------------------------------------

struct OneCodeCase {
  std::string engine;
  std::string text;
  QRCode::ErrorCorrection level;
  int pixelsPerModule;
  int quietZone;
  int version = 0;  // when set, the text is the shortest start of a long text that needs it
};

// The shortest run of one letter whose code has the version (a symbol of 17 + 4 v modules,
// inside the engine's one-module border). At one pixel per module such data draws hundreds
// of finder-like shapes: a run of "v" more than 200 at seven versions and levels.
std::string textOfVersion(int version, QRCode::ErrorCorrection level) {
  const std::string all(3000, 'v');
  std::size_t lo = 1, hi = all.size();
  while (lo < hi) {
    const std::size_t mid = (lo + hi) / 2;
    std::size_t side = 1000;  // past version 40: the text does not fit
    try {
      side = matrixFor(all.substr(0, mid), level).dimension() - 2;
    } catch (const std::exception&) {
    }
    (side < static_cast<std::size_t>(17 + 4 * version) ? lo = mid + 1 : hi = mid);
  }
  return all.substr(0, lo);
}

class DetectOneCode : public ::testing::TestWithParam<OneCodeCase> {};

TEST_P(DetectOneCode, FindsTextAndPlace) {
  OneCodeCase c = GetParam();
  if (c.version) c.text = textOfVersion(c.version, c.level);
  const QRCodeBoolMatrix matrix = matrixFor(c.text, c.level, c.engine);
  const ModuleImage modules = matrixImage(matrix, c.quietZone, c.pixelsPerModule);
  const gfx::Image image = greyImage(modules);

  for (Accuracy accuracy : {Accuracy::low, Accuracy::high}) {
    SCOPED_TRACE(accuracy == Accuracy::low ? "low" : "high");
    const std::vector<QRCodeFeature> features = QRCode::DetectQRCodes(image, accuracy);
    ASSERT_EQ(features.size(), 1u);
    ASSERT_TRUE(features[0].messageString.has_value());
    EXPECT_EQ(*features[0].messageString, c.text);
    EXPECT_EQ(QRCode::DetectQRStrings(image, accuracy), std::vector<std::string>{c.text});

    // The symbol (inside the engines' one-module border) spans from (q + 1) modules to
    // (q + d - 1) modules on both axes; its corners are found within a module and a half.
    const double ppm = c.pixelsPerModule;
    const double lo = (c.quietZone + 1) * ppm;
    const double hi = (c.quietZone + static_cast<double>(matrix.dimension()) - 1) * ppm;
    const double tolerance = 1.5 * ppm + 1;
    const QRCodeFeature& f = features[0];
    EXPECT_LT(distance(f.topLeft, {lo, lo}), tolerance);
    EXPECT_LT(distance(f.topRight, {hi, lo}), tolerance);
    EXPECT_LT(distance(f.bottomLeft, {lo, hi}), tolerance);
    EXPECT_LT(distance(f.bottomRight, {hi, hi}), tolerance);
    EXPECT_NEAR(f.bounds.minX(), std::min({f.topLeft.x, f.bottomLeft.x}), 1e-9);
    EXPECT_NEAR(f.bounds.maxY(), std::max({f.bottomLeft.y, f.bottomRight.y}), 1e-9);
  }

  // The test decoders agree with what was found (zbar misses some codes of one-pixel modules).
  const DecodeResults independent = decodeBoth(modules);
  EXPECT_EQ(independent.zxing, std::vector<std::string>{c.text});
  if (c.pixelsPerModule > 1) {
    EXPECT_EQ(independent.zbar, std::vector<std::string>{c.text});
  }
}

const std::string kLink = "https://vidlumen.app/wallpaper/northern-lights?utm_source=qr";
const std::string kLong(600, 'x');

INSTANTIATE_TEST_SUITE_P(
    SizesLevelsEngines, DetectOneCode,
    ::testing::Values(
        OneCodeCase{"external", "hello", QRCode::ErrorCorrection::low, 2, 4},
        OneCodeCase{"external", "hello", QRCode::ErrorCorrection::high, 3, 4},
        OneCodeCase{"external", kLink, QRCode::ErrorCorrection::quartile, 4, 4},
        OneCodeCase{"external", kLink, QRCode::ErrorCorrection::medium, 8, 2},
        OneCodeCase{"external", kLong, QRCode::ErrorCorrection::low, 3, 4},
        OneCodeCase{"coreimage", "hello", QRCode::ErrorCorrection::medium, 2, 4},
        OneCodeCase{"coreimage", kLink, QRCode::ErrorCorrection::high, 5, 4},
        OneCodeCase{"coreimage", "Gr\u00fc\u00dfe \u65e5\u672c \xF0\x9F\x98\x80",
                    QRCode::ErrorCorrection::quartile, 4, 3},
        OneCodeCase{"coreimage", kLong, QRCode::ErrorCorrection::quartile, 4, 4}));

// Every version at every level, one pixel per module, a quiet zone of four modules (three
// and the engine's border): codes exported at their smallest.
std::vector<OneCodeCase> everyVersionAtOnePixel() {
  std::vector<OneCodeCase> cases;
  for (const auto level : {QRCode::ErrorCorrection::low, QRCode::ErrorCorrection::medium,
                           QRCode::ErrorCorrection::quartile, QRCode::ErrorCorrection::high})
    for (int version = 1; version <= 40; ++version) cases.push_back({"external", "", level, 1, 3, version});
  return cases;
}
INSTANTIATE_TEST_SUITE_P(EveryVersionAtOnePixel, DetectOneCode, ::testing::ValuesIn(everyVersionAtOnePixel()));

// --- rotation ------------------------------------------------------------------------------

TEST(Detection, RotatedByQuarterTurnsStillReadsAndTracksTheFirstFinderPattern) {
  const ModuleImage modules = matrixImage(matrixFor(kLink, QRCode::ErrorCorrection::medium), 4, 4);
  gfx::Image image = greyImage(modules);
  const double size = image.width();
  // Where the symbol's top-left corner lands after 0, 1, 2 and 3 clockwise quarter turns:
  // top-left, top-right, bottom-right, bottom-left of the image.
  const bool expectRight[] = {false, true, true, false};
  const bool expectBottom[] = {false, false, true, true};
  for (int turns = 0; turns < 4; ++turns) {
    SCOPED_TRACE(turns);
    const std::vector<QRCodeFeature> features = QRCode::DetectQRCodes(image, Accuracy::high);
    ASSERT_EQ(features.size(), 1u);
    EXPECT_EQ(features[0].messageString, std::optional<std::string>(kLink));
    EXPECT_EQ(features[0].topLeft.x > size / 2, expectRight[turns]);
    EXPECT_EQ(features[0].topLeft.y > size / 2, expectBottom[turns]);
    // The bounds do not depend on the turn: the code is centred.
    EXPECT_NEAR(features[0].bounds.midX(), size / 2, 4);
    EXPECT_NEAR(features[0].bounds.midY(), size / 2, 4);
    image = rotatedClockwise(image);
  }
}

TEST(Detection, RotatedNonSquareColourImage) {
  // A code off-centre in a wide rgba image, turned once: its place turns with it.
  const ModuleImage modules = matrixImage(matrixFor("turn me", QRCode::ErrorCorrection::low), 0, 4);
  std::vector<Placement> items{{modules, 10, 6, false}};
  const int w = 300, h = modules.size + 40;
  const gfx::Image wide = composite(w, h, items);
  const gfx::Image turned = rotatedClockwise(wide);
  ASSERT_EQ(turned.width(), h);
  ASSERT_EQ(turned.height(), w);
  const auto features = QRCode::DetectQRCodes(turned, Accuracy::high);
  ASSERT_EQ(features.size(), 1u);
  EXPECT_EQ(features[0].messageString, std::optional<std::string>("turn me"));
  // Column x, row y of the wide image land at column h - 1 - y, row x.
  const double moduleSpan = modules.size;
  EXPECT_NEAR(features[0].bounds.minY(), 10 + 4, 6);
  EXPECT_NEAR(features[0].bounds.maxX(), h - 1 - 6 - 4, 6);
  EXPECT_NEAR(features[0].bounds.width(), moduleSpan - 8, 6);
}

TEST(Detection, TiltedAndResampledLikeAPhoto) {
  // The code drawn smoothly at 2.6 pixels per module, turned by 30 and by -65 degrees
  // about the centre of a white canvas, in rgba.
  const ModuleImage modules = matrixImage(matrixFor(kLink, QRCode::ErrorCorrection::medium), 0, 1);
  const gfx::Image source = greyImage(modules);
  const double side = modules.size * 2.6;
  for (double degrees : {30.0, -65.0}) {
    SCOPED_TRACE(degrees);
    gfx::Canvas canvas = gfx::Canvas::bitmap(260, 260);
    canvas.setFillColor(gfx::Color::sRGB(1, 1, 1));
    canvas.fillRect(gfx::Rect(0, 0, 260, 260));
    canvas.setInterpolationQuality(gfx::InterpolationQuality::high);
    canvas.translate(130, 130);
    canvas.rotate(degrees * std::numbers::pi / 180);
    canvas.drawImage(source, gfx::Rect(-side / 2, -side / 2, side, side));
    const gfx::Image photo = canvas.makeImage();
    testsupport::writeImagePNG(
        photo, "detect-tilted-" + std::to_string(static_cast<int>(degrees)) + ".png");
    const auto features = QRCode::DetectQRCodes(photo, Accuracy::high);
    ASSERT_EQ(features.size(), 1u);
    EXPECT_EQ(features[0].messageString, std::optional<std::string>(kLink));
    EXPECT_NEAR(features[0].bounds.midX(), 130, 5);
    EXPECT_NEAR(features[0].bounds.midY(), 130, 5);
    // The corners are about a symbol's side apart, whatever the tilt.
    const double symbol = (modules.size - 2) * 2.6;
    EXPECT_NEAR(distance(features[0].topLeft, features[0].topRight), symbol, 4);
    EXPECT_NEAR(distance(features[0].topLeft, features[0].bottomLeft), symbol, 4);
  }
}

// --- inverted, colour, transparency, formats ---------------------------------------------

TEST(Detection, InvertedGreyCode) {
  ModuleImage modules =
      matrixImage(matrixFor("light on dark", QRCode::ErrorCorrection::quartile), 4, 4);
  for (auto& v : modules.pixels) v = static_cast<std::uint8_t>(255 - v);
  const gfx::Image image = greyImage(modules);
  for (Accuracy accuracy : {Accuracy::low, Accuracy::high})
    EXPECT_EQ(QRCode::DetectQRStrings(image, accuracy), std::vector<std::string>{"light on dark"});
}

TEST(Detection, WhiteOnDarkBlueRGBA) {
  const ModuleImage modules = matrixImage(matrixFor(kLink, QRCode::ErrorCorrection::high), 4, 5);
  const gfx::Image image = colourImage(modules, {255, 255, 255, 255}, {10, 20, 90, 255});
  EXPECT_EQ(QRCode::DetectQRStrings(image), std::vector<std::string>{kLink});
  const gfx::Image normal = colourImage(modules, {10, 20, 90, 255}, {250, 240, 200, 255});
  EXPECT_EQ(QRCode::DetectQRStrings(normal), std::vector<std::string>{kLink});
}

TEST(Detection, DarkCodeOnTransparentGroundReadsAsOnWhite) {
  const ModuleImage modules =
      matrixImage(matrixFor("transparent", QRCode::ErrorCorrection::medium), 4, 4);
  // Premultiplied: opaque black modules, fully transparent ground (all zero bytes).
  const gfx::Image image = colourImage(modules, {0, 0, 0, 255}, {0, 0, 0, 0});
  EXPECT_EQ(QRCode::DetectQRStrings(image, Accuracy::low), std::vector<std::string>{"transparent"});
  // Half-transparent dark red modules (premultiplied 100/255 red at alpha 200).
  const gfx::Image soft = colourImage(modules, {100, 0, 0, 200}, {0, 0, 0, 0});
  EXPECT_EQ(QRCode::DetectQRStrings(soft), std::vector<std::string>{"transparent"});
}

TEST(Detection, CMYKImage) {
  const ModuleImage modules = matrixImage(matrixFor("cmyk", QRCode::ErrorCorrection::low), 4, 4);
  std::vector<std::uint8_t> px(modules.pixels.size() * 4, 0);
  for (std::size_t i = 0; i < modules.pixels.size(); ++i)
    if (modules.pixels[i] == 0) px[4 * i + 3] = 255;  // black ink
  const gfx::Image image =
      gfx::Image::make(modules.size, modules.size, std::move(px), gfx::PixelFormat::cmyk);
  EXPECT_EQ(QRCode::DetectQRStrings(image), std::vector<std::string>{"cmyk"});
}

// --- several codes -------------------------------------------------------------------------

// A picture of several codes: each placed code and its text.
struct Scene {
  gfx::Image image;
  std::vector<Placement> placed;
  std::vector<std::string> texts;
};

// Codes of three sizes and both engines, staggered.
Scene staggered() {
  Scene scene;
  scene.texts = {"first code", "second code", "third: " + kLink};
  int x = 10;
  for (std::size_t i = 0; i < scene.texts.size(); ++i) {
    ModuleImage m = matrixImage(matrixFor(scene.texts[i], QRCode::ErrorCorrection::medium,
                                          i % 2 ? "coreimage" : "external"),
                                4, 3);
    scene.placed.push_back({std::move(m), x, 20 + 40 * static_cast<int>(i), false});
    x += scene.placed.back().image.size + 15;
  }
  scene.image = composite(x + 10, 20 + 40 * 3 + scene.placed.back().image.size + 10, scene.placed);
  return scene;
}

// Version-2 codes at `ppm` pixels per module with a quiet zone of four modules, in `columns`
// columns from (0, 0) on, `pitchX` and `pitchY` apart (their own size: touching).
Scene codeGrid(int count, int columns, int ppm, int width, int height, int pitchX = 0, int pitchY = 0) {
  Scene scene;
  for (int i = 0; i < count; ++i) {
    scene.texts.push_back("Label " + std::to_string(100 + i) + ": vidlumen");
    ModuleImage m = matrixImage(matrixFor(scene.texts.back(), QRCode::ErrorCorrection::medium), 3, ppm);
    const int x = (i % columns) * (pitchX ? pitchX : m.size), y = (i / columns) * (pitchY ? pitchY : m.size);
    scene.placed.push_back({std::move(m), x, y, false});
  }
  if (!width) width = columns * scene.placed[0].image.size, height = (count / columns) * scene.placed[0].image.size;
  scene.image = composite(width, height, scene.placed);
  return scene;
}

// A label sheet (A4 at 300 dpi): 100 codes at 4 pixels per module, each over a line of
// letter-like marks (3 x 5 cells of 3 pixels).
Scene labelSheet() {
  Scene scene = codeGrid(100, 10, 4, 2480, 3508, 248, 350);
  std::vector<std::uint8_t> px(scene.image.pixels().begin(), scene.image.pixels().end());
  SplitMix64 rng(11);
  for (const Placement& p : scene.placed)
    for (int letter = 0; letter < 12; ++letter)
      for (int cell = 0; cell < 15; ++cell)
        if (rng.next() & 1)
          for (int i = 0; i < 9; ++i)
            px[static_cast<std::size_t>(p.y + p.image.size + 6 + cell / 3 * 3 + i / 3) * 2480 + p.x + 8 +
               letter * 12 + cell % 3 * 3 + i % 3] = 0;
  scene.image = gfx::Image::make(2480, 3508, std::move(px), gfx::PixelFormat::gray);
  return scene;
}

// A code at 6 pixels per module in a picture under noise: every pixel moved by up to 60
// levels either way.
Scene underNoise() {
  Scene scene = codeGrid(1, 1, 6, 1000, 1000);
  std::vector<std::uint8_t> px(scene.image.pixels().begin(), scene.image.pixels().end());
  SplitMix64 rng(60);
  for (std::uint8_t& v : px) v = static_cast<std::uint8_t>(std::clamp(v + static_cast<int>(rng.next() % 121) - 60, 0, 255));
  scene.image = gfx::Image::make(1000, 1000, std::move(px), gfx::PixelFormat::gray);
  return scene;
}

// Twelve codes at 4 pixels per module on a photograph: light and shade under grain of up
// to 15 levels either way, which the binarisation turns into thousands of near-finders.
Scene onPhotograph() {
  Scene scene = codeGrid(12, 6, 4, 1200, 900, 200, 200);
  const gfx::Image codes = composite(1200, 900, scene.placed, 1);  // ground 1: neither module's value
  std::vector<std::uint8_t> px(codes.pixels().begin(), codes.pixels().end());
  SplitMix64 rng(15);
  for (std::size_t i = 0; i < px.size(); ++i) {
    const double x = static_cast<double>(i % 1200), y = static_cast<double>(i / 1200), grain = double(rng.next() % 31) - 15;
    if (px[i] == 1) px[i] = static_cast<std::uint8_t>(std::clamp(128 + 60 * std::sin(x / 37 + 2 * std::cos(y / 53)) + 50 * std::cos(y / 29 - x / 71) + grain, 0.0, 255.0));
  }
  scene.image = gfx::Image::make(1200, 900, std::move(px), gfx::PixelFormat::gray);
  return scene;
}

struct SeveralCodesCase {
  const char* label;
  Scene (*make)();
};

class DetectSeveralCodes : public ::testing::TestWithParam<SeveralCodesCase> {};

TEST_P(DetectSeveralCodes, FindsEveryCodeOnce) {
  const Scene scene = GetParam().make();
  const std::vector<QRCodeFeature> features = QRCode::DetectQRCodes(scene.image, Accuracy::high);
  ASSERT_EQ(features.size(), scene.texts.size());
  EXPECT_EQ(sorted(texts(features)), sorted(scene.texts));
  // The strings come in the order of the features.
  EXPECT_EQ(QRCode::DetectQRStrings(scene.image, Accuracy::high), texts(features));
  // Each feature lies over the code that holds its text.
  for (const QRCodeFeature& f : features) {
    const auto it = std::find(scene.texts.begin(), scene.texts.end(), *f.messageString);
    const Placement& p = scene.placed[static_cast<std::size_t>(it - scene.texts.begin())];
    EXPECT_GE(f.bounds.minX(), p.x);
    EXPECT_GE(f.bounds.minY(), p.y);
    EXPECT_LE(f.bounds.maxX(), p.x + p.image.size);
    EXPECT_LE(f.bounds.maxY(), p.y + p.image.size);
  }
  // zbar, independently, reads the same texts.
  const auto& px = scene.image.pixels();
  EXPECT_EQ(sorted(decodeWithZbar(px.data(), scene.image.width(), scene.image.height(), 1,
                                  static_cast<std::size_t>(scene.image.width()))),
            sorted(scene.texts));
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, DetectSeveralCodes,
    ::testing::Values(SeveralCodesCase{"staggered", staggered},
                      SeveralCodesCase{"grid3x3", [] { return codeGrid(9, 3, 5, 0, 0); }},
                      SeveralCodesCase{"grid5x4", [] { return codeGrid(20, 5, 6, 0, 0); }},
                      SeveralCodesCase{"labelSheet", labelSheet}, SeveralCodesCase{"underNoise", underNoise},
                      SeveralCodesCase{"onPhotograph", onPhotograph}),
    [](const ::testing::TestParamInfo<SeveralCodesCase>& info) { return std::string(info.param.label); });

TEST(Detection, DarkAndInvertedCodesSideBySide) {
  ModuleImage a = matrixImage(matrixFor("dark one", QRCode::ErrorCorrection::low), 4, 4);
  ModuleImage b = matrixImage(matrixFor("light one", QRCode::ErrorCorrection::low), 4, 4);
  const int size = a.size;
  std::vector<Placement> items{{a, 0, 0, false}, {b, size + 20, 0, true}};
  const gfx::Image image = composite(2 * size + 20, std::max(a.size, b.size), items);
  const auto features = QRCode::DetectQRCodes(image, Accuracy::high);
  EXPECT_EQ(sorted(texts(features)), (std::vector<std::string>{"dark one", "light one"}));
  EXPECT_EQ(features.size(), 2u);
}

TEST(Detection, TheSameCodeTwiceGivesTwoFeatures) {
  const ModuleImage m = matrixImage(matrixFor("twin", QRCode::ErrorCorrection::low), 4, 4);
  std::vector<Placement> items{{m, 0, 0, false}, {m, m.size, 0, false}};
  const gfx::Image image = composite(2 * m.size, m.size, items);
  const auto features = QRCode::DetectQRCodes(image, Accuracy::high);
  ASSERT_EQ(features.size(), 2u);
  EXPECT_EQ(texts(features), (std::vector<std::string>{"twin", "twin"}));
  EXPECT_GT(std::abs(features[0].bounds.midX() - features[1].bounds.midX()), m.size / 2.0);
}

// --- content without text -----------------------------------------------------------------

TEST(Detection, BinaryContentIsFoundButHasNoText) {
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < 64; ++i) bytes.push_back(static_cast<std::uint8_t>((i * 151 + 7) & 0xFF));
  bytes[0] = 0x00;
  bytes[1] = 0xFF;
  const QRCode binary(std::span<const std::uint8_t>(bytes), QRCode::ErrorCorrection::medium,
                      std::make_shared<QRCodeEngineExternal>());
  const ModuleImage a = matrixImage(*binary.boolMatrix(), 4, 4);
  const ModuleImage b = matrixImage(matrixFor("plain text", QRCode::ErrorCorrection::medium), 4, 4);
  std::vector<Placement> items{{a, 0, 0, false}, {b, a.size, 0, false}};
  const gfx::Image image = composite(a.size + b.size, std::max(a.size, b.size), items);

  const auto features = QRCode::DetectQRCodes(image, Accuracy::high);
  ASSERT_EQ(features.size(), 2u);
  const auto withoutText = std::count_if(features.begin(), features.end(),
                                         [](const QRCodeFeature& f) { return !f.messageString; });
  EXPECT_EQ(withoutText, 1);
  // The text-only form skips the code without text.
  EXPECT_EQ(QRCode::DetectQRStrings(image, Accuracy::high), std::vector<std::string>{"plain text"});
}

TEST(Detection, EmptyTextCode) {
  const ModuleImage m = matrixImage(matrixFor("", QRCode::ErrorCorrection::quartile), 4, 4);
  const auto features = QRCode::DetectQRCodes(greyImage(m), Accuracy::high);
  ASSERT_EQ(features.size(), 1u);
  EXPECT_EQ(features[0].messageString, std::optional<std::string>(""));
}

// --- nothing to find ------------------------------------------------------------------------

TEST(Detection, BlankAndNoiseImagesGiveEmptyLists) {
  std::vector<gfx::Image> images;
  images.push_back(gfx::Image::filled(200, 120, {255, 255, 255, 255}));
  images.push_back(gfx::Image::filled(200, 120, {0, 0, 0, 255}));
  images.push_back(gfx::Image::filled(64, 64));  // transparent
  images.push_back(gfx::Image::make(1, 1, {0}, gfx::PixelFormat::gray));
  for (std::uint64_t seed : {1u, 2u, 3u}) {
    SplitMix64 rng(seed);
    std::vector<std::uint8_t> px(300 * 300);
    for (auto& v : px) v = static_cast<std::uint8_t>(rng.next() >> 56);
    images.push_back(gfx::Image::make(300, 300, std::move(px), gfx::PixelFormat::gray));
  }
  {
    // Black and white noise in 4-pixel blocks: looks like modules, but is no code.
    SplitMix64 rng(99);
    ModuleImage blocks;
    std::vector<std::uint8_t> cells(45 * 45);
    for (auto& v : cells) v = static_cast<std::uint8_t>(rng.next() & 1);
    blocks = moduleImage(cells.data(), 45, 4, 4);
    images.push_back(greyImage(blocks));
  }
  for (std::size_t i = 0; i < images.size(); ++i) {
    SCOPED_TRACE(i);
    for (Accuracy accuracy : {Accuracy::low, Accuracy::high}) {
      EXPECT_TRUE(QRCode::DetectQRCodes(images[i], accuracy).empty());
      EXPECT_TRUE(QRCode::DetectQRStrings(images[i], accuracy).empty());
    }
    EXPECT_TRUE(QRCode::DetectQRCodesIn(imageio::writePNG(images[i])).empty());
  }
}

TEST(Detection, EmptyImageGivesEmptyList) {
  const gfx::Image empty;
  EXPECT_TRUE(QRCode::DetectQRCodes(empty, Accuracy::high).empty());
  EXPECT_TRUE(QRCode::DetectQRCodes(empty, Accuracy::low).empty());
  EXPECT_TRUE(QRCode::DetectQRStrings(empty).empty());
}

TEST(Detection, CutOffCodeIsNotReported) {
  // Only the left half of a code: finder patterns but no readable symbol.
  const ModuleImage m = matrixImage(matrixFor("half", QRCode::ErrorCorrection::low), 4, 4);
  std::vector<std::uint8_t> px(m.pixels);
  for (int y = 0; y < m.size; ++y)
    for (int x = m.size / 2; x < m.size; ++x) px[static_cast<std::size_t>(y) * m.size + x] = 255;
  const gfx::Image image = gfx::Image::make(m.size, m.size, std::move(px), gfx::PixelFormat::gray);
  EXPECT_TRUE(QRCode::DetectQRCodes(image, Accuracy::high).empty());
}

// --- image files ------------------------------------------------------------------------------

TEST(Detection, CodesInImageFileBytes) {
  const ModuleImage m = matrixImage(matrixFor(kLink, QRCode::ErrorCorrection::quartile), 4, 4);
  const foundation::Bytes png = imageio::writePNG(colourImage(m, {20, 60, 20, 255}, {255, 255, 255, 255}));
  const auto features = QRCode::DetectQRCodesIn(png);
  ASSERT_EQ(features.size(), 1u);
  EXPECT_EQ(features[0].messageString, std::optional<std::string>(kLink));

  // Bytes that are no image, a damaged PNG and no bytes at all give nothing.
  const std::string notAnImage = "this is not an image file";
  EXPECT_TRUE(QRCode::DetectQRCodesIn(std::span<const std::uint8_t>(
                  reinterpret_cast<const std::uint8_t*>(notAnImage.data()), notAnImage.size()))
                  .empty());
  foundation::Bytes damaged(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(png.size() / 2));
  EXPECT_TRUE(QRCode::DetectQRCodesIn(damaged).empty());
  EXPECT_TRUE(QRCode::DetectQRCodesIn({}).empty());
}

// --- accuracy values ----------------------------------------------------------------------------

TEST(Detection, AccuracyFromRawValue) {
  EXPECT_EQ(QRCode::detectionAccuracyFromRawValue(0), Accuracy::low);
  EXPECT_EQ(QRCode::detectionAccuracyFromRawValue(1), Accuracy::high);
  EXPECT_EQ(QRCode::detectionAccuracyFromRawValue(2), std::nullopt);
  EXPECT_EQ(QRCode::detectionAccuracyFromRawValue(-1), std::nullopt);
  EXPECT_EQ(static_cast<std::int64_t>(Accuracy::low), 0);
  EXPECT_EQ(static_cast<std::int64_t>(Accuracy::high), 1);
}

}  // namespace
